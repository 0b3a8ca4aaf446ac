#!/bin/sh
# The dynamic symbols of libcelvane.so must be exactly the functions of celvane.h.
set -eu
lib=$1
header=$2
want=$(grep -v '#define' "$header" | grep -oE 'CELVANE_API [^(]*\(' | sed -E 's/.*[ *]([A-Za-z_0-9]+)\($/\1/' | sort)
have=$(nm -D --defined-only "$lib" | awk '{print $3}' | sed 's/@.*//' | sort)
if [ "$want" != "$have" ]; then
    echo "exported symbols differ from celvane.h:"
    printf '%s\n' "$want" > /tmp/celvane-want.$$
    printf '%s\n' "$have" > /tmp/celvane-have.$$
    diff /tmp/celvane-want.$$ /tmp/celvane-have.$$ || true
    rm -f /tmp/celvane-want.$$ /tmp/celvane-have.$$
    exit 1
fi
echo "$(printf '%s\n' "$want" | wc -l) symbols, as declared"
