#pragma once

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
inline const QPoint pasteButton(591 + 40, 145 + 16);
inline const QPoint createButton(217 + 40, 378 + 14);
inline const QPoint everyPixelOption(302 + 10 + 6, 367 + 17 + 6);
inline const QPoint widthBox(584 + 7 + 40, 62 + 13 + 9);
inline const QPoint heightBox(584 + 7 + 40, 107 + 13 + 9);
inline const QPoint coordsBox(584 + 7 + 40, 18 + 13 + 9);
inline const QPoint redFromBox(141 + 14, 350 + 9);
inline const QPoint viewPicture(3 + 2 + 2, 4 + 2 + 2); // picScroll, its border, PicInner's
inline const QRect firstSlot(578 + 6 + 1, 198 + 14 + 1, 44, 43);
inline const QRect secondSlot(578 + 55 + 1, 198 + 14 + 1, 44, 43);
inline const QRect thirdSlot(578 + 6 + 1, 198 + 62 + 1, 44, 43);
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
