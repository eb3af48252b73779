#include "desktop.h"

#include <csignal>

namespace corvantile::test {
namespace {

// Polls until the condition holds or the time is up.
template <typename Condition> bool waitFor(Condition condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

// The colour of the window's title bar on Wayland: the palette's window colour.
constexpr QRgb titleBand = 0xffefefef;

} // namespace

QStringList words(const QString &line)
{
    return line.split(u' ', Qt::SkipEmptyParts);
}

void requireTools(const QString &programs, const QString &variables)
{
    for (const QString &program : words(programs))
        QVERIFY2(!QStandardPaths::findExecutable(program).isEmpty() || QFile::exists(program),
                 qPrintable(program + QStringLiteral(" is not installed")));
    for (const QString &variable : words(variables))
        QVERIFY2(QFile::exists(qEnvironmentVariable(qPrintable(variable))),
                 qPrintable(variable + QStringLiteral(" names nothing")));
}

bool Display::start(QSize size)
{
    // Xvfb picks a free display itself and writes its number to the descriptor given.
    QProcess *xvfb = start(QStringLiteral("Xvfb"),
                           words(QStringLiteral("-displayfd 1 -screen 0 %1x%2x24 -nolisten tcp")
                                     .arg(size.width())
                                     .arg(size.height())));
    if (!xvfb || !waitFor([&] { return xvfb->waitForReadyRead(50) || xvfb->canReadLine(); }, 10000))
        return false;
    m_display = QStringLiteral(":") + QString::fromLatin1(xvfb->readLine().trimmed());
    return m_display.size() > 1;
}

bool Display::startWayland(const QString &compositor, int scale)
{
    if (scale != 1 && compositor != QLatin1String("weston"))
        return false;
    const QString runtime = filePath(QStringLiteral("runtime"));
    if (!QDir().mkpath(runtime) ||
        !QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return false;
    const QString socket = QStringLiteral("corvantile-test");
    m_waylandEnvironment = {{QStringLiteral("XDG_RUNTIME_DIR"), runtime}};
    // Each compositor's command, where its own panel ends (windows stand below it), and a place
    // on its screen where no window will stand.
    struct Compositor
    {
        QString command;
        int panelHeight;
        QPoint free;
    };
    const QString kwin = filePath(QStringLiteral("kwin_wayland"));
    const QHash<QString, Compositor> compositors = {
        // Weston's window leaves a margin of the X screen free, for the pointer to leave it.
        {QStringLiteral("weston"),
         {QStringLiteral("weston --backend=x11-backend.so --socket=%1 --width=1200 --height=850 "
                         "--idle-time=0"),
          40, QPoint(600, 800)}},
        {QStringLiteral("mutter"),
         {QStringLiteral("mutter --nested --wayland --no-x11 --wayland-display=%1"), 0,
          QPoint(780, 590)}},
        {QStringLiteral("kwin_wayland"),
         {kwin + QStringLiteral(" --socket %1 --x11-display %2 --width 1200 --height 850 "
                                "--no-lockscreen --no-global-shortcuts --no-kactivities"),
          0, QPoint(1150, 820)}},
    };
    const Compositor chosen = compositors.value(compositor);
    if (chosen.command.isEmpty())
        return false;
    m_panelHeight = chosen.panelHeight * scale;
    m_waylandScale = scale;
    if (compositor != QLatin1String("weston")) {
        // mutter and KWin want a session bus; one of their own, ended by its id like the rest.
        QProcess *bus = start(QStringLiteral("dbus-daemon"),
                              words(QStringLiteral("--session --nofork --print-address=1")));
        if (!bus || !bus->waitForReadyRead(5000))
            return false;
        m_waylandEnvironment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                                    QString::fromLatin1(bus->readLine().trimmed()));
    }
    // Debian's kwin_wayland carries a file capability (to raise its priority) that a container
    // may not grant, and then does not start; a copy without it starts anywhere.
    if (compositor == QLatin1String("kwin_wayland") &&
        !QFile::copy(QStandardPaths::findExecutable(QStringLiteral("kwin_wayland")), kwin))
        return false;
    const QStringList command =
        words(QString(chosen.command)
                  .replace(QLatin1String("%1"), socket)
                  .replace(QLatin1String("%2"), m_display)) +
        (scale != 1 ? QStringList{QStringLiteral("--scale=%1").arg(scale)} : QStringList());
    QProcess *server = start(command.first(), command.mid(1));
    if (!server)
        return false;
    m_waylandEnvironment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    // The compositor is ready once its first picture is drawn; its socket appears a little
    // before.
    if (!waitFor([&] { return QFile::exists(runtime + u'/' + socket); }, 10000))
        return false;
    QThread::msleep(1500);
    // The compositor takes the pointer's place when the pointer enters its window; before
    // that it may stand anywhere. So the pointer leaves the window and comes back in, where no
    // window will stand.
    xdotool(QStringLiteral("mousemove %1 %2 sleep 0.2 mousemove %3 %4 sleep 0.2")
                .arg(1260 * scale)
                .arg(890 * scale)
                .arg(chosen.free.x() * scale)
                .arg(chosen.free.y() * scale));
    return true;
}

QProcess *Display::start(const QString &program, const QStringList &arguments,
                         const QHash<QString, QString> &environment)
{
    // Processes that have ended are let go of now and then (a soak starts thousands); a
    // caller's pointer to one it started stays valid for a good many starts after.
    if (m_processes.size() > 64)
        std::erase_if(m_processes,
                      [](const auto &p) { return p->state() == QProcess::NotRunning; });
    // Every process has this display, and the compositor while one runs; the platform is left to
    // the program (or to the caller).
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (!m_display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), m_display);
    for (const QHash<QString, QString> *extra :
         {&std::as_const(m_waylandEnvironment), &environment})
        for (auto it = extra->cbegin(); it != extra->cend(); ++it)
            env.insert(it.key(), it.value());
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env);
    process->start(program, arguments);
    if (!process->waitForStarted(5000)) {
        qWarning("could not start %s", qPrintable(program));
        return nullptr;
    }
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

QByteArray Display::run(const QString &program, const QStringList &arguments, int timeoutMs)
{
    QProcess *process = start(program, arguments);
    if (!process)
        return {};
    if (!process->waitForFinished(timeoutMs)) {
        qWarning("%s %s timed out", qPrintable(program), qPrintable(arguments.join(u' ')));
        end(process);
    }
    return process->readAllStandardOutput();
}

QImage Display::screen()
{
    const QString file = filePath(QStringLiteral("screen.png"));
    run(QStringLiteral("import"), words(QStringLiteral("-window root png:") + file));
    QImage image = QImage(file).convertToFormat(QImage::Format_RGB32);
    image.setColorSpace(QColorSpace()); // the PNG's colour tags are not part of the pixels
    return image;
}

void Display::end(QProcess *process)
{
    if (!process || process->state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(process->processId()), SIGCONT);
    process->terminate();
    if (!process->waitForFinished(3000)) {
        process->kill();
        process->waitForFinished(3000);
    }
}

void Display::stopAll()
{
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it)
        end(it->get());
    m_processes.clear();
    m_waylandEnvironment.clear();
    m_display.clear();
}

QProcess *ClipboardOwner::offer(const QByteArray &bytes, const QString &target, bool waitForOffer)
{
    static int files = 0;
    const QString file = m_display.filePath(QStringLiteral("offer%1").arg(++files));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        return nullptr;
    out.close();
    // The previous owner goes first, so that what is offered next can only be the new offer.
    Display::end(m_owner);
    const bool wayland = m_display.wayland();
    const auto offered = [&] {
        const QStringList list = wayland
                                     ? QStringList{QStringLiteral("--list-types")}
                                     : words(QStringLiteral("-o -selection clipboard -t TARGETS"));
        return m_display
            .run(wayland ? QStringLiteral("wl-paste") : QStringLiteral("xclip"), list, 2000)
            .contains(target.toLatin1());
    };
    // An owner that has not shown its offer after a few seconds is replaced by a new one: xclip
    // may lose a race for the selection, and wl-copy's surface may not get the focus it needs.
    for (int attempt = 0; attempt < 3; ++attempt) {
        // wl-copy in the foreground, so that it is the process we keep; it reads the file.
        m_owner = wayland ? m_display.start(QStringLiteral("sh"),
                                            {QStringLiteral("-c"),
                                             QStringLiteral("exec wl-copy --foreground --type "
                                                            "\"$0\" < \"$1\""),
                                             target, file})
                          : m_display.start(
                                QStringLiteral("xclip"),
                                words(QStringLiteral("-quiet -selection clipboard -t ") + target) +
                                    QStringList{QStringLiteral("-i"), file});
        if (!m_owner || !waitForOffer || waitFor(offered, 5000))
            return m_owner;
        qWarning("The clipboard was not taken with %s; offering it again", qPrintable(target));
        Display::end(m_owner);
    }
    return nullptr;
}

QProcess *ClipboardOwner::offer(const QImage &image)
{
    return offer(pngBytes(image), QStringLiteral("image/png"));
}

QByteArray ClipboardOwner::text()
{
    if (m_display.wayland())
        return m_display.run(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")});
    return m_display.run(QStringLiteral("xclip"), words(QStringLiteral("-o -selection clipboard")));
}

QProcess *ProgramDriver::start(const QHash<QString, QString> &environment)
{
    QHash<QString, QString> env = environment;
    if (m_display.wayland())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    if (m_scale != 1)
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(m_scale));
    QProcess *program = m_program.isEmpty()
                            ? m_display.start(qEnvironmentVariable("CORVANTILE_BINARY"), {}, env)
                            : m_display.start(m_program, m_arguments, env);
    if (!program)
        return nullptr;
    if (m_display.wayland()) {
        if (!waitFor([&] { return findWaylandWindow(); }, 20000))
            return nullptr;
    } else {
        // Without a window manager the window stands where the program put it.
        QByteArray geometry;
        const auto found = [&] {
            geometry = m_display.run(QStringLiteral("xdotool"),
                                     words(QStringLiteral("search --onlyvisible --name "
                                                          "Quenby getwindowgeometry --shell")));
            return geometry.contains("X=");
        };
        if (!waitFor(found, 20000))
            return nullptr;
        for (const QByteArray &line : geometry.split('\n')) {
            if (line.startsWith("X="))
                m_window.setX(line.mid(2).toInt());
            if (line.startsWith("Y="))
                m_window.setY(line.mid(2).toInt());
        }
    }
    QThread::msleep(500); // let the first paint land
    return program;
}

QProcess *ProgramDriver::startWith(const QImage &picture)
{
    const QString file = m_display.filePath(QStringLiteral("shot.png"));
    if (!picture.save(file))
        return nullptr;
    setProgram(qEnvironmentVariable("CORVANTILE_BINARY"), {file});
    return start();
}

// The window as a compositor shows it: its title bar is a plain band of the window colour, the
// client area 3 layout pixels in from its left and 30 down from its top. Its fourth row (in
// layout pixels) is the first whole one below the rounded corners and above the icon and the
// button.
bool ProgramDriver::findWaylandWindow()
{
    const QImage shot = m_display.screen();
    const auto runAt = [&](int y, int *start) {
        int best = 0;
        for (int x = 0, run = 0; x < shot.width(); ++x) {
            run = shot.pixel(x, y) == titleBand ? run + 1 : 0;
            if (run > best) {
                best = run;
                *start = x - run + 1;
            }
        }
        return best;
    };
    for (int y = m_display.panelHeight(); y + 4 < shot.height(); ++y) {
        int start = 0;
        if (runAt(y, &start) >= 600 && runAt(y + 3 * m_display.waylandScale(), &start) >= 600) {
            m_window = QPoint(start, y) + QPoint(3, 30) * m_display.waylandScale();
            return true;
        }
    }
    return false;
}

int ProgramDriver::waylandFrameWidth()
{
    const QImage shot = m_display.screen();
    const int scale = m_display.waylandScale();
    const QPoint frame = m_window - QPoint(3, 30) * scale;
    int right = frame.x();
    while (right + 1 < shot.width() && shot.pixel(right + 1, frame.y() + 3 * scale) == titleBand)
        ++right;
    return right - frame.x() + 1;
}

void ProgramDriver::click(QPoint inWindow)
{
    const QPoint at = m_window + (QPointF(inWindow) * m_scale).toPoint();
    m_display.xdotool(
        QStringLiteral("mousemove %1 %2 sleep 0.05 click 1 sleep 0.3").arg(at.x()).arg(at.y()));
}

bool ProgramDriver::paste(const QImage &shot)
{
    click(spot::pasteButton);
    const QRect corner(spot::viewPicture, QSize(20, 30));
    return waitFor([&] { return screenPart(corner).pixel(10, 5) == shot.pixel(10, 5); }, 15000);
}

void ProgramDriver::typeInto(QPoint inWindow, const QString &text)
{
    click(inWindow);
    m_display.xdotool(QStringLiteral("key ctrl+a"));
    m_display.run(QStringLiteral("xdotool"),
                  {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
    QThread::msleep(100);
}

void ProgramDriver::typeRegionAndCreate(const QString &corner, const QString &width,
                                        const QString &height)
{
    typeInto(spot::coordsBox, corner);
    typeInto(spot::widthBox, width);
    typeInto(spot::heightBox, height);
    click(spot::everyPixelOption);
    click(spot::createButton);
}

} // namespace corvantile::test
