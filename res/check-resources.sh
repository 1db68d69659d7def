#!/bin/sh
# Checks a built varnelo.exe from the build machine as users will get it: the version block as
# windres decompiles it, the manifest, the icon group (four 32-bit bitmaps and a 256 px PNG),
# no symbols or debug sections, and no DLL beyond those every Windows has.
# Usage: check-resources.sh varnelo.exe [windres [objdump]]
set -u
exe=$1
windres=${2:-x86_64-w64-mingw32-windres}
objdump=${3:-x86_64-w64-mingw32-objdump}
for tool in "$windres" "$objdump" wrestool icotool python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing: scripts/setup-deps g++-mingw-w64-x86-64 icoutils python3"
    exit 1
  fi
done
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
  'VALUE "OriginalFilename", "varnelo.exe"' \
  'VALUE "LegalCopyright", "Copyright (c) 2012-2026 The Varnelo developers"' \
  'BLOCK "VarFileInfo"' \
  'VALUE "Translation", 0x421, 1252'; do
  expect "$line" "$work/version.rc"
done

# The manifest as Windows reads it, one line per element with its namespaces: a setting in the
# wrong namespace is silently ignored there.
wrestool -x --raw --type=24 --name=1 "$exe" >"$work/manifest.xml" 2>/dev/null
python3 - "$work/manifest.xml" >"$work/manifest.txt" <<'EOF' || { echo "the manifest is missing or not XML"; failed=1; }
import sys
import xml.etree.ElementTree as tree

prefixes = {"urn:schemas-microsoft-com:asm.v1": "asm1", "urn:schemas-microsoft-com:asm.v3": "asm3",
            "urn:schemas-microsoft-com:compatibility.v1": "compat",
            "http://schemas.microsoft.com/SMI/2016/WindowsSettings": "ws2016"}

def walk(element, path):
    namespace, name = element.tag[1:].split("}") if element.tag.startswith("{") else ("", element.tag)
    path += "/" + prefixes.get(namespace, namespace) + ":" + name
    print(path, *sorted(f"{key}={value}" for key, value in element.attrib.items()), "=", (element.text or "").strip())
    for child in element:
        walk(child, path)

walk(tree.parse(sys.argv[1]).getroot(), "")
EOF
assembly=/asm1:assembly
os_ids=$assembly/compat:compatibility/compat:application/compat:supportedOS
for line in \
  "$os_ids Id={35138b9a-5d96-4fbd-8e2d-a2440225f93a} =" \
  "$os_ids Id={4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38} =" \
  "$os_ids Id={1f676c76-80e1-4239-95bb-83d0f6d0da78} =" \
  "$os_ids Id={8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a} =" \
  "$assembly/asm3:trustInfo/asm3:security/asm3:requestedPrivileges/asm3:requestedExecutionLevel level=asInvoker uiAccess=false =" \
  "$assembly/asm3:application/asm3:windowsSettings/ws2016:longPathAware = true"; do
  expect "$line" "$work/manifest.txt"
done

wrestool -x --type=group_icon -o "$work/icons.ico" "$exe" 2>/dev/null
if [ ! -s "$work/icons.ico" ]; then
  echo "no icon group in $exe"
  exit 1
fi
icotool -l "$work/icons.ico" >"$work/icons.txt"
for size in 16 32 48 64 256; do
  expect "--width=$size --height=$size --bit-depth=32" "$work/icons.txt"
done
if [ "$(grep -c -- '--icon' "$work/icons.txt")" -ne 5 ]; then
  echo "expected exactly five icon images:"
  cat "$work/icons.txt"
  failed=1
fi
# Every image must decode, not only be listed.
if ! icotool -x -o "$work" "$work/icons.ico" || [ "$(ls "$work"/*.png 2>/dev/null | wc -l)" -ne 5 ]; then
  echo "the icon images do not decode"
  failed=1
fi
# Only the 256 px image is stored as PNG: its signature, then 256 x 256 in its header.
mkdir "$work/raw"
wrestool -x --raw --type=icon -o "$work/raw" "$exe" 2>/dev/null
pngs=$(for image in "$work"/raw/*; do od -An -tx1 -N24 "$image" | tr -d ' \n' | sed -n 's/^89504e470d0a1a0a.\{16\}//p'; done)
if [ "$pngs" != 0000010000000100 ]; then
  echo "expected one PNG image, 256 x 256; width and height of the PNG images found: ${pngs:-none}"
  failed=1
fi

"$objdump" -h "$exe" >"$work/sections.txt" && "$objdump" -p "$exe" >"$work/headers.txt" || exit 1
if grep -F ' .debug' "$work/sections.txt"; then
  echo "debug sections above: the release build is not stripped"
  failed=1
fi
expect 'symbols stripped' "$work/headers.txt"
# Anything beyond the system's own DLLs would have to travel beside the .exe.
sed -n 's/^[[:space:]]*DLL Name: //p' "$work/headers.txt" >"$work/dlls.txt"
expect KERNEL32.dll "$work/dlls.txt"
if grep -viE '^(kernel32|user32|gdi32|advapi32|shell32|ole32|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$' \
  "$work/dlls.txt"; then
  echo "DLLs above are not part of Windows"
  failed=1
fi

[ $failed -eq 0 ] && echo "version block, manifest, icon, stripping and DLLs as expected"
exit $failed
