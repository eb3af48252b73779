#pragma once

#include "object_definition/definition_check.h"

#include <QString>
#include <vector>

namespace corvantile {

// A definition read back from its text: as Create Object writes it, and as a Runewright script
// holds it. Its first line begins ":Object " (after any indentation) and names the object (a
// comment may follow), its last line is ":End Object ", and every line between holds entries
// "peak=x,y" joined by "|"; blank lines are passed over.
struct DefinitionText
{
    QString name;
    std::vector<DefinitionEntry> entries;
    // Why the text is no definition ("Not a definition: line 3 is not peak=x,y"); empty when it
    // is one. A peak outside 0 to 255, or a place with a negative or an absurd coordinate, is
    // no entry.
    QString error;
};

// The first definition a text holds, or why it holds none.
DefinitionText parseDefinition(const QString &text);

// Every definition a text holds, wherever it stands in a script: indented, between other
// lines, several in a row, with CR, LF or CR LF line ends. Lines outside the definitions are
// passed over. A definition that is itself broken comes with its error, the others are read
// all the same; when the text holds more than one, each error names its definition ("Not a
// definition: line 14 (in CloseButton) is not peak=x,y"). A text that holds none gives one
// error.
std::vector<DefinitionText> parseDefinitions(const QString &text);

} // namespace corvantile
