#include "generator.h"

#include "common/numbers.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace corvantile {
namespace {

// The decimal forms of 0 to 999, which cover every peak and the coordinates of any real clip.
struct SmallNumbers
{
    char text[1000][4];
    unsigned char length[1000];
    SmallNumbers()
    {
        for (unsigned v = 0; v < 1000; ++v) {
            const int n = v >= 100 ? 3 : v >= 10 ? 2 : 1;
            length[v] = static_cast<unsigned char>(n);
            unsigned rest = v;
            for (int i = n - 1; i >= 0; --i, rest /= 10)
                text[v][i] = static_cast<char>('0' + rest % 10);
        }
    }
};
const SmallNumbers smallNumbers;

// Writes a non-negative whole number in decimal at out and returns the end. The walk writes
// thousands of them, so this skips every general-purpose formatting path.
inline char *writeNumber(char *out, unsigned value)
{
    if (value < 1000) {
        std::memcpy(out, smallNumbers.text[value], 4); // the room is there; only length counts
        return out + smallNumbers.length[value];
    }
    int length = 1;
    for (unsigned rest = value / 10; rest != 0; rest /= 10)
        ++length;
    char *end = out + length;
    do {
        *--end = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return out + length;
}

// The longest entry: "255=" and two coordinates below ten million, each with its separator.
constexpr size_t longestEntry = 4 + 8 + 8;

// How many of 0, step, 2*step, ... are at most last.
double sampleCount(double last, int step)
{
    return last < 0 ? 0 : std::floor(last / step) + 1;
}

} // namespace

void PixelSource::readRow(int y, int x, int step, int count, ColourValue *out) const
{
    for (int i = 0; i < count; ++i)
        out[i] = point(x + i * step, y);
}

std::optional<SampledGrid> sampledGrid(const GeneratorInputs &inputs)
{
    const std::optional<double> height = strictNumber(inputs.heightText);
    const std::optional<double> width = strictNumber(inputs.widthText);
    if (!height || !width || inputs.step < 1)
        return std::nullopt;
    const double rows = sampleCount(*height - 1, inputs.step);
    const double columns = sampleCount(*width - 1, inputs.step);
    if (rows * columns > maximumSampledPoints)
        return std::nullopt;
    // With no rows or no columns nothing is walked, however large the other side is.
    if (rows == 0 || columns == 0)
        return SampledGrid{0, 0};
    return SampledGrid{static_cast<int>(rows), static_cast<int>(columns)};
}

QString definitionHead(const GeneratorInputs &inputs)
{
    return QStringLiteral(":Object ") + inputs.objectName + QStringLiteral("   // Test at coords ") +
           inputs.topLeftText + QStringLiteral("\r\n");
}

std::optional<QString> objectDefinition(const PixelSource &pixels, const GeneratorInputs &inputs)
{
    const std::optional<SampledGrid> grid = sampledGrid(inputs);
    if (!grid)
        return std::nullopt;
    const int rowCount = grid->rows;
    const int columnCount = grid->columns;
    // Room for every sampled point kept, plus a line feed a row; the bound above keeps this
    // within a few megabytes.
    const size_t capacity =
        static_cast<size_t>(rowCount) * columnCount * longestEntry + static_cast<size_t>(rowCount);
    const auto body = std::make_unique_for_overwrite<char[]>(capacity + 4);
    char *end = body.get();
    const char *rowStart = end;
    walkSamples(
        pixels, inputs, *grid,
        [&end](int x, int y, int peak, bool kept) {
            if (!kept)
                return;
            end = writeNumber(end, static_cast<unsigned>(peak));
            *end++ = '=';
            end = writeNumber(end, static_cast<unsigned>(x));
            *end++ = ',';
            end = writeNumber(end, static_cast<unsigned>(y));
            *end++ = '|';
        },
        [&end, &rowStart] {
            if (end != rowStart) {
                end[-1] = '\r'; // the row's last "|" gives way to the line break
                *end++ = '\n';
            }
            rowStart = end;
        });

    const QString head = definitionHead(inputs);
    const QLatin1StringView rowsText(body.get(), end - body.get());
    const QLatin1StringView endMarker(":End Object ");
    QString text;
    text.reserve(head.size() + rowsText.size() + endMarker.size());
    text += head;
    text += rowsText;
    text += endMarker;
    return text;
}

} // namespace corvantile
