#pragma once

#include "object_definition/generator.h"

#include <QRect>
#include <QString>
#include <optional>

namespace corvantile {

// One press of Create Object: the definition of the region, or why there is none.
struct Creation
{
    std::optional<QString> text;
    QString refusal; // the status line's words when there is no text
    QString kept;    // "N pixels kept" (one "=" in each entry)
    int keptCount = 0;
};

Creation createObject(const PixelSource &clip, const GeneratorInputs &inputs);

// What a screen reader is told, and the status line shows, once the definition is made and
// either on the clipboard or not.
QString createdAnnouncement(const Creation &creation, bool copied);
QString createdStatus(const Creation &creation, bool copied);

// What the status line adds after that where the definition will mislead: so few pixels kept
// that it may match by chance, or a region (its corner and size in the screenshot) that
// reaches past the screenshot's right or bottom edge, whose columns or rows there are written
// for pixels that are not in the screenshot. Empty when neither.
QString creationWarnings(int kept, QRect region, QSize screenshot);
// The second of those alone: "; columns 150 to 199 lie outside the screenshot", or empty.
QString outsideWarning(QRect region, QSize screenshot);
// "; Red from is above Red to: no pixel can pass", for each colour whose bounds are the wrong
// way round; empty when none is.
QString boundWarnings(const GeneratorInputs &inputs);

} // namespace corvantile
