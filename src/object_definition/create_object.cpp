#include "create_object.h"

#include "common/numbers.h"

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
    creation.kept = QStringLiteral("%1 pixels kept").arg(creation.text->count(u'='));
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

} // namespace corvantile
