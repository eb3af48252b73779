#pragma once

#include "object_definition/generator.h"

#include <QString>
#include <optional>

namespace corvantile {

// One press of Create Object: the definition of the region, or why there is none.
struct Creation
{
    std::optional<QString> text;
    QString refusal; // the status line's words when there is no text
    QString kept;    // "N pixels kept" (one "=" in each entry)
};

Creation createObject(const PixelSource &clip, const GeneratorInputs &inputs);

// What a screen reader is told, and the status line shows, once the definition is made and
// either on the clipboard or not.
QString createdAnnouncement(const Creation &creation, bool copied);
QString createdStatus(const Creation &creation, bool copied);

} // namespace corvantile
