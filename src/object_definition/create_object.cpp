#include "create_object.h"

#include "common/numbers.h"

#include <algorithm>

namespace corvantile {

Creation createObject(const PixelSource &clip, const GeneratorInputs &inputs)
{
    Creation creation;
    creation.text = objectDefinition(clip, inputs);
    if (!creation.text) {
        creation.refusal =
            QStringLiteral("Nothing created: ") +
            (!strictNumber(inputs.widthText)    ? QStringLiteral("Width is not a number")
             : !strictNumber(inputs.heightText) ? QStringLiteral("Height is not a number")
                                                : QStringLiteral("the region is too large"));
        return creation;
    }
    creation.keptCount = int(creation.text->count(u'='));
    creation.kept = QStringLiteral("%1 pixels kept").arg(creation.keptCount);
    return creation;
}

QString createdAnnouncement(const Creation &creation, bool copied)
{
    return creation.kept + QStringLiteral(". ") +
           (copied ? QStringLiteral("The definition is on the clipboard.")
                   : QStringLiteral("The definition could not be put on the clipboard."));
}

QString createdStatus(const Creation &creation, bool copied)
{
    return QStringLiteral("Created: %1, ").arg(creation.kept) +
           (copied ? QStringLiteral("on the clipboard") : QStringLiteral("not on the clipboard"));
}

QString creationWarnings(int kept, QRect region, QSize screenshot)
{
    QString warnings;
    if (kept < 8)
        warnings += kept == 1
                        ? QStringLiteral("; only 1 pixel: it may match by chance")
                        : QStringLiteral("; only %1 pixels: it may match by chance").arg(kept);
    return warnings + outsideWarning(region, screenshot);
}

QString boundWarnings(const GeneratorInputs &inputs)
{
    QString warnings;
    const auto check = [&warnings](const char *colour, int from, int to) {
        if (from > to)
            warnings += QStringLiteral("; %1 from is above %1 to: no pixel can pass")
                            .arg(QLatin1String(colour));
    };
    check("Red", inputs.redFrom, inputs.redTo);
    check("Green", inputs.greenFrom, inputs.greenTo);
    check("Blue", inputs.blueFrom, inputs.blueTo);
    return warnings;
}

QString outsideWarning(QRect region, QSize screenshot)
{
    QString warnings;
    if (screenshot.isEmpty())
        return warnings;
    // The region's own columns and rows, counted from its corner as its entries are.
    const auto outside = [&warnings](int first, int last, const char *one, const char *many) {
        if (first > last)
            return;
        warnings += first == last ? QStringLiteral("; %1 %2 lies outside the screenshot")
                                        .arg(QLatin1String(one))
                                        .arg(first)
                                  : QStringLiteral("; %1 %2 to %3 lie outside the screenshot")
                                        .arg(QLatin1String(many))
                                        .arg(first)
                                        .arg(last);
    };
    outside(std::max(0, screenshot.width() - region.x()), region.width() - 1, "column", "columns");
    outside(std::max(0, screenshot.height() - region.y()), region.height() - 1, "row", "rows");
    return warnings;
}

} // namespace corvantile
