#include "generator.h"

#include "common/numbers.h"

#include <cmath>
#include <string>

namespace corvantile {
namespace {

// Appends a non-negative whole number in decimal; the walk writes thousands of them, so this
// skips every general-purpose formatting path.
void appendNumber(std::string &out, unsigned value)
{
    char digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0)
        out.push_back(digits[--n]);
}

// How many of 0, step, 2*step, ... are at most last.
double sampleCount(double last, int step)
{
    return last < 0 ? 0 : std::floor(last / step) + 1;
}

bool within(int value, int from, int to)
{
    return from <= value && value <= to;
}

} // namespace

int peakOf(const Channels &channels)
{
    int peak = channels.red;
    if (channels.green > peak)
        peak = channels.green;
    if (channels.blue > peak)
        peak = channels.blue;
    return peak;
}

std::optional<QString> objectDefinition(const PixelSource &pixels, const GeneratorInputs &inputs)
{
    const std::optional<double> height = strictNumber(inputs.heightText);
    const std::optional<double> width = strictNumber(inputs.widthText);
    if (!height || !width || inputs.step < 1)
        return std::nullopt;

    const double lastRow = *height - 1;
    const double lastColumn = *width - 1;
    const double rows = sampleCount(lastRow, inputs.step);
    const double columns = sampleCount(lastColumn, inputs.step);
    if (rows * columns > maximumSampledPoints)
        return std::nullopt;

    std::string body;
    const int rowCount = static_cast<int>(rows);
    const int columnCount = static_cast<int>(columns);
    for (int r = 0; r < rowCount; ++r) {
        const int y = r * inputs.step;
        const size_t rowStart = body.size();
        for (int c = 0; c < columnCount; ++c) {
            const int x = c * inputs.step;
            const Channels ch = channelsOf(pixels.point(x, y));
            const int peak = peakOf(ch);
            if (peak > inputs.blackFloor && within(ch.red, inputs.redFrom, inputs.redTo) &&
                within(ch.green, inputs.greenFrom, inputs.greenTo) &&
                within(ch.blue, inputs.blueFrom, inputs.blueTo)) {
                appendNumber(body, static_cast<unsigned>(peak));
                body.push_back('=');
                appendNumber(body, static_cast<unsigned>(x));
                body.push_back(',');
                appendNumber(body, static_cast<unsigned>(y));
                body.push_back('|');
            }
        }
        if (body.size() > rowStart) {
            body.back() = '\r'; // the row's last "|" gives way to the line break
            body.push_back('\n');
        }
    }

    QString text = QStringLiteral(":Object ") + inputs.objectName +
                   QStringLiteral("   // Test at coords ") + inputs.topLeftText +
                   QStringLiteral("\r\n");
    text.reserve(text.size() + static_cast<qsizetype>(body.size()) + 12);
    text += QLatin1StringView(body.data(), static_cast<qsizetype>(body.size()));
    text += QStringLiteral(":End Object ");
    return text;
}

} // namespace corvantile
