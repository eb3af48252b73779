#pragma once

#include "object_definition/definition_check.h"

#include <QString>
#include <vector>

namespace corvantile {

// A definition read back from its text: as Create Object writes it, and as a Runewright script
// holds it. Its first line begins ":Object " and names the object (a comment may follow), its
// last line is ":End Object ", and every line between holds entries "peak=x,y" joined by "|";
// blank lines are passed over, and the lines may end in CR LF or LF.
struct DefinitionText
{
    QString name;
    std::vector<DefinitionEntry> entries;
    // Why the text is no definition ("Not a definition: line 3 is not peak=x,y"); empty when it
    // is one. A peak outside 0 to 255, or a place with a negative or an absurd coordinate, is
    // no entry.
    QString error;
};

DefinitionText parseDefinition(const QString &text);

} // namespace corvantile
