#include "object_definition/bounds.h"
#include "object_definition/definition_check.h"
#include "object_definition/definition_search.h"
#include "object_definition/definition_text.h"
#include "object_definition/generator.h"
#include "support/grid_source.h"

#include <QImage>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>

using namespace corvantile;
using namespace corvantile::test;

namespace {

// The 2 x 2 clip of the worked example: red, black, 1EC80A and 050000.
const GridSource example(2, {255, 0, 2017290, 327680});

GeneratorInputs exampleInputs()
{
    GeneratorInputs in;
    in.objectName = QStringLiteral("MappedObject");
    in.topLeftText = QStringLiteral("10, 20");
    in.widthText = QStringLiteral("2");
    in.heightText = QStringLiteral("2");
    in.step = 1;
    in.blackFloor = 0;
    return in;
}

const QByteArray header = ":Object MappedObject   // Test at coords 10, 20\r\n";
const QByteArray endMarker = ":End Object ";

QByteArray run(const PixelSource &source, const GeneratorInputs &in)
{
    const auto text = objectDefinition(source, in);
    return text ? text->toUtf8() : QByteArray("<failed>");
}

// The entries of a definition's rows, as a macro tool reads them: "peak=x,y" joined by "|".
std::vector<DefinitionEntry> entriesOf(const QString &definition)
{
    std::vector<DefinitionEntry> entries;
    const QStringList lines = definition.split(QStringLiteral("\r\n"));
    for (const QString &line : lines.mid(1, lines.size() - 2))
        for (const QString &entry : line.split(u'|')) {
            const QStringList parts = entry.split(QRegularExpression(QStringLiteral("[=,]")));
            entries.push_back({parts[0].toInt(), parts[1].toInt(), parts[2].toInt()});
        }
    return entries;
}

// A picture of made-up colours (the same every time), with a few black pixels and a flat band.
QImage checkedPicture()
{
    QImage picture(40, 30, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            picture.setPixel(x, y, 0xff000000u | (seed >> 8));
        }
    for (int x = 0; x < 40; x += 7)
        picture.setPixel(x, 3, qRgb(0, 0, 0));
    for (int x = 0; x < 40; ++x)
        for (int y = 24; y < 30; ++y)
            picture.setPixel(x, y, qRgb(30, 120, 60));
    return picture;
}

} // namespace

class tst_Generator : public QObject
{
    Q_OBJECT
private slots:
    void workedExample_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("blackFloor");
        QTest::addColumn<int>("redTo");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("as given") << 1 << 0 << 255
                                  << header + "255=0,0\r\n200=0,1|5=1,1\r\n" + endMarker;
        QTest::newRow("Include checked")
            << 1 << -1 << 255 << header + "255=0,0|0=1,0\r\n200=0,1|5=1,1\r\n" + endMarker;
        QTest::newRow("Every Other Pixel") << 2 << 0 << 255 << header + "255=0,0\r\n" + endMarker;
        QTest::newRow("redTo 200") << 1 << 0 << 200 << header + "200=0,1|5=1,1\r\n" + endMarker;
    }

    void workedExample()
    {
        QFETCH(int, step);
        QFETCH(int, blackFloor);
        QFETCH(int, redTo);
        QFETCH(QByteArray, expected);
        GeneratorInputs in = exampleInputs();
        in.step = step;
        in.blackFloor = blackFloor;
        in.redTo = static_cast<std::int16_t>(redTo);
        QCOMPARE(run(example, in), expected);
    }

    void bounds_data()
    {
        // One pixel of red 100, green 150, blue 200 (peak 200), judged against the bounds:
        // redFrom, redTo, greenFrom, greenTo, blueFrom, blueTo.
        QTest::addColumn<QList<int>>("bounds");
        QTest::addColumn<bool>("kept");
        QTest::newRow("defaults") << QList<int>{0, 255, 0, 255, 0, 255} << true;
        QTest::newRow("red at the lower bound") << QList<int>{100, 255, 0, 255, 0, 255} << true;
        QTest::newRow("red at the upper bound") << QList<int>{0, 100, 0, 255, 0, 255} << true;
        QTest::newRow("red just below") << QList<int>{101, 255, 0, 255, 0, 255} << false;
        QTest::newRow("red just above") << QList<int>{0, 99, 0, 255, 0, 255} << false;
        QTest::newRow("green exact") << QList<int>{0, 255, 150, 150, 0, 255} << true;
        QTest::newRow("green outside") << QList<int>{0, 255, 151, 255, 0, 255} << false;
        QTest::newRow("blue exact") << QList<int>{0, 255, 0, 255, 200, 200} << true;
        QTest::newRow("blue outside") << QList<int>{0, 255, 0, 255, 0, 199} << false;
        QTest::newRow("from above to keeps nothing")
            << QList<int>{200, 100, 0, 255, 0, 255} << false;
        QTest::newRow("negative and huge bounds")
            << QList<int>{-32768, 32767, -5, 300, 0, 255} << true;
    }

    void bounds()
    {
        QFETCH(QList<int>, bounds);
        QFETCH(bool, kept);
        const GridSource pixel(1, {100 | 150 << 8 | 200 << 16});
        GeneratorInputs in = exampleInputs();
        in.widthText = in.heightText = QStringLiteral("1");
        std::int16_t *fields[] = {&in.redFrom, &in.redTo,    &in.greenFrom,
                                  &in.greenTo, &in.blueFrom, &in.blueTo};
        for (int i = 0; i < 6; ++i)
            *fields[i] = static_cast<std::int16_t>(bounds[i]);
        QCOMPARE(run(pixel, in), header + (kept ? "200=0,0\r\n" : "") + endMarker);
    }

    void sampling_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QByteArray>("body");
        const struct
        {
            const char *tag;
            int step;
            const char *width, *height, *body;
        } rows[] = {
            {"every other, width 5", 2, "5", "1", "9=0,0|9=2,0|9=4,0\r\n"},
            {"every other, width 4", 2, "4", "1", "9=0,0|9=2,0\r\n"},
            {"every other, rows", 2, "1", "3", "9=0,0\r\n9=0,2\r\n"},
            {"every pixel, width 4", 1, "4", "1", "9=0,0|9=1,0|9=2,0|9=3,0\r\n"},
            {"width 2.5 samples columns 0 and 1", 1, "2.5", "1", "9=0,0|9=1,0\r\n"},
            {"width 0", 1, "0", "3", ""},
            {"negative height", 1, "3", "-2", ""},
            {"blanks around the numbers", 1, " 2 ", " 1", "9=0,0|9=1,0\r\n"},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << r.step << QString::fromLatin1(r.width)
                                 << QString::fromLatin1(r.height) << QByteArray(r.body);
    }

    void sampling()
    {
        QFETCH(int, step);
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QByteArray, body);
        const GridSource grey(5, QList<ColourValue>(25, 0x090909));
        GeneratorInputs in = exampleInputs();
        in.step = step;
        in.widthText = width;
        in.heightText = height;
        QCOMPARE(run(grey, in), header + body + endMarker);
    }

    // The kept view shows exactly the pixels Create Object writes, at every sampling, black
    // setting and bound, and with a size typed larger than the clip.
    void keptPixelsAreTheDefinitions_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("blackFloor");
        QTest::addColumn<int>("redFrom");
        QTest::addColumn<QString>("width");
        for (int step : {1, 2})
            for (int floor : {0, -1})
                for (int redFrom : {0, 120})
                    for (const char *width : {"11", "14"})
                        QTest::addRow("step %d, floor %d, red from %d, width %s", step, floor,
                                      redFrom, width)
                            << step << floor << redFrom << QString::fromLatin1(width);
    }

    void keptPixelsAreTheDefinitions()
    {
        QFETCH(int, step);
        QFETCH(int, blackFloor);
        QFETCH(int, redFrom);
        QFETCH(QString, width);
        const QImage region = checkedPicture().copy(0, 0, 11, 9);
        const PicturePixels source(region);
        GeneratorInputs in = exampleInputs();
        in.step = step;
        in.blackFloor = blackFloor;
        in.redFrom = std::int16_t(redFrom);
        in.widthText = width;
        in.heightText = QStringLiteral("9");
        const auto kept = keptPixels(source, in, region.size());
        const auto text = objectDefinition(source, in);
        QVERIFY(kept && text);
        const std::vector<DefinitionEntry> written = entriesOf(*text);
        QCOMPARE(kept->kept(), int(written.size()));
        for (size_t i = 0; i < written.size(); ++i) {
            QCOMPARE(kept->entries[i].peak, written[i].peak);
            QCOMPARE(QPoint(kept->entries[i].x, kept->entries[i].y),
                     QPoint(written[i].x, written[i].y));
        }
        QCOMPARE(kept->sampled, ((width.toInt() - 1) / step + 1) * (8 / step + 1));
        // Read back as a user's script holds it, the text gives the same entries: on its own,
        // and indented between other lines of a script, after another definition, with CR LF
        // line ends.
        QString indented = *text;
        indented.replace(QLatin1String("\r\n"), QLatin1String("\r\n    "));
        const QString script = QStringLiteral("Loop, 3\r\n:Object Other\r\n1=0,0\r\n"
                                              ":End Object \r\nIf Found\r\n    ") +
                               indented + QStringLiteral("\r\nMouseClick, left\r\n");
        const std::vector<DefinitionText> inScript = parseDefinitions(script);
        QCOMPARE(inScript.size(), size_t(2));
        QCOMPARE(inScript[0].name, QStringLiteral("Other"));
        for (const DefinitionText &read : {parseDefinition(*text), inScript[1]}) {
            QCOMPARE(read.error, QString());
            QCOMPARE(read.name, in.objectName);
            QCOMPARE(int(read.entries.size()), kept->kept());
            for (size_t i = 0; i < read.entries.size(); ++i)
                QCOMPARE(std::tuple(read.entries[i].peak, read.entries[i].x, read.entries[i].y),
                         std::tuple(kept->entries[i].peak, kept->entries[i].x, kept->entries[i].y));
        }
        // Point by point: kept where an entry is, dropped where sampled, dimmed elsewhere; the
        // view shows a kept pixel in its own colour.
        const QImage view = keptView(region, *kept);
        const int scale = keptViewScale(region.size());
        QCOMPARE(view.size(), region.size() * scale);
        for (int y = 0; y < region.height(); ++y)
            for (int x = 0; x < region.width(); ++x) {
                const bool sampled = x % step == 0 && y % step == 0;
                const bool entry = std::any_of(written.begin(), written.end(),
                                               [&](auto e) { return e.x == x && e.y == y; });
                QCOMPARE(kept->fate(x, y), !sampled ? KeptPixels::Fate::NotSampled
                                           : entry  ? KeptPixels::Fate::Kept
                                                    : KeptPixels::Fate::Dropped);
                // A square of the view: flat in the pixel's colour when kept, flat and dimmed
                // when not sampled, a red cross when dropped.
                const QImage square = view.copy(x * scale, y * scale, scale, scale);
                const QRgb colour = region.pixel(x, y);
                const QRgb dim = qRgb((qRed(colour) + 256) / 3, (qGreen(colour) + 256) / 3,
                                      (qBlue(colour) + 256) / 3);
                QImage flat(scale, scale, QImage::Format_RGB32);
                flat.fill(!sampled ? dim : colour);
                QCOMPARE(square == flat, sampled ? entry : true);
                if (sampled && !entry)
                    QCOMPARE(square.pixel(0, 0), qRgb(255, 0, 0));
            }
    }

    // Definitions cut from a picture are found again where they were cut, and wherever else
    // the picture holds the same peaks.
    void findsCutDefinitions_data()
    {
        QTest::addColumn<QRect>("cut");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("changeOne"); // one of the definition's pixels, after the cut
        QTest::addColumn<QList<QPoint>>("places");
        QTest::addColumn<QString>("words");
        QTest::newRow("once, inside") << QRect(12, 5, 6, 4) << 1 << false << QList<QPoint>{{12, 5}}
                                      << QStringLiteral("Found at 1 place: 12, 5");
        QTest::newRow("every other pixel")
            << QRect(3, 8, 9, 7) << 2 << false << QList<QPoint>{{3, 8}}
            << QStringLiteral("Found at 1 place: 3, 8");
        QTest::newRow("touching the right and bottom border")
            << QRect(34, 18, 6, 6) << 1 << false << QList<QPoint>{{34, 18}}
            << QStringLiteral("Found at 1 place: 34, 18");
        QTest::newRow("touching the left and top border")
            << QRect(0, 0, 5, 3) << 1 << false << QList<QPoint>{{0, 0}}
            << QStringLiteral("Found at 1 place: 0, 0");
        QTest::newRow("a flat band matches all along it")
            << QRect(0, 27, 38, 2) << 1 << false
            << QList<QPoint>{{0, 24}, {1, 24}, {2, 24}, {0, 25}, {1, 25}, {2, 25}, {0, 26}, {1, 26},
                             {2, 26}, {0, 27}, {1, 27}, {2, 27}, {0, 28}, {1, 28}, {2, 28}}
            << QStringLiteral("Found at 15 places: 0, 24 \u00b7 1, 24 \u00b7 2, 24 \u00b7 0, 25 "
                              "\u00b7 1, 25 \u2026");
        QTest::newRow("larger than the picture")
            << QRect(0, 0, 41, 30) << 1 << false << QList<QPoint>{}
            << QStringLiteral("Not found in this screenshot");
        QTest::newRow("a near miss: one pixel of 144 changed")
            << QRect(12, 5, 12, 12) << 1 << true << QList<QPoint>{}
            << QStringLiteral("Not found in this screenshot; best: 143 of 144 pixels at 12, 5");
        QTest::newRow("a near miss, every other pixel")
            << QRect(3, 8, 9, 7) << 2 << true << QList<QPoint>{}
            << QStringLiteral("Not found in this screenshot; best: 19 of 20 pixels at 3, 8");
    }

    void findsCutDefinitions()
    {
        QFETCH(QRect, cut);
        QFETCH(int, step);
        QFETCH(bool, changeOne);
        QFETCH(QList<QPoint>, places);
        QFETCH(QString, words);
        QImage picture = checkedPicture();
        // As the clip box holds it: what lies outside the picture reads as -1.
        const PicturePixels source(picture.copy(cut & picture.rect()));
        GeneratorInputs in = exampleInputs();
        in.step = step;
        in.widthText = QString::number(cut.width());
        in.heightText = QString::number(cut.height());
        const auto kept = keptPixels(source, in, cut.size());
        QVERIFY(kept);
        if (changeOne) {
            const DefinitionEntry &e = kept->entries[kept->entries.size() / 2];
            const int other = e.peak ^ 0x80;
            picture.setPixel(cut.topLeft() + QPoint(e.x, e.y), qRgb(other, other, other));
        }
        const std::atomic<bool> cancelled{false};
        const PeakPlane plane(picture);
        const MatchSet found = findDefinition(plane, kept->entries, cancelled);
        const std::vector<QPoint> at = found.first(SIZE_MAX);
        QCOMPARE(QList<QPoint>(at.begin(), at.end()), places);
        QCOMPARE(found.count(), qint64(places.size()));
        const auto nearest =
            found.empty() ? nearestPlace(plane, kept->entries, cancelled) : std::nullopt;
        QCOMPARE(foundText(found, nearest), words);
        if (nearest) { // no place matches more of the definition
            int most = 0;
            for (int y = 0; y + cut.height() <= picture.height(); ++y)
                for (int x = 0; x + cut.width() <= picture.width(); ++x)
                    most = std::max<int>(
                        most, int(std::count_if(kept->entries.begin(), kept->entries.end(),
                                                [&](const DefinitionEntry &e) {
                                                    return plane.row(y + e.y)[x + e.x] == e.peak;
                                                })));
            QCOMPARE(nearest->matched, most);
        }
    }

    // The near miss names the true best: of the places where the whole definition lies in the
    // picture, one where most entries hold their peak, and of those the first in reading
    // order, as counting every entry at every place finds it. Low-contrast pictures, where
    // many places come close, are where ranking by a few runs went wrong. A definition of more
    // entries than are counted everywhere names a place with its own count, and says that a
    // better one may exist.
    void nearMissIsTheTrueBest_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("greys"); // how many greys, next to each other, the picture holds
        QTest::addColumn<bool>("cut");  // taken from the picture with a few changes, or random
        QTest::addColumn<QSize>("size"); // the picture's
        for (int entries : {6, 40, 98, 300, 420})
            for (int greys : {2, 4})
                for (bool cut : {true, false})
                    QTest::addRow("%d entries, %d greys, %s", entries, greys,
                                  cut ? "cut and changed" : "random")
                        << entries << greys << cut << QSize(90, 60);
        // Places of many rows and several words a row: counted a band of rows at a time, over
        // rows kept as the bands move down.
        for (int entries : {40, 300})
            for (bool cut : {true, false})
                QTest::addRow("%d entries, 3 greys, %s, 200 x 230", entries,
                              cut ? "cut and changed" : "random")
                    << entries << 3 << cut << QSize(200, 230);
    }

    void nearMissIsTheTrueBest()
    {
        QFETCH(int, entries);
        QFETCH(int, greys);
        QFETCH(bool, cut);
        QFETCH(QSize, size);
        QRandomGenerator random(quint32(entries * 31 + greys * 7 + int(cut)));
        for (int round = 0; round < 10; ++round) {
            QImage picture(size, QImage::Format_RGB32);
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x) {
                    const int grey = 100 + random.bounded(greys);
                    picture.setPixel(x, y, qRgb(grey, grey, grey));
                }
            const PeakPlane plane(picture);
            const QSize area(30, 20);
            std::vector<DefinitionEntry> definition;
            const QPoint from(random.bounded(size.width() - area.width()),
                              random.bounded(size.height() - area.height()));
            for (int i = 0; i < entries; ++i) {
                const int x = random.bounded(area.width()), y = random.bounded(area.height());
                int peak =
                    cut ? plane.row(from.y() + y)[from.x() + x] : 100 + random.bounded(greys);
                if (cut && random.bounded(4) == 0) // a changed pixel: the definition found nowhere
                    peak = (peak - 100 + 1) % greys + 100;
                definition.push_back({peak, x, y});
            }
            const auto matchedAt = [&](QPoint at) {
                return int(std::count_if(definition.begin(), definition.end(),
                                         [&](const DefinitionEntry &e) {
                                             return plane.row(at.y() + e.y)[at.x() + e.x] == e.peak;
                                         }));
            };
            int reachX = 0, reachY = 0;
            for (const DefinitionEntry &e : definition) {
                reachX = std::max(reachX, e.x);
                reachY = std::max(reachY, e.y);
            }
            NearMiss truth;
            for (int y = 0; y + reachY < picture.height(); ++y)
                for (int x = 0; x + reachX < picture.width(); ++x)
                    if (const int matched = matchedAt({x, y}); matched > truth.matched)
                        truth = {QPoint(x, y), matched, entries};
            const std::atomic<bool> cancelled{false};
            const auto nearest = nearestPlace(plane, definition, cancelled);
            QVERIFY(nearest);
            QCOMPARE(nearest->of, entries);
            QCOMPARE(nearest->matched, matchedAt(nearest->place)); // its own count, always
            if (size_t(entries) <= exactNearMissEntries) {
                QVERIFY(nearest->best);
                QCOMPARE(std::pair(nearest->place, nearest->matched),
                         std::pair(truth.place, truth.matched));
            } else {
                QVERIFY(!nearest->best);
                QVERIFY(nearest->matched <= truth.matched);
                QVERIFY(foundText(MatchSet(), nearest)
                            .contains(QLatin1String("; best found: ") +
                                      QString::number(nearest->matched) + QLatin1String(" of ")));
                QVERIFY(foundText(MatchSet(), nearest)
                            .endsWith(QLatin1String(" (a better place may exist)")));
            }
        }
    }

    // On pictures where many places stay possible for long (flat areas, few colours, stripes),
    // the search finds exactly the places that testing every entry at every place finds.
    void findsWhatEveryPlaceFinds_data()
    {
        QTest::addColumn<int>("colours"); // how many greys the picture is drawn in
        QTest::addColumn<int>("stripe");  // columns of one grey side by side (0: random)
        QTest::addColumn<QRect>("cut");
        QTest::addColumn<int>("step");
        QTest::newRow("flat, every pixel") << 1 << 0 << QRect(5, 4, 30, 20) << 1;
        QTest::newRow("flat, every other pixel") << 1 << 0 << QRect(0, 0, 71, 9) << 2;
        QTest::newRow("two greys at random") << 2 << 0 << QRect(20, 10, 4, 3) << 1;
        QTest::newRow("three greys, every other pixel") << 3 << 0 << QRect(7, 7, 5, 5) << 2;
        QTest::newRow("stripes, runs across words") << 2 << 5 << QRect(61, 2, 70, 3) << 1;
        QTest::newRow("stripes, every other pixel") << 3 << 3 << QRect(1, 1, 90, 4) << 2;
    }

    void findsWhatEveryPlaceFinds()
    {
        QFETCH(int, colours);
        QFETCH(int, stripe);
        QFETCH(QRect, cut);
        QFETCH(int, step);
        QImage picture(200, 40, QImage::Format_RGB32);
        quint32 seed = 11;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                seed = seed * 1664525u + 1013904223u;
                // Black would be dropped from the definition: the greys start above it.
                const int grey = 40 + 60 * int((stripe ? (x / stripe + y) : seed >> 16) % colours);
                picture.setPixel(x, y, qRgb(grey, grey, grey));
            }
        GeneratorInputs in = exampleInputs();
        in.step = step;
        in.widthText = QString::number(cut.width());
        in.heightText = QString::number(cut.height());
        const auto kept = keptPixels(PicturePixels(picture.copy(cut)), in, cut.size());
        QVERIFY(kept && !kept->entries.empty());
        // Every place where every entry lies inside the picture and holds its peak.
        QList<QPoint> everyPlace;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (std::all_of(kept->entries.begin(), kept->entries.end(), [&](const auto &e) {
                        return picture.valid(x + e.x, y + e.y) &&
                               qRed(picture.pixel(x + e.x, y + e.y)) == e.peak;
                    }))
                    everyPlace << QPoint(x, y);
        const std::atomic<bool> cancelled{false};
        std::atomic<qint64> percent{0};
        const MatchSet found =
            findDefinition(PeakPlane(picture), kept->entries, cancelled, &percent);
        const std::vector<QPoint> at = found.first(SIZE_MAX);
        QCOMPARE(QList<QPoint>(at.begin(), at.end()), everyPlace);
        QCOMPARE(found.count(), qint64(everyPlace.size()));
        // Every match is reached by its number, and a part of the picture gives its own.
        for (qsizetype i = 0; i < everyPlace.size(); ++i)
            if (found.at(i) != everyPlace[i])
                QFAIL(qPrintable(QStringLiteral("match %1 is not the %1th place").arg(i)));
        const QRect part(60, 5, 70, 9);
        const std::vector<QPoint> inPart = found.within(part);
        QList<QPoint> everyInPart;
        std::copy_if(everyPlace.begin(), everyPlace.end(), std::back_inserter(everyInPart),
                     [&](const QPoint &p) { return part.contains(p); });
        QCOMPARE(QList<QPoint>(inPart.begin(), inPart.end()), everyInPart);
        QVERIFY(everyPlace.contains(cut.topLeft()));
        QCOMPARE(percent.load(), qint64(100));
    }

    // Definitions as users' scripts hold them are read back; anything else says where it
    // stops being one.
    void readsDefinitionTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *tag, const char *text, const char *name, int entries,
                            const char *error) {
            QTest::newRow(tag) << QString::fromLatin1(text) << QString::fromLatin1(name) << entries
                               << QString::fromLatin1(error);
        };
        row("as Create Object writes it",
            ":Object CloseButton   // Test at coords 1604, 88\r\n255=0,0|200=2,0\r\n7=0,2\r\n"
            ":End Object ",
            "CloseButton", 3, "");
        row("line feeds, a blank line and a last line break",
            ":Object Icon\n\n12=3,4|13=5,6\n:End Object \n", "Icon", 2, "");
        row("no entries", ":Object Nothing\n:End Object", "Nothing", 0, "");
        row("no head", "255=0,0\n:End Object ", "", 0,
            "Not a definition: line 1 does not begin \":Object \"");
        row("no end", ":Object A\n255=0,0\n", "", 0,
            "Not a definition: it does not end with \":End Object \"");
        row("a line that is no entry", ":Object A\n1=0,0\nhello\n:End Object ", "", 0,
            "Not a definition: line 3 is not peak=x,y");
        row("a peak over 255", ":Object A\n256=0,0\n:End Object ", "", 0,
            "Not a definition: line 2 is not peak=x,y");
        row("a negative place", ":Object A\n25=-1,0\n:End Object ", "", 0,
            "Not a definition: line 2 is not peak=x,y");
        row("a trailing bar", ":Object A\n25=1,0|\n:End Object ", "", 0,
            "Not a definition: line 2 is not peak=x,y");
        row("a coordinate past any region", ":Object A\n25=123456789,0\n:End Object ", "", 0,
            "Not a definition: line 2 is not peak=x,y");
        row("indented", "    :Object Icon // at 3, 4\n    12=3,4\n    :End Object ", "Icon", 1, "");
        row("between script lines, CR line ends",
            "WinActivate, App\r:Object Icon\r12=3,4|5=0,0\r:End Object \rSleep, 100\r", "Icon", 2,
            "");
        row("no head, after blank lines", "\n\nhello\n", "", 0,
            "Not a definition: line 3 does not begin \":Object \"");
        // Of several, the first; each of them is read in readsEveryDefinitionOfAScript.
        row("two in a row", ":Object A\n1=0,0\n:End Object \n:Object B\n2=0,0|3=1,0\n:End Object ",
            "A", 1, "");
        row("two, the first broken",
            ":Object A\n1=0,0\nhello\n:End Object \n:Object B\n2=0,0\n"
            ":End Object ",
            "A", 0, "Not a definition: line 3 (in A) is not peak=x,y");
    }

    // Every definition of a script is read, wherever it stands; a broken one names itself and
    // the line where it breaks, and the others are read all the same.
    void readsEveryDefinitionOfAScript_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("read"); // name: entries, or the error
        QTest::newRow("three, with script lines between")
            << QStringLiteral("; finds the dialog\r\n  :Object Close\r\n  1=0,0|2=1,0\r\n  "
                              ":End Object \r\nIfFound\r\n:Object Ok // the button\r\n3=0,0\r\n"
                              ":End Object \r\n\r\n:Object Menu\r\n\r\n4=0,0\r\n"
                              "5=0,1\r\n:End Object \r\nReturn")
            << QStringList{"Close: 2", "Ok: 1", "Menu: 2"};
        QTest::newRow("a broken one between two")
            << QStringLiteral(":Object A\n1=0,0\n:End Object \n:Object B\n1=0,0\n9=x,1\n"
                              ":End Object \n:Object C\n7=7,7\n:End Object \n")
            << QStringList{"A: 1", "B: Not a definition: line 6 (in B) is not peak=x,y", "C: 1"};
        QTest::newRow("one without its end, then another")
            << QStringLiteral(":Object A\n1=0,0\n:Object B\n2=0,0\n:End Object ")
            << QStringList{"A: Not a definition: A, from line 1, does not end with \":End "
                           "Object \"",
                           "B: 1"};
        QTest::newRow("an end with no head is a script line")
            << QStringLiteral(":End Object \n:Object A\n1=0,0\n:End Object \n:End Object ")
            << QStringList{"A: 1"};
    }

    void readsEveryDefinitionOfAScript()
    {
        QFETCH(QString, text);
        QStringList read;
        for (const DefinitionText &definition : parseDefinitions(text))
            read << definition.name + QStringLiteral(": ") +
                        (definition.error.isEmpty() ? QString::number(definition.entries.size())
                                                    : definition.error);
        QTEST(read, "read");
    }

    void readsDefinitionTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(int, entries);
        QFETCH(QString, error);
        const DefinitionText read = parseDefinition(text);
        QCOMPARE(read.error, error);
        QCOMPARE(read.name, name);
        QCOMPARE(int(read.entries.size()), entries);
    }

    void sizeTexts_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<bool>("fails");
        const struct
        {
            const char *tag, *width, *height;
            bool fails;
        } rows[] = {
            {"empty width", "", "2", true},
            {"letters", "abc", "2", true},
            {"number then letters", "12abc", "2", true},
            {"empty height", "2", "", true},
            {"hexadecimal", "&H2", "2", true},
            {"exponent", "1e1", "1", false},
            {"absurd walk", "1e9", "1e9", true},
            {"just within the bound", "1000", "1000", false},
            {"just past the bound", "1001", "1000", true},
            {"huge width, no rows", "1e300", "0", false},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << QString::fromLatin1(r.width) << QString::fromLatin1(r.height)
                                 << r.fails;
    }

    void sizeTexts()
    {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(bool, fails);
        GeneratorInputs in = exampleInputs();
        in.widthText = width;
        in.heightText = height;
        in.step = 1;
        in.redFrom = 1; // keep nothing: only the walk itself is under test
        in.redTo = 0;
        const auto text = objectDefinition(example, in);
        QCOMPARE(!text.has_value(), fails);
        if (!fails)
            QCOMPARE(text->toUtf8(), header + endMarker);
    }

    void pointsOutsideTheClipReadAsRed()
    {
        GeneratorInputs in = exampleInputs();
        in.widthText = QStringLiteral("3");
        in.heightText = QStringLiteral("1");
        in.step = 1;
        // Column 2 lies outside the 2 x 2 clip: -1, that is red 255, kept with peak 255.
        QCOMPARE(run(example, in), header + "255=0,0|255=2,0\r\n" + endMarker);
    }

    void linesAreNeverEmptyNorEndInBar()
    {
        // A checkerboard of black and grey: every other entry dropped, whole rows dropped too.
        QList<ColourValue> values;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                values << ((y == 3 || (x + y) % 2) ? 0 : 0x404040);
        const GridSource board(6, values);
        GeneratorInputs in = exampleInputs();
        in.widthText = in.heightText = QStringLiteral("6");
        const QByteArray text = run(board, in);
        const QList<QByteArray> lines = text.split('\n');
        QCOMPARE(lines.size(), 7); // header, 5 rows (row 3 kept nothing), end marker
        for (const QByteArray &line : lines) {
            QVERIFY(!line.isEmpty());
            QVERIFY(!line.endsWith("|\r"));
            QVERIFY(!line.startsWith('|'));
        }
        QCOMPARE(lines[1], QByteArray("64=0,0|64=2,0|64=4,0\r"));
        QCOMPARE(lines[2], QByteArray("64=1,1|64=3,1|64=5,1\r"));
        QCOMPARE(lines[4], QByteArray("64=0,4|64=2,4|64=4,4\r"));
    }

    void headerCopiesTextsUnchanged()
    {
        GeneratorInputs in = exampleInputs();
        in.objectName = QStringLiteral("Zweig_Ä");
        in.topLeftText = QStringLiteral("  10 ,  20 ");
        in.widthText = QStringLiteral("0");
        QCOMPARE(*objectDefinition(example, in),
                 QStringLiteral(":Object Zweig_Ä   // Test at coords   10 ,  20 \r\n:End Object "));
    }

    void boundFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bound");
        QTest::newRow("12abc") << "12abc" << 12;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("2.5 to even") << "2.5" << 2;
        QTest::newRow("3.5 to even") << "3.5" << 4;
        QTest::newRow("-0.5") << "-0.5" << 0;
        QTest::newRow("300 kept") << "300" << 300;
        QTest::newRow("40000 held at the top") << "40000" << 32767;
        QTest::newRow("1e9") << "1e9" << 32767;
        QTest::newRow("1e308") << "1e308" << 32767;
        QTest::newRow("inf is 0") << "inf" << 0;
        QTest::newRow("-1e9 held at the bottom") << "-1e9" << -32768;
    }

    void boundFromText()
    {
        QFETCH(QString, text);
        QFETCH(int, bound);
        QCOMPARE(int(corvantile::boundFromText(text)), bound);
        QCOMPARE(nameWithoutSpaces(QStringLiteral("My Button  x")), QStringLiteral("My_Button__x"));
    }
};

QTEST_APPLESS_MAIN(tst_Generator)
#include "tst_generator.moc"
