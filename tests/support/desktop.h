#pragma once

#include "main_window/layout.h"
#include "test_images.h"

#include <QtCore>
#include <QtGui>
#include <QtTest>

#include <memory>
#include <vector>

// The real program on a real desktop: a display of its own, another process that owns the
// clipboard, and the program driven with real input. Every process is ended by its own id.
namespace corvantile::test {

// Where the main window's client area has things, in its own layout coordinates.
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
inline const QRect firstSlot = slot(0), secondSlot = slot(1), thirdSlot = slot(2);
} // namespace spot

// The words of a command line, split at blanks.
QStringList words(const QString &line);

// Fails the test unless every program named (on the path, or by its own path) is installed
// and every environment variable named names something that exists.
void requireTools(const QString &programs,
                  const QString &variables = QStringLiteral("CORVANTILE_BINARY"));

// An Xvfb of its own on a free display, optionally with a Wayland compositor inside it, and the
// processes started on it; it ends them all, the X server last.
class Display
{
public:
    Display() = default;
    Display(const Display &) = delete;
    ~Display() { stopAll(); }

    bool start(QSize size = QSize(1024, 768));
    // Starts a Wayland compositor inside the X server, so that it has a seat, a keyboard and a
    // clipboard that xdotool's input reaches: weston (its x11 backend), mutter or kwin_wayland
    // (nested, on a session bus of their own), with a runtime folder and socket of its own. Every
    // program started afterwards is a Wayland client of it.
    // Weston can be given a scale of its own, as a scaled screen has.
    bool startWayland(const QString &compositor = QStringLiteral("weston"), int scale = 1);
    // Where the compositor's own panel ends: windows stand below it.
    int panelHeight() const { return m_panelHeight; }
    int waylandScale() const { return m_waylandScale; }
    bool wayland() const { return !m_waylandEnvironment.isEmpty(); }
    const QString &name() const { return m_display; }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Starts a program on the display.
    QProcess *start(const QString &program, const QStringList &arguments,
                    const QHash<QString, QString> &environment = {});
    QByteArray run(const QString &program, const QStringList &arguments, int timeoutMs = 10000);
    void xdotool(const QString &line) { run(QStringLiteral("xdotool"), words(line)); }
    QImage screen();
    // Ends a process: a stopped one is woken first, so that it hears the request.
    static void end(QProcess *process);
    void stopAll();

private:
    QTemporaryDir m_dir;
    QString m_display;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QHash<QString, QString> m_waylandEnvironment; // set while a compositor runs
    int m_panelHeight = 0;
    int m_waylandScale = 1;
};

// Another process that owns the clipboard: xclip on X11, wl-copy on Wayland.
class ClipboardOwner
{
public:
    explicit ClipboardOwner(Display &display) : m_display(display) {}

    // Offers the bytes under the target, after the previous owner has been ended; returns the
    // owner once the offer can be seen from outside (or at once, when waitForOffer is false: a
    // caller that may itself hold the clipboard must not block while it is asked).
    QProcess *offer(const QByteArray &bytes, const QString &target, bool waitForOffer = true);
    QProcess *offer(const QImage &image);
    // The clipboard's text, read from outside.
    QByteArray text();

private:
    Display &m_display;
    QPointer<QProcess> m_owner;
};

// The program (the real Corvantile, or another command such as Wine with the Windows build)
// on the display, driven with real input through xdotool.
class ProgramDriver
{
public:
    explicit ProgramDriver(Display &display) : m_display(display) {}

    // The program to start in place of $CORVANTILE_BINARY.
    void setProgram(const QString &program, const QStringList &arguments)
    {
        m_program = program;
        m_arguments = arguments;
    }
    // The scale the program is started at (QT_SCALE_FACTOR): click() and typeInto() then take
    // layout positions in the window, as the spots are; everything else counts screen pixels.
    void setScale(qreal scale) { m_scale = scale; }
    // Starts the program and waits for its window; window() is then its client area's
    // top-left corner on the screen.
    QProcess *start(const QHash<QString, QString> &environment = {});
    // Starts the real program with the picture as a file named on its command line.
    QProcess *startWith(const QImage &picture);
    QPoint window() const { return m_window; }
    // On Wayland: finds the window on the compositor's screen by its title bar, and the outer width
    // of the window with its title bar as seen on screen.
    bool findWaylandWindow();
    int waylandFrameWidth();

    void click(QPoint inWindow);
    // Clicks "Paste Image From Clipboard" and waits until the view shows the shot's corner.
    bool paste(const QImage &shot);
    // Clicks a text box, selects all it holds and types the text in its place.
    void typeInto(QPoint inWindow, const QString &text);
    // Types the region's corner, width and height, chooses "Every Pixel" and presses
    // "Create Object".
    void typeRegionAndCreate(const QString &corner, const QString &width, const QString &height);
    QImage screenPart(const QRect &inWindow)
    {
        return m_display.screen().copy(inWindow.translated(m_window));
    }

private:
    Display &m_display;
    QString m_program;
    QStringList m_arguments;
    qreal m_scale = 1;
    QPoint m_window;
};

// The three together, as most tests use them.
struct Desktop
{
    Display display;
    ClipboardOwner clipboard{display};
    ProgramDriver program{display};
};

} // namespace corvantile::test
