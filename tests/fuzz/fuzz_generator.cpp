// The object definition generator on small random images, inputs and bounds, checked against
// what every definition must be.

#include "fuzz_input.h"
#include "object_definition/generator.h"
#include "support/grid_source.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <cstdlib>

namespace {

using corvantile::fuzz::Reader;

[[noreturn]] void fail()
{
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Reader in{data, size};
    const int width = in.byte() % 12;
    const int height = in.byte() % 12;
    corvantile::GeneratorInputs inputs;
    inputs.step = 1 + in.byte() % 2;
    inputs.blackFloor = in.byte() % 2 ? -1 : 0;
    // Bounds mostly near the colour range, sometimes anywhere in 16 bits.
    int16_t *bounds[] = {&inputs.redFrom, &inputs.redTo,    &inputs.greenFrom,
                         &inputs.greenTo, &inputs.blueFrom, &inputs.blueTo};
    for (int16_t *b : bounds)
        *b = in.byte() % 4 == 0 ? in.int16()
                                : static_cast<int16_t>(in.byte() - 1 + (in.byte() % 2) * 255);
    // Sizes as text: sometimes larger than the image, sometimes not numbers at all.
    const char *sizeTexts[] = {"", "abc", "-1", "0", "2.5", "1e1", " 3 ", "13"};
    const int widthChoice = in.byte() % 10;
    const int heightChoice = in.byte() % 10;
    inputs.widthText = widthChoice < 8 ? QString::fromLatin1(sizeTexts[widthChoice])
                                       : QString::number(width + widthChoice - 8);
    inputs.heightText = heightChoice < 8 ? QString::fromLatin1(sizeTexts[heightChoice])
                                         : QString::number(height + heightChoice - 8);
    inputs.objectName = QStringLiteral("Fuzz");
    inputs.topLeftText = QStringLiteral("1, 2");
    QList<corvantile::ColourValue> values;
    for (int i = 0; i < width * height; ++i)
        values << (in.byte() % 8 == 0 ? 0 : (in.byte() | in.byte() << 8 | in.byte() << 16));
    const corvantile::test::GridSource source(width, values);

    const auto text = corvantile::objectDefinition(source, inputs);
    if (!text)
        return 0;
    const QByteArray bytes = text->toUtf8();
    const QByteArray head = ":Object Fuzz   // Test at coords 1, 2\r\n";
    if (!bytes.startsWith(head) || !bytes.endsWith(":End Object "))
        fail();
    const QByteArray body = bytes.mid(head.size(), bytes.size() - head.size() - 12);
    if (!body.isEmpty() && !body.endsWith("\r\n"))
        fail();
    // The walk's last column and row; the texts are numbers, or there would be no definition.
    const double lastColumn = inputs.widthText.trimmed().toDouble() - 1;
    const double lastRow = inputs.heightText.trimmed().toDouble() - 1;
    int lastY = -1;
    for (const QByteArray &line : body.split('\n')) {
        if (line.isEmpty())
            continue; // what follows the last line break
        if (!line.endsWith('\r') || line == "\r")
            fail(); // no empty line
        const QByteArray row = line.chopped(1);
        if (row.startsWith('|') || row.endsWith('|'))
            fail();
        int lastX = -1;
        int rowY = -1;
        for (const QByteArray &entry : row.split('|')) {
            const qsizetype eq = entry.indexOf('=');
            const qsizetype comma = entry.indexOf(',');
            if (eq <= 0 || comma <= eq)
                fail();
            const int peak = entry.left(eq).toInt();
            const int x = entry.mid(eq + 1, comma - eq - 1).toInt();
            const int y = entry.mid(comma + 1).toInt();
            // Coordinates inside the walked area, on the sampling grid, in reading order.
            if (x % inputs.step || y % inputs.step || x > lastColumn || y > lastRow || x <= lastX)
                fail();
            if (rowY >= 0 && y != rowY)
                fail();
            rowY = y;
            lastX = x;
            // The pixel itself satisfies every rule the entry stands for.
            const corvantile::Channels c = corvantile::channelsOf(source.point(x, y));
            if (peak != corvantile::peakOf(c) || peak <= inputs.blackFloor)
                fail();
            if (c.red < inputs.redFrom || c.red > inputs.redTo || c.green < inputs.greenFrom ||
                c.green > inputs.greenTo || c.blue < inputs.blueFrom || c.blue > inputs.blueTo)
                fail();
        }
        if (rowY <= lastY)
            fail();
        lastY = rowY;
    }
    return 0;
}
