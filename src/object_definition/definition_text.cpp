#include "definition_text.h"

#include <QStringList>
#include <optional>

namespace corvantile {
namespace {

// A coordinate as an entry writes it: decimal digits only; a region is at most a few thousand
// pixels across, so more than seven digits is no coordinate.
std::optional<int> digits(QStringView text, int most)
{
    if (text.isEmpty() || text.size() > 7)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > most)
        return std::nullopt;
    return value;
}

// One "peak=x,y" entry.
std::optional<DefinitionEntry> entry(QStringView text)
{
    const qsizetype equals = text.indexOf(u'=');
    const qsizetype comma = text.indexOf(u',');
    if (equals < 0 || comma < equals)
        return std::nullopt;
    const auto peak = digits(text.first(equals), 255);
    const auto x = digits(text.sliced(equals + 1, comma - equals - 1), 9999999);
    const auto y = digits(text.sliced(comma + 1), 9999999);
    if (!peak || !x || !y)
        return std::nullopt;
    return DefinitionEntry{*peak, *x, *y};
}

DefinitionText refused(const QString &why)
{
    DefinitionText definition;
    definition.error = QStringLiteral("Not a definition: ") + why;
    return definition;
}

const QLatin1StringView head(":Object ");

// The text's lines, whatever ends them: CR LF, LF or CR alone.
QList<QStringView> linesOf(const QString &text)
{
    QList<QStringView> lines;
    const QStringView all(text);
    qsizetype from = 0;
    for (qsizetype at = 0; at < all.size(); ++at) {
        if (all[at] != u'\r' && all[at] != u'\n')
            continue;
        lines << all.sliced(from, at - from);
        if (all[at] == u'\r' && at + 1 < all.size() && all[at + 1] == u'\n')
            ++at;
        from = at + 1;
    }
    lines << all.sliced(from);
    return lines;
}

bool beginsDefinition(QStringView line)
{
    return line.trimmed().startsWith(head) || line.trimmed() == head.trimmed();
}

bool endsDefinition(QStringView line)
{
    return line.trimmed() == QLatin1StringView(":End Object");
}

// The definition whose head is line `first` (from 0), up to the line before `stop`: its name,
// its entries up to its end marker, or why it is broken. `where` names it in the errors of a
// text of several.
DefinitionText readOne(const QList<QStringView> &lines, qsizetype first, qsizetype stop,
                       bool several)
{
    const QStringView afterHead = lines[first].trimmed().sliced(head.size() - 1).trimmed();
    const qsizetype comment = afterHead.indexOf(u"//");
    const QString name = (comment < 0 ? afterHead : afterHead.first(comment)).trimmed().toString();
    const QString in = several ? QStringLiteral(" (in %1)").arg(name) : QString();
    DefinitionText definition;
    definition.name = name;
    for (qsizetype n = first + 1; n < stop; ++n) {
        const QStringView line = lines[n].trimmed();
        if (endsDefinition(line))
            return definition;
        if (line.isEmpty())
            continue;
        for (const QStringView item : line.split(u'|')) {
            const auto read = entry(item);
            if (!read) {
                DefinitionText broken =
                    refused(QStringLiteral("line %1%2 is not peak=x,y").arg(n + 1).arg(in));
                broken.name = several ? name : QString();
                return broken;
            }
            definition.entries.push_back(*read);
        }
    }
    DefinitionText broken =
        refused(several ? QStringLiteral("%1, from line %2, does not end with \":End Object \"")
                              .arg(name)
                              .arg(first + 1)
                        : QStringLiteral("it does not end with \":End Object \""));
    broken.name = several ? name : QString();
    return broken;
}

} // namespace

std::vector<DefinitionText> parseDefinitions(const QString &text)
{
    const QList<QStringView> lines = linesOf(text);
    std::vector<qsizetype> heads;
    for (qsizetype n = 0; n < lines.size(); ++n)
        if (beginsDefinition(lines[n]))
            heads.push_back(n);
    if (heads.empty()) {
        qsizetype first = 0;
        while (first + 1 < lines.size() && lines[first].trimmed().isEmpty())
            ++first;
        return {refused(QStringLiteral("line %1 does not begin \":Object \"").arg(first + 1))};
    }
    std::vector<DefinitionText> definitions;
    for (size_t i = 0; i < heads.size(); ++i)
        definitions.push_back(readOne(
            lines, heads[i], i + 1 < heads.size() ? heads[i + 1] : lines.size(), heads.size() > 1));
    return definitions;
}

DefinitionText parseDefinition(const QString &text)
{
    return parseDefinitions(text).front();
}

} // namespace corvantile
