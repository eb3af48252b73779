// The reader of definition texts (a user's script, pasted from the clipboard) on any bytes: it
// never crashes, every entry it gives is a peak of 0 to 255 at a place of the region, and each
// definition it reads, written out again, reads back the same.

#include "object_definition/definition_text.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdlib>

using namespace corvantile;

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

namespace {

// A definition read: a refusal holds no entry; a definition's entries are peaks of 0 to 255 at
// places of the region, and, written out again as Create Object writes it, read back the same.
void checkRead(const DefinitionText &read)
{
    if (!read.error.isEmpty()) {
        check(read.entries.empty() && read.error.startsWith(QLatin1String("Not a definition: ")));
        return;
    }
    QStringList entries;
    for (const DefinitionEntry &e : read.entries) {
        check(e.peak >= 0 && e.peak <= 255 && e.x >= 0 && e.y >= 0);
        entries << QStringLiteral("%1=%2,%3").arg(e.peak).arg(e.x).arg(e.y);
    }
    const DefinitionText again =
        parseDefinition(QStringLiteral(":Object ") + read.name + QStringLiteral("\r\n") +
                        entries.join(u'|') + QStringLiteral("\r\n:End Object "));
    check(again.error.isEmpty() && again.name == read.name &&
          again.entries.size() == read.entries.size());
    for (size_t i = 0; i < read.entries.size(); ++i)
        check(again.entries[i].peak == read.entries[i].peak &&
              again.entries[i].x == read.entries[i].x && again.entries[i].y == read.entries[i].y);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    // Every definition of the text, as a script holds them: at least one reading, the first
    // of them what the reader of one definition gives.
    const std::vector<DefinitionText> all = parseDefinitions(text);
    check(!all.empty());
    const DefinitionText first = parseDefinition(text);
    check(first.error == all.front().error && first.name == all.front().name &&
          first.entries.size() == all.front().entries.size());
    for (const DefinitionText &read : all)
        checkRead(read);
    return 0;
}
