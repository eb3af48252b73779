#include "x11_transfer.h"

#include "picture_stream.h"

namespace corvantile {
namespace {

// What the owner offers, from the TARGETS property it gave (none when it gave nothing).
QStringList offeredTargets(SelectionChannel &owner, bool given)
{
    QByteArray list;
    if (given && owner.takeProperty([&list](const char *value, qint64 length) {
            list.append(value, length);
            return list.size() <= 64 * 1024;
        }) == SelectionChannel::Property::Atoms)
        return owner.atomNames(list.left(list.size() / 4 * 4));
    return {};
}

} // namespace

SelectionPicture transferPicture(SelectionChannel &owner, JobProgress &progress,
                                 std::chrono::milliseconds silenceLimit)
{
    using Outcome = ReadOutcome;
    using Property = SelectionChannel::Property;
    SelectionPicture result;
    result.outcome = Outcome::NoPicture;
    if (!owner.hasOwner())
        return result;
    bool given = false;
    result.outcome = Outcome::Stopped;
    if (!owner.convert("TARGETS", silenceLimit, progress, given))
        return result;
    const QString format = pictureFormat(offeredTargets(owner, given));
    result.outcome = Outcome::NoPicture;
    if (format.isEmpty())
        return result;

    given = false;
    result.outcome = Outcome::Stopped;
    if (!owner.convert(format.toLatin1(), silenceLimit, progress, given))
        return result;
    result.outcome = Outcome::Refused;
    PictureStream picture(&progress.done);
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
                result.outcome = Outcome::Stopped;
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
    result.outcome = Outcome::Picture;
    result.bytes = picture.takeBytes();
    return result;
}

} // namespace corvantile
