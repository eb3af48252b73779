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

} // namespace

DefinitionText parseDefinition(const QString &text)
{
    QStringList lines = text.split(u'\n');
    for (QString &line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    // What follows the end marker, if anything, is only line breaks and blanks.
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    const QLatin1StringView head(":Object ");
    if (lines.isEmpty() || !lines.first().startsWith(head))
        return refused(QStringLiteral("line 1 does not begin \":Object \""));
    if (lines.size() < 2 || lines.last().trimmed() != QLatin1StringView(":End Object"))
        return refused(QStringLiteral("it does not end with \":End Object \""));
    DefinitionText definition;
    const QStringView afterHead = QStringView(lines.first()).sliced(head.size());
    const qsizetype comment = afterHead.indexOf(u"//");
    definition.name = (comment < 0 ? afterHead : afterHead.first(comment)).trimmed().toString();
    for (qsizetype n = 1; n + 1 < lines.size(); ++n) {
        const QStringView line = QStringView(lines[n]).trimmed();
        if (line.isEmpty())
            continue;
        for (const QStringView item : line.split(u'|')) {
            const auto read = entry(item);
            if (!read)
                return refused(QStringLiteral("line %1 is not peak=x,y").arg(n + 1));
            definition.entries.push_back(*read);
        }
    }
    return definition;
}

} // namespace corvantile
