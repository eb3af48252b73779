#!/usr/bin/env bash
# Checks the metadata that ships with the program: the Windows version resource compiles and
# carries the version text, and the desktop entry and the AppStream metainfo validate.
# Arguments: the source folder and the build folder.
set -euo pipefail
source_dir=$1
build_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

version=$(sed -n 's/^set(CORVANTILE_VERSION "\(.*\)")$/\1/p' "$source_dir/CMakeLists.txt")
[[ -n "$version" ]] || { echo "no version text in CMakeLists.txt"; exit 1; }

x86_64-w64-mingw32-windres --preprocessor=cpp --input-format=rc --output-format=coff \
    -i "$build_dir/generated/corvantile.rc" -o "$work/corvantile.res"
# The strings of a version resource are UTF-16LE; without their zero bytes they read as ASCII.
tr -d '\0' < "$work/corvantile.res" > "$work/strings"
for text in "$version" Corvantile Corvantile.exe FileVersion ProductVersion ProductName \
    InternalName OriginalFilename 040904b0; do
    if ! grep -qaF "$text" "$work/strings"; then
        echo "the version resource lacks \"$text\""
        exit 1
    fi
done
# FILEVERSION 1,0,0,0 in the fixed part: 0x00010000 then 0x00000000.
if ! od -An -tx1 -v "$work/corvantile.res" | tr -d ' \n' | grep -q "bd04effe0000010000000100000000000000"; then
    echo "the fixed version numbers are not 1.0.0.0"
    exit 1
fi

desktop-file-validate "$source_dir/resources/org.corvantile.Corvantile.desktop"
appstreamcli validate --no-net --pedantic "$build_dir/generated/org.corvantile.Corvantile.metainfo.xml"
grep -q "version=\"$version\"" "$build_dir/generated/org.corvantile.Corvantile.metainfo.xml"
echo "metadata checks passed"
