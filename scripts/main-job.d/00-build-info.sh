# Lists what the build produced.
echo "built in $CHRONAVA_BUILD:"
find "$CHRONAVA_BUILD" -maxdepth 3 -type f -perm -u+x \( -name chronava -o -name wirefold -o -name 'libcelvane.so*' \) | sort | sed 's/^/  /'
