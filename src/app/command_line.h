#pragma once

#include <QByteArray>
#include <vector>

namespace corvantile {

// What the command line asks for. Qt reads its own options (-display, -platform, -style, ...)
// from the arguments before `--`; everything after `--` is a file name, even one that looks
// like an option.
struct CommandLine
{
    bool help = false;
    bool version = false;
    QByteArray display;              // the X display named by -display, if any
    std::vector<char *> forQt;       // the program's name and the arguments before `--`
    std::vector<const char *> files; // the arguments after `--`
};

CommandLine readCommandLine(int argc, char *argv[]);

// What is left once Qt has taken its own options from `forQt`: the files named before `--`,
// then those after it. An argument left that starts with "-" is an option nobody knows;
// `unknown` then names it.
std::vector<const char *> namedFiles(const CommandLine &line, int qtArgc, char **qtArgv,
                                     QByteArray &unknown);

// The first option before `--` that neither the program nor Qt knows, looked for before Qt
// has read the arguments (when no display can be reached, say); empty when there is none.
QByteArray unknownOption(const CommandLine &line);

extern const char usageText[];
extern const char helpText[];

} // namespace corvantile
