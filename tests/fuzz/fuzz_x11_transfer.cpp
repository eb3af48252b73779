// The X11 clipboard transfer, driven by a scripted owner instead of an X server: what it offers
// (TARGETS), whether it answers, the kind and pieces of each property, incremental transfers
// and floods. Whatever the owner does, the read ends, and bytes it hands on are a picture
// whose header allows them. What input is left then drives a read of the clipboard's text,
// which ends too and never holds more than its limit.

#define CORVANTILE_FUZZ_PICTURE_LIMIT
#include "fuzz_input.h"
#include "system/picture_header.h"
#include "system/x11_transfer.h"

#include <QByteArray>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

using namespace corvantile;
using corvantile::fuzz::Reader;
using std::chrono::milliseconds;

namespace {

const std::array<const char *, 8> atomNamesKnown = {
    "TARGETS", "image/png", "image/bmp", "text/plain", "UTF8_STRING", "image/jpeg", "INCR", "x"};

class ScriptedOwner : public SelectionChannel
{
public:
    explicit ScriptedOwner(Reader &in) : in(in) {}

    bool hasOwner() override { return in.byte() % 8 != 0; }

    bool convert(const QByteArray &, milliseconds, const JobProgress &, bool &given) override
    {
        const int answer = in.byte() % 16;
        given = answer != 1;
        return answer != 0; // 0: the owner stays silent
    }

    Property takeProperty(const std::function<bool(const char *, qint64)> &take) override
    {
        const int kind = in.byte() % 8;
        const Property property = kind == 0   ? Property::None
                                  : kind == 1 ? Property::Incremental
                                  : kind == 2 ? Property::Atoms
                                              : Property::Data;
        for (int pieces = 1 + in.byte() % 4; pieces > 0; --pieces) {
            QByteArray piece;
            if (in.byte() % 16 == 0 && flooded < 32 * 1024 * 1024) {
                // A flood: one byte over and over, up to 1 MiB a piece.
                piece = QByteArray(1 + in.uint16() * 16, char(in.byte()));
                flooded += piece.size();
            } else {
                piece = in.take(size_t(in.uint16() % 4096));
            }
            if (property != Property::Incremental && !take(piece.constData(), piece.size()))
                return Property::None;
        }
        return property;
    }

    bool waitForIncrement(milliseconds, const JobProgress &) override
    {
        return !in.over() && in.byte() % 16 != 0;
    }

    QStringList atomNames(const QByteArray &atoms) override
    {
        QStringList names;
        for (qsizetype at = 0; at + 4 <= atoms.size(); at += 4)
            names << QString::fromLatin1(atomNamesKnown[size_t(quint8(atoms[at])) % 8]);
        return names;
    }

private:
    Reader &in;
    qint64 flooded = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Reader in{data, size};
    ScriptedOwner owner(in);
    JobProgress progress;
    const SelectionPicture picture = transferPicture(owner, progress, milliseconds(2000));
    if (picture.outcome == ReadOutcome::Received) {
        const PictureHeader header = readPictureHeader(picture.bytes, true);
        if (picture.bytes.isEmpty() || progress.done != picture.bytes.size() ||
            header.says != PictureHeader::Says::Declared || picture.bytes.size() > header.mostBytes)
            std::abort();
    }
    ScriptedOwner textOwner(in);
    JobProgress textProgress;
    const std::optional<QString> text = transferText(textOwner, textProgress, milliseconds(2000));
    if (text && (text->size() > textLimitBytes || textProgress.done > textLimitBytes))
        std::abort();
    return 0;
}
