#!/usr/bin/env bash
# Checks what Windows is given in Corvantile.exe: it imports only DLLs that Windows itself
# ships, it is stripped, and it carries its version resource and its icon of four images.
# Argument: the .exe.
set -euo pipefail
exe=$1
objdump=x86_64-w64-mingw32-objdump

# DLLs of Windows 10 and 11 themselves; anything else (the C++ runtime, Qt) would have to be
# shipped beside the .exe.
system_dlls='^(advapi32|authz|comdlg32|d3d11|d3d9|dwmapi|dwrite|dxgi|gdi32|imm32|kernel32|msvcrt|netapi32|ole32|oleaut32|shcore|shell32|shlwapi|user32|userenv|uxtheme|version|winmm|ws2_32|wtsapi32|api-ms-win-[a-z0-9-]+)\.dll$'
dlls=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
[[ -n "$dlls" ]] || { echo "no imports found in $exe"; exit 1; }
while read -r dll; do
    if ! [[ "$dll" =~ $system_dlls ]]; then
        echo "$exe imports $dll, which Windows does not ship"
        exit 1
    fi
done <<<"$dlls"

if "$objdump" -h "$exe" | grep -q '\.debug'; then
    echo "$exe is not stripped"
    exit 1
fi

# The resources: the version strings are UTF-16LE, readable once the zero bytes are gone.
strings=$(tr -d '\0' <"$exe")
for text in 'FileVersion1.00' 'ProductVersion1.00' 'ProductNameCorvantile' \
    'InternalNameCorvantile' 'OriginalFilenameCorvantile.exe' '040904b0' \
    'FileDescriptionCorvantile' 'CompanyNameThe Corvantile developers' \
    'LegalCopyrightCopyright (C) the Corvantile developers'; do
    if ! grep -qaF "$text" <<<"$strings"; then
        echo "the version resource lacks $text"
        exit 1
    fi
done
# The icon group lists the window's four images (16 and 32 pixels, each in 16 and in 256
# colours) and the same art at 24, 48 and 256 pixels in 32 bits, for Explorer.
if ! wrestool -l "$exe" | grep -q -- '--type=14'; then
    echo "$exe has no icon"
    exit 1
fi
images=$(wrestool -l --type=3 "$exe" | grep -c -- '--type=3')
# The manifest: run as invoker, on Windows 10 and 11, per-monitor aware, long paths.
manifest=$(wrestool -x --raw --type=24 --name=1 "$exe" | tr -d '\r')
for part in 'level="asInvoker"' '8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a' 'PerMonitorV2' \
    '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true'; do
    grep -qF "$part" <<<"$manifest" || { echo "the manifest lacks $part"; exit 1; }
done
[[ "$images" == 7 ]] || { echo "$exe has $images icon images, not 7"; exit 1; }
# The group's entries, 14 bytes each after a 6-byte head: the width first (0 stands for 256).
sizes=$(wrestool -x --raw --type=14 "$exe" | od -An -tu1 -v -w14 -j6 | awk '{ printf "%d ", $1 ? $1 : 256 }')
[[ "$sizes" == "16 16 32 32 24 48 256 " ]] ||
    { echo "$exe's icon has the sizes $sizes"; exit 1; }
echo "$exe: $(wc <<<"$dlls" -l) system DLLs, stripped, version 1.00, icon of 16 to 256 pixels, manifest"
