#include "x11_session.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
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

X11Session::X11Session() = default;

X11Session::~X11Session()
{
    stopAll();
}

bool X11Session::startServer(QSize size)
{
    // Xvfb picks a free display itself and writes its number to the descriptor given.
    QProcess *xvfb =
        start(QStringLiteral("Xvfb"),
              {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
               QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height()),
               QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!xvfb || !waitFor([&] { return xvfb->waitForReadyRead(50) || xvfb->canReadLine(); }, 10000))
        return false;
    m_display = QStringLiteral(":") + QString::fromLatin1(xvfb->readLine().trimmed());
    return m_display.size() > 1;
}

// The environment of every process the session starts: its own X display, and its Weston
// while that runs; the platform is left to the program (or to the caller).
QProcessEnvironment X11Session::sessionEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (!m_display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), m_display);
    for (auto it = m_waylandEnvironment.cbegin(); it != m_waylandEnvironment.cend(); ++it)
        env.insert(it.key(), it.value());
    return env;
}

bool X11Session::startWeston()
{
    const QString runtime = m_dir.filePath(QStringLiteral("runtime"));
    if (!QDir().mkpath(runtime) ||
        !QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return false;
    const QString socket = QStringLiteral("corvantile-test");
    m_waylandEnvironment = {{QStringLiteral("XDG_RUNTIME_DIR"), runtime}};
    // Weston's window leaves a margin of the X screen free, for the pointer to leave it.
    if (!start(QStringLiteral("weston"),
               {QStringLiteral("--backend=x11-backend.so"), QStringLiteral("--socket=") + socket,
                QStringLiteral("--width=1200"), QStringLiteral("--height=850"),
                QStringLiteral("--idle-time=0")}))
        return false;
    m_waylandEnvironment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    // Weston is ready once its panel is drawn; its socket appears a little before.
    if (!waitFor([&] { return QFile::exists(runtime + QStringLiteral("/") + socket); }, 10000))
        return false;
    QThread::msleep(1500);
    // Weston takes the pointer's place when the pointer enters its window; before that it
    // may stand anywhere. So the pointer leaves the window and comes back in.
    xdotool({QStringLiteral("mousemove"), QStringLiteral("1260"), QStringLiteral("890")});
    QThread::msleep(200);
    xdotool({QStringLiteral("mousemove"), QStringLiteral("600"), QStringLiteral("800")});
    QThread::msleep(200);
    return true;
}

// The window as Weston shows it: its title bar is a plain band of the window colour, the
// client area 3 pixels in from its left and 30 down from its top. Its fourth row is the first
// whole one below the rounded corners and above the icon and the button.
bool X11Session::findWaylandWindow()
{
    const QImage shot = screen();
    const QRgb band = titleBand;
    const auto runAt = [&](int y, int *start) {
        int best = 0;
        for (int x = 0, run = 0; x < shot.width(); ++x) {
            run = shot.pixel(x, y) == band ? run + 1 : 0;
            if (run > best) {
                best = run;
                *start = x - run + 1;
            }
        }
        return best;
    };
    for (int y = 40; y + 4 < shot.height(); ++y) { // below Weston's panel
        int start = 0;
        if (runAt(y, &start) >= 600 && runAt(y + 3, &start) >= 600) {
            m_window = QPoint(start + 3, y + 30);
            return true;
        }
    }
    return false;
}

int X11Session::waylandFrameWidth()
{
    const QImage shot = screen();
    const QPoint frame = m_window - QPoint(3, 30);
    int right = frame.x();
    while (right + 1 < shot.width() && shot.pixel(right + 1, frame.y() + 3) == titleBand)
        ++right;
    return right - frame.x() + 1;
}

QProcess *X11Session::start(const QString &program, const QStringList &arguments,
                            const QHash<QString, QString> &environment)
{
    // Processes that have ended are let go of (a soak starts thousands).
    std::erase_if(m_processes, [this](const std::unique_ptr<QProcess> &p) {
        if (p->state() != QProcess::NotRunning)
            return false;
        if (p.get() == m_owner)
            m_owner = nullptr;
        return true;
    });
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = sessionEnvironment();
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        env.insert(it.key(), it.value());
    process->setProcessEnvironment(env);
    process->start(program, arguments);
    if (!process->waitForStarted(5000)) {
        qWarning("could not start %s", qPrintable(program));
        return nullptr;
    }
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

QByteArray X11Session::run(const QString &program, const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(sessionEnvironment());
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        qWarning("%s %s timed out", qPrintable(program), qPrintable(arguments.join(u' ')));
    }
    return process.readAllStandardOutput();
}

void X11Session::xdotool(const QStringList &arguments)
{
    run(QStringLiteral("xdotool"), arguments);
}

QProcess *X11Session::ownClipboard(const QByteArray &bytes, const QString &target,
                                   bool waitForOffer)
{
    static int files = 0;
    const QString file = m_dir.filePath(QStringLiteral("offer%1").arg(++files));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        return nullptr;
    out.close();
    // The previous owner goes first, so that what is offered next can only be the new offer.
    if (m_owner && m_owner->state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(m_owner->processId()), SIGCONT); // a stopped owner must hear us
        m_owner->terminate();
        m_owner->waitForFinished(3000);
    }
    if (!m_waylandEnvironment.isEmpty()) {
        // wl-copy in the foreground, so that it is the process we keep; it reads the file.
        m_owner = start(QStringLiteral("sh"),
                        {QStringLiteral("-c"),
                         QStringLiteral("exec wl-copy --foreground --type \"$0\" < \"$1\""), target,
                         file});
        const auto listed = [&] {
            return run(QStringLiteral("wl-paste"), {QStringLiteral("--list-types")}, 2000)
                .contains(target.toLatin1());
        };
        return m_owner && waitFor(listed, 5000) ? m_owner : nullptr;
    }
    const QStringList arguments = {QStringLiteral("-quiet"),
                                   QStringLiteral("-selection"),
                                   QStringLiteral("clipboard"),
                                   QStringLiteral("-t"),
                                   target,
                                   QStringLiteral("-i"),
                                   file};
    const auto offered = [&] {
        return run(QStringLiteral("xclip"),
                   {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                    QStringLiteral("-t"), QStringLiteral("TARGETS")},
                   2000)
            .contains(target.toLatin1());
    };
    // An owner that has not shown its offer after a few seconds is replaced by a new one.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_owner = start(QStringLiteral("xclip"), arguments);
        if (!m_owner || !waitForOffer || waitFor(offered, 5000))
            return m_owner;
        qWarning("xclip did not take the clipboard with %s; starting it again", qPrintable(target));
        m_owner->kill();
        m_owner->waitForFinished(3000);
    }
    return nullptr;
}

QProcess *X11Session::ownClipboard(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return ownClipboard(png, QStringLiteral("image/png"));
}

QByteArray X11Session::clipboardText()
{
    if (!m_waylandEnvironment.isEmpty())
        return run(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")});
    return run(QStringLiteral("xclip"),
               {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
}

QProcess *X11Session::startProgram(const QHash<QString, QString> &environment)
{
    QHash<QString, QString> env = environment;
    if (!m_waylandEnvironment.isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    if (m_scale != 1)
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(m_scale));
    QProcess *program = m_program.isEmpty()
                            ? start(qEnvironmentVariable("CORVANTILE_BINARY"), {}, env)
                            : start(m_program, m_programArguments, env);
    if (!program)
        return nullptr;
    if (!m_waylandEnvironment.isEmpty()) {
        if (!waitFor([&] { return findWaylandWindow(); }, 20000))
            return nullptr;
        QThread::msleep(500);
        return program;
    }
    QByteArray id;
    const auto search = [&] {
        id = run(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                  QStringLiteral("--name"), QStringLiteral("Quenby Corvantile")})
                 .trimmed();
        return !id.isEmpty();
    };
    if (!waitFor(search, 20000))
        return nullptr;
    id = id.split('\n').first();
    // Without a window manager the window stands where the program put it.
    const QByteArray geometry =
        run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"),
                                        QStringLiteral("--shell"), QString::fromLatin1(id)});
    int x = -1;
    int y = -1;
    for (const QByteArray &line : geometry.split('\n')) {
        if (line.startsWith("X="))
            x = line.mid(2).toInt();
        if (line.startsWith("Y="))
            y = line.mid(2).toInt();
    }
    if (x < 0 || y < 0)
        return nullptr;
    m_window = QPoint(x, y);
    QThread::msleep(500); // let the first paint land
    return program;
}

void X11Session::click(QPoint inWindow)
{
    const QPoint at = m_window + (QPointF(inWindow) * m_scale).toPoint();
    xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
    QThread::msleep(50);
    xdotool({QStringLiteral("click"), QStringLiteral("1")});
    QThread::msleep(300);
}

void X11Session::typeInto(QPoint inWindow, const QString &text)
{
    click(inWindow);
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
    QThread::msleep(100);
}

void X11Session::typeRegionAndCreate(const QString &corner, const QString &width,
                                     const QString &height)
{
    typeInto(spot::coordsBox, corner);
    typeInto(spot::widthBox, width);
    typeInto(spot::heightBox, height);
    click(spot::everyPixelOption);
    click(spot::createButton);
}

QImage X11Session::screen()
{
    const QString file = m_dir.filePath(QStringLiteral("screen.png"));
    run(QStringLiteral("import"),
        {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:") + file});
    QImage image = QImage(file).convertToFormat(QImage::Format_RGB32);
    image.setColorSpace(QColorSpace()); // the PNG's colour tags are not part of the pixels
    return image;
}

QImage X11Session::screenPart(const QRect &inWindow)
{
    return screen().copy(inWindow.translated(m_window));
}

void X11Session::stopAll()
{
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
        QProcess *p = it->get();
        if (p->state() == QProcess::NotRunning)
            continue;
        ::kill(static_cast<pid_t>(p->processId()), SIGCONT); // a stopped owner must hear us
        p->terminate();
        if (!p->waitForFinished(3000)) {
            p->kill();
            p->waitForFinished(3000);
        }
    }
    m_processes.clear();
    m_owner = nullptr;
    m_waylandEnvironment.clear();
    m_display.clear();
}

} // namespace corvantile::test
