#pragma once

#include "main_window/layout.h"

#include <QHash>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QSize>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace corvantile::test {

// Where the main window's client area has things, in its own coordinates.
namespace spot {
inline QPoint middle(std::string_view control)
{
    return layout::inWindow(control).center();
}
inline const QPoint pasteButton = middle("Command1");
inline const QPoint createButton = middle("btnCreate");
inline const QPoint everyPixelOption = layout::inWindow("Option1").topLeft() + QPoint(6, 6);
inline const QPoint widthBox = middle("txtWidth");
inline const QPoint heightBox = middle("txtHeight");
inline const QPoint coordsBox = middle("txtCoords");
inline const QPoint redFromBox = middle("txtRedFrom");
// The screenshot's first pixel at 1x: inside the viewport's border and the view's.
inline const QPoint viewPicture = layout::inWindow("picScroll").topLeft() + QPoint(4, 4);
// A slot's picture, inside its border.
inline QRect slot(int i)
{
    return layout::inWindow(layout::slotName(i)).adjusted(1, 1, -1, -1);
}
inline const QRect firstSlot = slot(0);
inline const QRect secondSlot = slot(1);
inline const QRect thirdSlot = slot(2);
} // namespace spot

// An Xvfb of its own on a free display, with the programs a test starts on it: the real
// Corvantile, xclip as the clipboard's owner, xdotool for real input. Every process it starts
// is ended by its own id, the X server last.
class X11Session
{
public:
    X11Session();
    ~X11Session();

    bool startServer(QSize size = QSize(1024, 768));
    // Starts Weston inside the X server (its x11 backend, so that it has a seat, a keyboard and
    // a clipboard that xdotool's input reaches), with a runtime folder and socket of its own.
    // Every program started afterwards is a Wayland client of it: the clipboard's owner is
    // wl-copy, and the program runs on Qt's Wayland platform.
    bool startWeston();
    const QString &display() const { return m_display; }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Starts a program on the display. The pointer stays valid until the next start() after
    // the program has ended.
    QProcess *start(const QString &program, const QStringList &arguments,
                    const QHash<QString, QString> &environment = {});
    QByteArray run(const QString &program, const QStringList &arguments, int timeoutMs = 10000);
    void xdotool(const QStringList &arguments);

    // Another process (xclip) takes the clipboard and offers the bytes under the target, after
    // the previous xclip owner has been ended; returns it once the offer can be seen from
    // outside (or at once, when waitForOffer is false: a caller that may itself hold the
    // clipboard must not block while it is asked).
    QProcess *ownClipboard(const QByteArray &bytes, const QString &target,
                           bool waitForOffer = true);
    QProcess *ownClipboard(const QImage &image);
    QByteArray clipboardText();

    // The program that startProgram() starts, in place of $CORVANTILE_BINARY (Wine with the
    // Windows build, say).
    void setProgram(const QString &program, const QStringList &arguments)
    {
        m_program = program;
        m_programArguments = arguments;
    }
    // Starts the program from $CORVANTILE_BINARY and waits for its window.
    QProcess *startProgram(const QHash<QString, QString> &environment = {});
    QPoint window() const { return m_window; }
    // Finds the program's window on Weston's screen by its title bar; window() is then its
    // client area's top-left corner.
    bool findWaylandWindow();
    // The outer width of the window with its title bar on Wayland, as seen on screen.
    int waylandFrameWidth();

    // The scale the program is started at (QT_SCALE_FACTOR): click() and typeInto() then take
    // layout positions in the window, as the spots are; everything else counts screen pixels.
    void setScale(qreal scale) { m_scale = scale; }

    void click(QPoint inWindow);
    // Clicks a text box, selects all it holds and types the text in its place.
    void typeInto(QPoint inWindow, const QString &text);
    // Types the region's corner, width and height, chooses "Every Pixel" and presses
    // "Create Object".
    void typeRegionAndCreate(const QString &corner, const QString &width, const QString &height);
    QImage screen();
    QImage screenPart(const QRect &inWindow);

    void stopAll();

private:
    QTemporaryDir m_dir;
    QString m_display;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QProcess *m_owner = nullptr; // the xclip that last took the clipboard
    QPoint m_window;
    qreal m_scale = 1;
    QString m_program;
    QStringList m_programArguments;
    QHash<QString, QString> m_waylandEnvironment; // set while Weston runs

    QProcessEnvironment sessionEnvironment() const;
};

} // namespace corvantile::test
