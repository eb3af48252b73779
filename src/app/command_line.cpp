#include "command_line.h"

#include <QByteArrayList>

#include <cstring>

namespace corvantile {

const char usageText[] = "Usage: corvantile [options] [--] [picture file...]\n";

const char helpText[] =
    "Usage: corvantile [options] [--] [picture file...]\n"
    "Turns a small region of a screenshot into a Runewright object definition.\n"
    "\n"
    "Picture files named here (PNG, JPEG, BMP, GIF and the other formats the system reads)\n"
    "are opened in turn, each into the next image buffer, as that many pastes would be.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the version and exit\n"
    "  --             take every argument after it as a file name\n"
    "  -display NAME  the X display to open (also Qt's other options: -platform, -style, ...)\n";

CommandLine readCommandLine(int argc, char *argv[])
{
    CommandLine line;
    line.forQt.push_back(argv[0]);
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (optionsEnded) {
            line.files.push_back(argument);
        } else if (std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            line.help = true;
        } else if (std::strcmp(argument, "--version") == 0) {
            line.version = true;
        } else {
            if ((std::strcmp(argument, "-display") == 0 ||
                 std::strcmp(argument, "--display") == 0) &&
                i + 1 < argc)
                line.display = argv[i + 1];
            line.forQt.push_back(argv[i]);
        }
    }
    line.forQt.push_back(nullptr); // argv ends with a null pointer, as Qt expects
    return line;
}

std::vector<const char *> namedFiles(const CommandLine &line, int qtArgc, char **qtArgv,
                                     QByteArray &unknown)
{
    std::vector<const char *> files;
    for (int i = 1; i < qtArgc; ++i) {
        if (qtArgv[i][0] == '-' && qtArgv[i][1] != '\0') {
            if (unknown.isEmpty())
                unknown = qtArgv[i];
            continue;
        }
        files.push_back(qtArgv[i]);
    }
    files.insert(files.end(), line.files.begin(), line.files.end());
    return files;
}

QByteArray unknownOption(const CommandLine &line)
{
    // Qt's own options, as QGuiApplication and QApplication read them: those followed by a
    // value, then those that stand alone.
    static const QByteArrayList withValue = {"platform",
                                             "platformpluginpath",
                                             "platformtheme",
                                             "plugin",
                                             "qwindowgeometry",
                                             "qwindowicon",
                                             "qwindowtitle",
                                             "session",
                                             "display",
                                             "geometry",
                                             "style",
                                             "stylesheet",
                                             "name",
                                             "title",
                                             "font",
                                             "fn",
                                             "bg",
                                             "background",
                                             "fg",
                                             "foreground",
                                             "btn",
                                             "button",
                                             "visual",
                                             "ncols",
                                             "cmap",
                                             "im",
                                             "inputstyle",
                                             "qmljsdebugger"};
    static const QByteArrayList alone = {"reverse", "nograb",      "dograb",
                                         "sync",    "widgetcount", "testability"};
    const auto end = line.forQt.end() - 1; // the null pointer that ends them
    for (auto at = line.forQt.begin() + 1; at < end; ++at) {
        const QByteArray argument(*at);
        if (!argument.startsWith('-') || argument == "-")
            continue;
        QByteArray name = argument.mid(argument.startsWith("--") ? 2 : 1);
        if (const qsizetype equals = name.indexOf('='); equals >= 0)
            name.truncate(equals);
        if (withValue.contains(name)) {
            if (!argument.contains('='))
                ++at; // its value
            continue;
        }
        if (!alone.contains(name))
            return argument;
    }
    return {};
}

} // namespace corvantile
