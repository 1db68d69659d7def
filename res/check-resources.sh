#!/bin/sh
# Checks the resources of a built varnelo.exe from the build machine: the version block as
# windres decompiles it, and the icon group with its four sizes at 32 bits.
# Usage: check-resources.sh varnelo.exe [windres]
set -u
exe=$1
windres=${2:-x86_64-w64-mingw32-windres}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

expect() {
  if ! grep -qF -- "$1" "$2"; then
    echo "missing in $(basename "$2"): $1"
    failed=1
  fi
}

"$windres" -J coff -i "$exe" -O rc -o "$work/resources.rc" || { echo "windres cannot read $exe"; exit 1; }
# One line per statement, whatever the spacing windres chooses.
tr -s ' \t' '  ' <"$work/resources.rc" | sed 's/^ //' >"$work/version.rc"
for line in \
  '1 VERSIONINFO' \
  'FILEVERSION 0, 1, 0, 0' \
  'PRODUCTVERSION 0, 1, 0, 0' \
  'BLOCK "StringFileInfo"' \
  'BLOCK "042104E4"' \
  'VALUE "FileDescription", "Split,Join,Compare,Checksum,Encrypt,Decrypt,Encode,Decode"' \
  'VALUE "FileVersion", "0.1"' \
  'VALUE "ProductVersion", "0.1"' \
  'VALUE "ProductName", "Varnelo"' \
  'VALUE "InternalName", "Varnelo"' \
  'BLOCK "VarFileInfo"' \
  'VALUE "Translation", 0x421, 1252'; do
  expect "$line" "$work/version.rc"
done

wrestool -x --type=group_icon -o "$work/icons.ico" "$exe" 2>/dev/null
if [ ! -s "$work/icons.ico" ]; then
  echo "no icon group in $exe"
  exit 1
fi
icotool -l "$work/icons.ico" >"$work/icons.txt"
for size in 16 32 48 64; do
  expect "--icon --index=" "$work/icons.txt"
  expect "--width=$size --height=$size --bit-depth=32" "$work/icons.txt"
done
if [ "$(grep -c -- '--icon' "$work/icons.txt")" -ne 4 ]; then
  echo "expected exactly four icon images:"
  cat "$work/icons.txt"
  failed=1
fi
# Every image must decode, not only be listed.
if ! icotool -x -o "$work" "$work/icons.ico" || [ "$(ls "$work"/*.png 2>/dev/null | wc -l)" -ne 4 ]; then
  echo "the icon images do not decode"
  failed=1
fi

[ $failed -eq 0 ] && echo "version block and icon sizes as expected"
exit $failed
