// A Windows program for the tests under Wine. With no argument it prints the text on the
// Windows clipboard as the clipboard holds it: the UTF-16LE bytes of its Unicode text, without
// the closing zero (exit 1 when there is none). "foreground" prints the active window's title.
// "offer KIND [PNG]" puts a 23 x 10 bitmap of that kind on the clipboard (with the PNG file
// beside it for png-dibv5) and prints the colours GDI's GetPixel reads from it: "W H", then
// each row's pixels as RRGGBB.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

namespace {

constexpr int width = 23, height = 10;

void put(std::vector<char> &out, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(char(value >> (8 * i)));
}

// The colour each kind draws at (x, y): varied, with the low bits of every channel in use.
std::uint32_t colourAt(int x, int y)
{
    return std::uint32_t((x * 37 + y * 11 + 5) & 0xff) << 16 |
           std::uint32_t((x * 13 + y * 53 + 9) & 0xff) << 8 |
           std::uint32_t((x * 71 + y * 29 + 3) & 0xff);
}

// A packed device-independent bitmap (header, masks or colour table, rows) of the kind, and
// the clipboard format it goes under.
std::vector<char> bitmap(const std::string &kind, UINT &format)
{
    const bool v5 = kind.rfind("dibv5", 0) == 0 || kind == "png-dibv5";
    const bool topDown = kind == "top-down";
    const int bits = kind == "565" ? 16 : kind == "palette" ? 8 : topDown ? 24 : 32;
    const bool masked = kind == "565" || kind == "bitfields" || v5;
    std::uint32_t masks[4] = {0x00ff0000, 0x0000ff00, 0x000000ff, v5 ? 0xff000000u : 0};
    if (kind == "565")
        masks[0] = 0xf800, masks[1] = 0x07e0, masks[2] = 0x001f;
    if (kind == "bitfields") // red in the low byte, as some programs write them
        masks[0] = 0x000000ff, masks[2] = 0x00ff0000;
    std::vector<char> dib;
    put(dib, v5 ? sizeof(BITMAPV5HEADER) : sizeof(BITMAPINFOHEADER), 4);
    put(dib, width, 4);
    put(dib, std::uint32_t(topDown ? -height : height), 4);
    put(dib, 1, 2);
    put(dib, std::uint32_t(bits), 2);
    put(dib, masked ? BI_BITFIELDS : BI_RGB, 4);
    for (int i = 0; i < 3; ++i)
        put(dib, 0, 4);               // image size, resolution
    put(dib, bits == 8 ? 256 : 0, 4); // colours used
    put(dib, 0, 4);                   // colours important
    if (v5) {
        for (const std::uint32_t mask : masks)
            put(dib, mask, 4);
        put(dib, 0x73524742, 4);            // LCS_sRGB, "sRGB"
        dib.resize(sizeof(BITMAPV5HEADER)); // end points, gamma, intent, profile: zero
    } else if (masked) {
        for (int i = 0; i < 3; ++i)
            put(dib, masks[i], 4);
    }
    if (bits == 8)
        for (int i = 0; i < 256; ++i)
            put(dib, colourAt(i % width, i / width), 4);
    const int stride = (width * bits / 8 + 3) & ~3;
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        const std::size_t start = dib.size();
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = colourAt(x, y);
            const std::uint32_t r = c >> 16, g = c >> 8 & 0xff, b = c & 0xff;
            if (bits == 8)
                put(dib, std::uint32_t((x + y * width) % 256), 1);
            else if (bits == 16)
                put(dib, (r >> 3) << 11 | (g >> 2) << 5 | b >> 3, 2);
            else if (bits == 24)
                put(dib, c, 3);
            else if (kind == "bitfields")
                put(dib, b << 16 | g << 8 | r, 4);
            else // alpha: opaque, or falling across the picture
                put(dib, c | std::uint32_t(kind == "dibv5-alpha" ? x * 11 : 255) << 24, 4);
        }
        dib.resize(start + std::size_t(stride));
    }
    format = v5 ? CF_DIBV5 : CF_DIB;
    return dib;
}

bool setClipboard(UINT format, const void *bytes, std::size_t size)
{
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, size);
    void *to = global ? GlobalLock(global) : nullptr;
    if (!to)
        return false;
    std::memcpy(to, bytes, size);
    GlobalUnlock(global);
    return SetClipboardData(format, global) != nullptr;
}

int offer(const std::string &kind, const char *png)
{
    UINT format = 0;
    const std::vector<char> dib = bitmap(kind, format);
    std::vector<char> pngBytes;
    if (png) {
        if (FILE *file = std::fopen(png, "rb")) {
            char chunk[4096];
            for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
                pngBytes.insert(pngBytes.end(), chunk, chunk + n);
            std::fclose(file);
        }
        if (pngBytes.empty())
            return 2;
    }
    if (!OpenClipboard(nullptr) || !EmptyClipboard())
        return 1;
    bool ok = setClipboard(format, dib.data(), dib.size());
    if (png)
        ok = ok && setClipboard(RegisterClipboardFormatA("PNG"), pngBytes.data(), pngBytes.size());
    CloseClipboard();
    if (!ok)
        return 1;
    // What GDI reads from the same bitmap, drawn by GDI into a bitmap of the screen's kind.
    const auto *info = reinterpret_cast<const BITMAPINFO *>(dib.data());
    const auto *header = reinterpret_cast<const BITMAPINFOHEADER *>(dib.data());
    std::size_t pixelsAt = header->biSize + (header->biBitCount == 8 ? 256 * 4 : 0);
    if (header->biSize == sizeof(BITMAPINFOHEADER) && header->biCompression == BI_BITFIELDS)
        pixelsAt += 12;
    HDC screen = GetDC(nullptr);
    HBITMAP device = CreateCompatibleBitmap(screen, width, height);
    HDC memory = CreateCompatibleDC(screen);
    SelectObject(memory, device);
    if (SetDIBitsToDevice(memory, 0, 0, width, height, 0, 0, 0, height, dib.data() + pixelsAt, info,
                          DIB_RGB_COLORS) != height)
        return 3;
    std::printf("%d %d\n", width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = GetPixel(memory, x, y);
            std::printf("%02x%02x%02x%c", GetRValue(c), GetGValue(c), GetBValue(c),
                        x + 1 < width ? ' ' : '\n');
        }
    }
    DeleteDC(memory);
    DeleteObject(device);
    ReleaseDC(nullptr, screen);
    return 0;
}

int printClipboardText()
{
    if (!OpenClipboard(nullptr))
        return 1;
    int status = 1;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto *text = static_cast<const wchar_t *>(GlobalLock(data))) {
            std::fwrite(text, sizeof(wchar_t), std::wcslen(text), stdout);
            std::fflush(stdout);
            GlobalUnlock(data);
            status = 0;
        }
    }
    CloseClipboard();
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    _setmode(_fileno(stdout), _O_BINARY); // the bytes as written, lines ending in LF
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "foreground") {
        char title[256] = {};
        GetWindowTextA(GetForegroundWindow(), title, sizeof title);
        std::printf("%s\n", title);
        return 0;
    }
    if (command == "offer" && argc > 2)
        return offer(argv[2], argc > 3 ? argv[3] : nullptr);
    return printClipboardText();
}
