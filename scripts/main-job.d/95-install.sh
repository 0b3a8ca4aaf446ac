# Installs the build into a temporary prefix and runs the installed program the way a
# user of an installed system does: data from share/chronava, work in a per-user copy.
set -euo pipefail
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$CHRONAVA_BUILD" --prefix "$prefix" >/dev/null
echo "installed:"
(cd "$prefix" && find bin lib include share/man share/applications share/mime share/icons/hicolor/scalable \
   share/bash-completion -type f -o -type l | sort | sed 's/^/  /')
echo "  share/chronava: $(find "$prefix/share/chronava" -type f | wc -l) files"
chmod -R a-w "$prefix"
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config LD_LIBRARY_PATH=$prefix/lib QT_QPA_PLATFORM=offscreen
"$prefix/bin/chronava" --version
"$prefix/bin/wirefold" --version
"$prefix/bin/chronava" generate "$XDG_DATA_HOME/chronava/Projects/SampleT2/SampleT2.nam"
echo "per-user folder: $(cd "$work" && find . -maxdepth 3 ! -path "./prefix*" | sort | tr "\n" " ")"
