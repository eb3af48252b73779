#!/usr/bin/env bash
# Links Corvantile.exe again from its object files (objects/) with another Qt 6.4 for
# MinGW-w64, static or shared, as the LGPL lets a user of a program that links Qt in.
# Usage: bash relink.sh QT_PREFIX    (CXX: the MinGW-w64 C++ compiler, if not on the PATH as g++
# or x86_64-w64-mingw32-g++-posix). Writes Corvantile.exe into this folder.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: relink.sh QT_PREFIX" >&2; exit 2; }
QT=$1
cd "$(dirname "$0")"
if [ -z "${CXX:-}" ]; then
    for candidate in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++ g++; do
        command -v "$candidate" >/dev/null 2>&1 && CXX=$candidate && break
    done
fi
# LINK
# The same objects, linked against a shared Qt: its import libraries, and its DLLs beside the
# program at run time.
shared_link() {
    "$CXX" -O2 -mwindows -o Corvantile.exe "$@" -L"$QT/lib" -lQt6Widgets -lQt6Gui -lQt6Core \
        -lQt6EntryPoint -lshell32
}
if [ -e "$QT/bin/Qt6Core.dll" ]; then
    shared_link "${ours[@]}"
else
    static_link
fi
echo "relinked: $PWD/Corvantile.exe"
