// Prints the text on the Windows clipboard as the clipboard holds it: the UTF-16LE bytes of
// its Unicode text, without the closing zero, and nothing else. Exits with 1 when there is
// no text.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <fcntl.h>
#include <io.h>

int main()
{
    if (!OpenClipboard(nullptr))
        return 1;
    int status = 1;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto *text = static_cast<const wchar_t *>(GlobalLock(data))) {
            _setmode(_fileno(stdout), _O_BINARY);
            std::fwrite(text, sizeof(wchar_t), std::wcslen(text), stdout);
            std::fflush(stdout);
            GlobalUnlock(data);
            status = 0;
        }
    }
    CloseClipboard();
    return status;
}
