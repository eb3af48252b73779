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

// The owner's data in the target `choose` picks from its offer, each piece handed to `take`
// as it comes, in one piece or in increments. Received when all of it came; NoPicture when
// nobody holds the clipboard or nothing offered suits; OwnerSilent or Cancelled when a wait
// ended before the owner answered; Refused when the owner refused or `take` refused a piece.
ReadOutcome transfer(SelectionChannel &owner, JobProgress &progress,
                     std::chrono::milliseconds silenceLimit,
                     const std::function<QString(const QStringList &)> &choose,
                     const TakePiece &take)
{
    using Outcome = ReadOutcome;
    using Property = SelectionChannel::Property;
    // A wait for the owner ends early on its silence, or on the user's cancel.
    const auto stopped = [&progress] {
        return progress.cancelled ? Outcome::Cancelled : Outcome::OwnerSilent;
    };
    if (!owner.hasOwner())
        return Outcome::NoPicture;
    bool given = false;
    if (!owner.convert("TARGETS", silenceLimit, progress, given))
        return stopped();
    const QString format = choose(offeredTargets(owner, given));
    if (format.isEmpty())
        return Outcome::NoPicture;

    given = false;
    if (!owner.convert(format.toLatin1(), silenceLimit, progress, given))
        return stopped();
    const Property type = given ? owner.takeProperty(take) : Property::None;
    if (type == Property::None)
        return Outcome::Refused;
    if (type == Property::Incremental) {
        // The owner sends increments, each one after the last was taken, and an empty one at
        // the end.
        for (;;) {
            if (!owner.waitForIncrement(silenceLimit, progress))
                return stopped();
            qint64 length = 0;
            if (owner.takeProperty([&](const char *data, qint64 piece) {
                    length += piece;
                    return take(data, piece);
                }) == Property::None)
                return Outcome::Refused;
            if (length == 0)
                break;
        }
    }
    return Outcome::Received;
}

// The text targets an owner may offer, best first.
const char *const textTargets[] = {"UTF8_STRING", "text/plain;charset=utf-8", "STRING"};

} // namespace

SelectionPicture transferPicture(SelectionChannel &owner, JobProgress &progress,
                                 std::chrono::milliseconds silenceLimit)
{
    return collectPicture(progress, [&](const TakePiece &take) {
        return transfer(owner, progress, silenceLimit, pictureFormat, take);
    });
}

std::optional<QString> transferText(SelectionChannel &owner, JobProgress &progress,
                                    std::chrono::milliseconds silenceLimit)
{
    QString target;
    const auto choose = [&target](const QStringList &offered) {
        for (const char *text : textTargets)
            if (offered.contains(QLatin1String(text)))
                return target = QLatin1String(text);
        return QString();
    };
    const std::optional<QByteArray> bytes = collectText(progress, [&](const TakePiece &take) {
        return transfer(owner, progress, silenceLimit, choose, take);
    });
    if (!bytes)
        return std::nullopt;
    return target == QLatin1String("STRING") ? QString::fromLatin1(*bytes)
                                             : QString::fromUtf8(*bytes);
}

} // namespace corvantile
