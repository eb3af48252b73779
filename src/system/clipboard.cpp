#include "clipboard.h"

#include "platform.h"
#include "qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace corvantile {

std::unique_ptr<Clipboard> systemClipboard()
{
    switch (windowSystem()) {
    case WindowSystem::X11:
#ifdef CORVANTILE_HAS_XCB
        return x11Clipboard();
#else
        break;
#endif
    case WindowSystem::Wayland:
        return waylandClipboard();
    case WindowSystem::Windows:
#ifdef Q_OS_WIN
        return windowsClipboard();
#else
        break;
#endif
    case WindowSystem::Other:
        break;
    }
    return std::make_unique<QtClipboard>();
}

Clipboard::PictureRead readGiving(const ClipboardPicture &picture)
{
    return [picture](JobProgress &) { return picture; };
}

QString Clipboard::readText()
{
    return QGuiApplication::clipboard()->text();
}

Clipboard::TextRead Clipboard::beginTextRead(quint64)
{
    return [text = readText()](JobProgress &) { return std::optional<QString>(text); };
}

ClipboardPicture clipboardPicture(const DecodedPicture &decoded)
{
    if (decoded.outcome != ReadOutcome::Decoded)
        return {decoded.outcome, QImage(), false};
    return {ReadOutcome::Decoded, decoded.image, true};
}

} // namespace corvantile
