#include "x11_transfer.h"

#include "picture_header.h"

namespace corvantile {

OfferAnswer askOffer(SelectionChannel &owner, std::chrono::milliseconds limit,
                     const ReadProgress &progress, QStringList &targets)
{
    if (!owner.hasOwner())
        return OfferAnswer::NoOwner;
    bool given = false;
    if (!owner.convert("TARGETS", limit, progress, given))
        return OfferAnswer::NoAnswer;
    QByteArray list;
    if (given && owner.takeProperty([&list](const char *value, qint64 length) {
            list.append(value, length);
            return list.size() <= 64 * 1024;
        }) == SelectionChannel::Property::Atoms)
        targets = owner.atomNames(list.left(list.size() / 4 * 4));
    return OfferAnswer::Targets;
}

SelectionPicture transferPicture(SelectionChannel &owner, ReadProgress &progress,
                                 std::chrono::milliseconds silenceLimit)
{
    using Outcome = SelectionPicture::Outcome;
    using Property = SelectionChannel::Property;
    SelectionPicture result;
    QStringList targets;
    switch (askOffer(owner, silenceLimit, progress, targets)) {
    case OfferAnswer::NoOwner:
        result.outcome = Outcome::NoPicture;
        return result;
    case OfferAnswer::NoAnswer:
        result.outcome = Outcome::Stalled;
        return result;
    case OfferAnswer::Targets:
        break;
    }
    const QString format = pictureFormat(targets);
    result.outcome = Outcome::NoPicture;
    if (format.isEmpty())
        return result;

    bool given = false;
    result.outcome = Outcome::Stalled;
    if (!owner.convert(format.toLatin1(), silenceLimit, progress, given))
        return result;
    result.outcome = Outcome::Refused;
    PictureStream picture(&progress.bytesRead);
    const auto take = [&picture](const char *data, qint64 length) {
        return picture.take(data, length);
    };
    const Property type = given ? owner.takeProperty(take) : Property::None;
    if (type == Property::None)
        return result;
    if (type == Property::Incremental) {
        // The owner sends increments, each one after the last was taken, and an empty one at
        // the end.
        for (;;) {
            if (!owner.waitForIncrement(silenceLimit, progress)) {
                result.outcome = Outcome::Stalled;
                return result;
            }
            qint64 length = 0;
            if (owner.takeProperty([&](const char *data, qint64 piece) {
                    length += piece;
                    return picture.take(data, piece);
                }) == Property::None)
                return result;
            if (length == 0)
                break;
        }
    }
    if (!picture.finish())
        return result;
    result.outcome = Outcome::Bytes;
    result.bytes = picture.bytes();
    return result;
}

} // namespace corvantile
