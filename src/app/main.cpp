#include "app/command_line.h"
#include "common/background_job.h"
#include "common/stored_picture.h"
#include "main_window/form1.h"
#include "system/client_frame.h"
#include "system/platform.h"
#include "system/quit_on_signal.h"
#include "version.h"

#include <QApplication>
#include <cstdio>
#include <memory>

using namespace corvantile;

namespace {

int run(CommandLine &line)
{
    int qtArgc = int(line.forQt.size()) - 1;
    QApplication app(qtArgc, line.forQt.data());
    QApplication::setApplicationName(QStringLiteral("Corvantile"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANTILE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.corvantile.Corvantile"));
    QByteArray unknown;
    const std::vector<const char *> named = namedFiles(line, qtArgc, line.forQt.data(), unknown);
    if (!unknown.isEmpty()) {
        reachTerminal();
        std::fprintf(stderr, "corvantile: unknown option %s\n%s", unknown.constData(), usageText);
        return 2;
    }
    quitOnTerminationSignals(app);
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &app, [&app] { endProgram(app); });
    // Whatever work is still at its end when the window is gone (a cancelled read, a search,
    // a compression) is told to stop and joined, while the application still stands.
    const struct WorkJoin
    {
        ~WorkJoin()
        {
            BackgroundJob::joinAll();
            StoredPicture::waitForCompression();
        }
    } workJoin;
    // On Wayland the window sits in a frame of its own, which outlives it.
    std::unique_ptr<QWidget> frame;
    Form1 window;
    if (QWidget *shown = showFixedWindow(&window); shown != &window)
        frame.reset(shown);
    quitWhenWindowDestroyed(app, frame ? *frame : static_cast<QWidget &>(window));
    // Picture files named on the command line are opened as that many pastes would take them.
    QList<PicturePath> files;
    for (const char *file : named)
        files << PicturePath::fromArgument(file);
    window.openPictures(files);
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    CommandLine line = readCommandLine(argc, argv);
    if (line.help || line.version)
        reachTerminal();
    if (line.help) {
        std::fputs(helpText, stdout);
        return 0;
    }
    if (line.version) {
        std::printf("corvantile %s\n", CORVANTILE_VERSION);
        return 0;
    }
    if (const QString problem = displayProblem(line.display); !problem.isEmpty()) {
        // An unknown option is told as such, display or not.
        if (const QByteArray unknown = unknownOption(line); !unknown.isEmpty()) {
            std::fprintf(stderr, "corvantile: unknown option %s\n%s", unknown.constData(),
                         usageText);
            return 2;
        }
        std::fprintf(stderr, "corvantile: %s\n", qPrintable(problem));
        return 1;
    }
    return run(line);
}
