// Benchmarks, compared in pairs measured in the same run: each figure that matters is the
// ratio of a pair, not an absolute time.

#include "common/background_job.h"
#include "common/stored_picture.h"
#include "object_definition/clip_pixels.h"
#include "object_definition/definition_check.h"
#include "object_definition/definition_search.h"
#include "object_definition/generator.h"
#include "support/form_driver.h"
#include "support/process_memory.h"
#include "support/test_images.h"
#include "system/picture_decode.h"
#include "system/picture_limit.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QSet>
#include <QThread>
#include <QtEndian>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <optional>
#include <thread>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <map>

using namespace corvantile;

namespace {

// A clipboard's data as a desktop clipboard hands it over: PNG bytes, decoded when the image
// is asked for.
class PngMimeData : public QMimeData
{
public:
    explicit PngMimeData(QByteArray png) : m_png(std::move(png)) {}
    QStringList formats() const override
    {
        return {QStringLiteral("image/png"), QStringLiteral("application/x-qt-image")};
    }
    bool hasFormat(const QString &format) const override { return formats().contains(format); }

protected:
    QVariant retrieveData(const QString &format, QMetaType type) const override
    {
        if (format == QLatin1String("application/x-qt-image"))
            return QImage::fromData(m_png, "PNG");
        if (format == QLatin1String("image/png"))
            return m_png;
        return QMimeData::retrieveData(format, type);
    }

private:
    QByteArray m_png;
};

// A screenshot-like picture: mostly flat areas with some detail, which compresses the way
// real screenshots do.
QImage screenshotLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int band = (x / 97 + y / 61) % 5;
            line[x] = band == 0 ? test::patternPixel(x, y) : qRgb(30 * band, 200 - 20 * band, 90);
        }
    }
    return image;
}

// The set of eight busy 8K desktops, as PNG, made once.
const QByteArray &desktopPng(int seed)
{
    static std::map<int, QByteArray> pngs;
    QByteArray &png = pngs[seed];
    if (png.isEmpty())
        png = test::pngBytes(test::desktopLike(7680, 4320, seed));
    return png;
}

// A busy desktop of 8K, as a picture, made once.
const QImage &desktop8k()
{
    static const QImage desktop = test::desktopLike(7680, 4320, 0);
    return desktop;
}

const QByteArray &png8k()
{
    return desktopPng(0);
}

void putPngOnClipboard(const QByteArray &png)
{
    QGuiApplication::clipboard()->setMimeData(new PngMimeData(png));
}

// A paste, through to the picture landing in the view and the slot.
void pasteAndWait(Form1 &form)
{
    form.Command1_Click();
    while (form.pictureJobRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// A clipboard that holds a picture already decoded, as one this process put there.
void putImageOnClipboard(const QImage &image)
{
    auto *data = new QMimeData;
    data->setImageData(image);
    QGuiApplication::clipboard()->setMimeData(data);
}

void BM_DecodePng(benchmark::State &state)
{
    const QByteArray &png = png8k();
    for (auto _ : state) {
        QImage image = QImage::fromData(png, "PNG");
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_DecodePng)
    ->Name("BM_DecodePng/7680x4320")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_Paste(benchmark::State &state)
{
    putPngOnClipboard(png8k());
    Form1 form;
    form.show();
    QApplication::processEvents();
    for (auto _ : state) {
        pasteAndWait(form);
        test::control(form, "picScroll")->repaint(); // the view as shown
        test::control(form, "Frame5")->repaint();    // and the slot's thumbnail
        state.PauseTiming();
        form.state().bufferIndex = -1; // keep landing in slot 0
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Paste)->Name("BM_Paste/7680x4320")->Unit(benchmark::kMillisecond)->Iterations(5);

// Resident memory for eight buffers holding the eight desktops, once their copies are made,
// above what the window took before.
void BM_EightBuffers(benchmark::State &state)
{
    double mebibytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int seed = 0; seed < 8; ++seed)
            desktopPng(seed); // made before the memory is measured
        auto form = std::make_unique<Form1>();
        form->show();
        QApplication::processEvents();
        const long before = test::residentBytes();
        state.ResumeTiming();
        for (int seed = 0; seed < 8; ++seed) {
            putPngOnClipboard(desktopPng(seed));
            pasteAndWait(*form);
        }
        state.PauseTiming();
        for (int slot = 0; slot < 8; ++slot)
            form->bufferPicture(slot).isCompressed(true);
        QGuiApplication::clipboard()->clear();
        QApplication::processEvents();
        mebibytes = double(test::residentBytes() - before) / (1024 * 1024);
        form.reset();
        state.ResumeTiming();
    }
    state.counters["rss_mib_above_idle"] = mebibytes;
}
BENCHMARK(BM_EightBuffers)
    ->Name("BM_EightBuffers/7680x4320")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Resident memory for three buffers of 20000 x 20000 desktops, each over what QOI compresses
// in one piece, once their copies are made, above what the window took before; the view
// still shows the last one, which is one picture's worth (1,526 MiB).
void BM_HugeBuffers(benchmark::State &state)
{
    double mebibytes = 0;
    for (auto _ : state) {
        auto form = std::make_unique<Form1>();
        form->show();
        QApplication::processEvents();
        const long before = test::residentBytes();
        for (int seed = 0; seed < 3; ++seed) {
            putImageOnClipboard(test::desktopLike(20000, 20000, seed));
            pasteAndWait(*form);
            form->bufferPicture(seed).isCompressed(true);
            QGuiApplication::clipboard()->clear();
            QApplication::processEvents();
        }
        mebibytes = double(test::residentBytes() - before) / (1024 * 1024) -
                    20000.0 * 20000 * 4 / (1024 * 1024);
        form.reset();
    }
    state.counters["rss_mib_above_one_picture"] = mebibytes;
}
BENCHMARK(BM_HugeBuffers)
    ->Name("BM_HugeBuffers/20000x20000")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// What a search leaves behind once another picture is pasted over the one it searched: two
// 20000 x 20000 desktops pasted one after the other, with Ctrl+F on the first in between or
// not, and the resident memory of the two compared. Nothing of the first picture's search (its
// plane of peaks, about 400 MB, and its matches) may stay.
void BM_PasteOverSearched(benchmark::State &state)
{
    const QImage first = test::desktopLike(20000, 20000, 0);
    const QImage second = test::desktopLike(20000, 20000, 1);
    // What the program holds, not what the allocator keeps for later: each thread's arena of
    // small blocks would otherwise count by chance, up to a few hundred MiB either way.
    const auto resident = [] {
#ifdef __GLIBC__
        malloc_trim(0);
#endif
        return test::residentBytes();
    };
    const auto residentAfter = [&](bool search) {
        auto form = std::make_unique<Form1>();
        form->show();
        QApplication::processEvents();
        const long before = resident();
        for (const QImage *picture : {&first, &second}) {
            putImageOnClipboard(*picture);
            pasteAndWait(*form);
            QGuiApplication::clipboard()->clear();
            if (search && picture == &first) {
                test::control<QLineEdit>(*form, "txtCoords")->setText(QStringLiteral("5000, 5000"));
                test::control<QLineEdit>(*form, "txtWidth")->setText(QStringLiteral("100"));
                test::control<QLineEdit>(*form, "txtHeight")->setText(QStringLiteral("100"));
                test::pressShortcut(*form, QKeySequence(Qt::CTRL | Qt::Key_F));
                while (form->pictureJobRunning())
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }
        }
        for (int slot = 0; slot < 2; ++slot)
            form->bufferPicture(slot).isCompressed(true);
        QApplication::processEvents();
        return resident() - before;
    };
    double mebibytes = 0;
    for (auto _ : state) {
        // The memory the first window's pastes leave with the allocator serves the next: the
        // unsearched pair comes first, so that the searched one is not the one that gains.
        const long unsearched = residentAfter(false);
        mebibytes = double(residentAfter(true) - unsearched) / (1024 * 1024);
    }
    state.counters["rss_mib_above_unsearched"] = mebibytes;
}
BENCHMARK(BM_PasteOverSearched)
    ->Name("BM_PasteOverSearched/20000x20000")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Ctrl+F and Escape four times in a row on a 20000 x 20000 desktop, as a user would press
// them: the threads at work beyond those the window had once the paste settled, and the most
// memory held above what it held then, both at their highest, looked at every few ms.
int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task"))
                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}

void BM_FindAndEscape(benchmark::State &state)
{
    const QImage picture = test::desktopLike(20000, 20000, 0);
    int mostThreads = 0;
    double peakMiB = 0;
    for (auto _ : state) {
        auto form = std::make_unique<Form1>();
        form->show();
        putImageOnClipboard(picture);
        pasteAndWait(*form);
        QGuiApplication::clipboard()->clear();
        form->bufferPicture(0).isCompressed(true);
        test::control<QLineEdit>(*form, "txtCoords")->setText(QStringLiteral("5000, 5000"));
        test::control<QLineEdit>(*form, "txtWidth")->setText(QStringLiteral("100"));
        test::control<QLineEdit>(*form, "txtHeight")->setText(QStringLiteral("100"));
        QApplication::processEvents();
#ifdef __GLIBC__
        malloc_trim(0);
#endif
        const long settled = test::residentBytes();
        const int idleThreads = threadCount();
        long peak = settled;
        int most = idleThreads;
        const auto lookFor = [&](int ms) {
            QElapsedTimer timer;
            timer.start();
            while (timer.elapsed() < ms) {
                QCoreApplication::processEvents();
                peak = std::max(peak, test::residentBytes());
                most = std::max(most, threadCount());
                QThread::msleep(5);
            }
        };
        for (int i = 0; i < 4; ++i) {
            test::pressShortcut(*form, QKeySequence(Qt::CTRL | Qt::Key_F));
            lookFor(150);
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(form.get(), &escape);
        }
        lookFor(1000);
        mostThreads = most - idleThreads;
        peakMiB = double(peak - settled) / (1 << 20);
    }
    state.counters["threads_above_idle"] = mostThreads;
    state.counters["peak_mib_above_pasted"] = peakMiB;
}
BENCHMARK(BM_FindAndEscape)
    ->Name("BM_FindAndEscape/20000x20000")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// A buffer brought back into the view: its copy decoded, and the view shown.
void BM_BringBack(benchmark::State &state)
{
    putPngOnClipboard(png8k());
    Form1 form;
    form.show();
    pasteAndWait(form);
    form.bufferPicture(0).isCompressed(true);
    QApplication::processEvents();
    for (auto _ : state) {
        form.ImgBuffer_MouseUp(0, 1, 0, 0, 0);
        test::control(form, "picScroll")->repaint();
    }
}
BENCHMARK(BM_BringBack)
    ->Name("BM_BringBack/7680x4320")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// One drag step: a mouse move with the left button held, the band erased and drawn again,
// the status line, and the repaint that follows.
// One step of a rubber-band drag on a screen of the given scale (the run's offscreen screens
// are 1 and 2), delivered as Qt's window delivers it.
void BM_DragStep(benchmark::State &state, int width, int height, int scale)
{
    QScreen *screen = QGuiApplication::screens().value(scale - 1);
    if (!screen || screen->devicePixelRatio() != scale) {
        state.SkipWithError("no screen of that scale");
        return;
    }
    Form1 form(systemClipboard());
    form.setScreen(screen);
    form.move(screen->geometry().topLeft());
    form.show();
    auto *view = test::control<PictureBox>(form, "PicInner");
    view->setPicture(screenshotLike(width, height));
    QApplication::processEvents();
    const QPoint start(40, 30);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        test::sendMouse(view, type, view->mapDrawingToWindow(QPointF(at)), button, held);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    int i = 0;
    for (auto _ : state) {
        const QPoint to = start + QPoint(60 + (i % 40), 45 + (i % 25));
        ++i;
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        QApplication::processEvents(); // the repaint of what the step exposed
    }
    send(QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
}
BENCHMARK_CAPTURE(BM_DragStep, 640x480, 640, 480, 1)
    ->Name("BM_DragStep/640x480")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DragStep, 7680x4320, 7680, 4320, 1)
    ->Name("BM_DragStep/7680x4320")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DragStep, 640x480 at 2x, 640, 480, 2)
    ->Name("BM_DragStep/640x480@2x")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DragStep, 7680x4320 at 2x, 7680, 4320, 2)
    ->Name("BM_DragStep/7680x4320@2x")
    ->Unit(benchmark::kMicrosecond);

// Create Object over a 100 x 100 clip: every pixel, default bounds, read through the clip box.
void BM_CreateObject(benchmark::State &state)
{
    Form1 form(systemClipboard());
    auto *view = test::control<PictureBox>(form, "PicInner");
    auto *clip = test::control<PictureBox>(form, "picClip");
    view->setPicture(screenshotLike(640, 480));
    clip->setBoxSize(100, 100);
    clip->paintPicture(view->picture(), QRect(0, 0, 100, 100), QPoint(0, 0));
    GeneratorInputs inputs;
    inputs.widthText = inputs.heightText = QStringLiteral("100");
    inputs.step = 1;
    for (auto _ : state) {
        const auto text = objectDefinition(ClipPixels(*clip), inputs);
        benchmark::DoNotOptimize(text->constData());
    }
}
BENCHMARK(BM_CreateObject)->Name("BM_CreateObject/100x100")->Unit(benchmark::kMicrosecond);

void BM_PixelLoop(benchmark::State &state)
{
    const QImage image = screenshotLike(640, 480).copy(0, 0, 100, 100);
    for (auto _ : state) {
        unsigned sum = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                sum += image.pixel(x, y);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_PixelLoop)->Name("BM_PixelLoop/100x100")->Unit(benchmark::kMicrosecond);

// One pass that works out the peak of every pixel of a busy 8K desktop: the least any search
// of the screenshot must do.
void BM_PeakPass(benchmark::State &state)
{
    const QImage &desktop = desktop8k();
    for (auto _ : state) {
        const PeakPlane plane(desktop);
        benchmark::DoNotOptimize(plane.row(0));
    }
}
BENCHMARK(BM_PeakPass)->Name("BM_PeakPass/7680x4320")->Unit(benchmark::kMillisecond);

// The busiest of a grid of 100 x 100 places of a desktop: the most distinct colours, as around
// a photo or text.
QRect busiestCut(const QImage &desktop)
{
    QRect cut;
    qsizetype busiest = -1;
    for (int y = 0; y + 100 <= desktop.height(); y += 270)
        for (int x = 0; x + 100 <= desktop.width(); x += 480) {
            QSet<QRgb> colours;
            for (int dy = 0; dy < 100; dy += 2)
                for (int dx = 0; dx < 100; dx += 2)
                    colours.insert(desktop.pixel(x + dx, y + dy));
            if (colours.size() > busiest) {
                busiest = colours.size();
                cut = QRect(x, y, 100, 100);
            }
        }
    return cut;
}

// The entries of a definition of every pixel of a region of a picture.
std::vector<DefinitionEntry> definitionOf(const QImage &picture, QRect cut)
{
    GeneratorInputs inputs;
    inputs.widthText = QString::number(cut.width());
    inputs.heightText = QString::number(cut.height());
    inputs.step = 1;
    return keptPixels(PicturePixels(picture.copy(cut)), inputs, cut.size())->entries;
}

// Finding a 100 x 100 definition (every pixel) cut from the same desktop: the plane of peaks
// made, and every place searched.
void BM_Find(benchmark::State &state)
{
    const QImage &desktop = desktop8k();
    const QRect cut = busiestCut(desktop);
    const std::vector<DefinitionEntry> entries = definitionOf(desktop, cut);
    const std::atomic<bool> cancelled{false};
    qint64 found = 0;
    for (auto _ : state) {
        const PeakPlane plane(desktop);
        const MatchSet places = findDefinition(plane, entries, cancelled);
        found = places.count();
        if (found != 1 || places.at(0) != cut.topLeft())
            state.SkipWithError("the definition was not found just where it was cut");
    }
    state.counters["places"] = double(found);
}
BENCHMARK(BM_Find)->Name("BM_Find/100x100_in_7680x4320")->Unit(benchmark::kMillisecond);

// The same on a flat 8K picture, where every place matches (about 32 million of them) and
// stays possible to the last entry: every pixel, or every other pixel.
void BM_FindFlat(benchmark::State &state, int step)
{
    QImage flat(7680, 4320, QImage::Format_RGB32);
    flat.fill(qRgb(90, 120, 200));
    GeneratorInputs inputs;
    inputs.widthText = inputs.heightText = QStringLiteral("100");
    inputs.step = step;
    const auto kept = keptPixels(PicturePixels(flat.copy(0, 0, 100, 100)), inputs, QSize(100, 100));
    const std::atomic<bool> cancelled{false};
    qint64 found = 0;
    for (auto _ : state) {
        const PeakPlane plane(flat);
        found = findDefinition(plane, kept->entries, cancelled).count();
        if (found != qint64(7680 - 100 + step) * (4320 - 100 + step))
            state.SkipWithError("not every place of the flat picture was found");
    }
    state.counters["places"] = double(found);
}
BENCHMARK_CAPTURE(BM_FindFlat, every pixel, 1)
    ->Name("BM_FindFlat/100x100_every_pixel_in_7680x4320")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FindFlat, every other pixel, 2)
    ->Name("BM_FindFlat/100x100_every_other_pixel_in_7680x4320")
    ->Unit(benchmark::kMillisecond);

// A near miss on the busy desktop: the definition cut from it with one pixel changed, so that
// it matches nowhere and the place where it comes nearest is looked for too.
void BM_FindNearMiss(benchmark::State &state)
{
    const QImage &desktop = desktop8k();
    const QRect cut = busiestCut(desktop);
    std::vector<DefinitionEntry> entries = definitionOf(desktop, cut);
    entries[entries.size() / 2].peak ^= 0x80;
    const std::atomic<bool> cancelled{false};
    for (auto _ : state) {
        const PeakPlane plane(desktop);
        const MatchSet places = findDefinition(plane, entries, cancelled);
        const auto nearest = nearestPlace(plane, entries, cancelled);
        if (!places.empty() || !nearest || nearest->place != cut.topLeft() ||
            nearest->matched + 1 != int(entries.size()))
            state.SkipWithError("the nearest place is not where the definition was cut");
    }
}
BENCHMARK(BM_FindNearMiss)
    ->Name("BM_FindNearMiss/100x100_in_7680x4320")
    ->Unit(benchmark::kMillisecond);

// The near miss counted at every place, for the largest definition counted so: 300 entries of
// the busy cut, spread over it, one of them changed.
void BM_NearMissExact(benchmark::State &state)
{
    const QImage &desktop = desktop8k();
    const QRect cut = busiestCut(desktop);
    const std::vector<DefinitionEntry> all = definitionOf(desktop, cut);
    std::vector<DefinitionEntry> entries;
    for (size_t i = 0; i < exactNearMissEntries; ++i)
        entries.push_back(all[i * all.size() / exactNearMissEntries]);
    entries[entries.size() / 2].peak ^= 0x80;
    const std::atomic<bool> cancelled{false};
    const PeakPlane plane(desktop);
    for (auto _ : state) {
        const auto nearest = nearestPlace(plane, entries, cancelled);
        if (!nearest || !nearest->best || nearest->matched + 1 != int(entries.size()))
            state.SkipWithError("the nearest place is not counted whole");
    }
}
BENCHMARK(BM_NearMissExact)
    ->Name("BM_NearMissExact/300_in_7680x4320")
    ->Unit(benchmark::kMillisecond);

// Ctrl+B's job as the window runs it, to its end: the nanoseconds it took.
template <typename Definitions>
qint64 searchedInBuffers(DefinitionSearch &search,
                         const std::vector<DefinitionSearch::Buffer> &buffers,
                         const Definitions &definitions)
{
    QElapsedTimer timer;
    timer.start();
    bool done = false;
    const QMetaObject::Connection ended =
        QObject::connect(&search, &DefinitionSearch::buffersSearched, [&done] { done = true; });
    search.startInBuffers(buffers, definitions);
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QObject::disconnect(ended);
    return timer.nsecsElapsed();
}

// Ctrl+B over eight buffers of 8K desktops, the job as the window runs it, against what it
// must do at least: unpack each buffer's picture, and find the definition in it as Ctrl+F
// does. The figure is the ratio of the two.
void BM_FindInBuffers(benchmark::State &state)
{
    std::vector<DefinitionSearch::Buffer> buffers;
    for (int seed = 0; seed < 8; ++seed) {
        buffers.push_back({seed + 1, StoredPicture(test::desktopLike(7680, 4320, seed))});
        buffers.back().picture.isCompressed(true);
    }
    const QImage first = buffers.front().picture.picture();
    const std::vector<DefinitionEntry> entries = definitionOf(first, busiestCut(first));
    double ratio = 0;
    for (auto _ : state) {
        // The least first: each picture unpacked, its peaks worked out and searched, one by one.
        state.PauseTiming();
        QElapsedTimer timer;
        timer.start();
        const std::atomic<bool> cancelled{false};
        for (const DefinitionSearch::Buffer &buffer : buffers)
            benchmark::DoNotOptimize(
                findDefinition(PeakPlane(buffer.picture.picture()), entries, cancelled).count());
        const qint64 least = timer.nsecsElapsed();
        state.ResumeTiming();
        DefinitionSearch search;
        ratio = double(searchedInBuffers(search, buffers, entries)) / double(least);
        if (search.bufferCounts().size() != 8 || search.bufferCounts().front().found != 1)
            state.SkipWithError("the definition was not found in the buffer it was cut from");
    }
    state.counters["vs_unpack_and_find_each"] = ratio;
}
BENCHMARK(BM_FindInBuffers)
    ->Name("BM_FindInBuffers/8x7680x4320")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Ctrl+B after a script's 40 definitions over eight buffers of the same 8K desktop, each but
// the first with one definition's place painted over, as the program a macro drives looks a
// little different from one screenshot to the next. Against the least it must do: each
// buffer unpacked once and its peaks worked out, and each definition searched in it as Ctrl+F
// searches one, with its near miss where it is not found. The figure is the ratio of the two.
void BM_FindSeveralInBuffers(benchmark::State &state)
{
    const QImage &desktop = desktop8k();
    std::vector<DefinitionSearch::Named> definitions;
    std::vector<QRect> cuts;
    for (int i = 0; i < 40; ++i) {
        // 20 x 14: each near miss is counted at every place.
        cuts.emplace_back(100 + (i % 8) * 940, 100 + (i / 8) * 820, 20, 14);
        definitions.push_back({QStringLiteral("Def%1").arg(i), definitionOf(desktop, cuts.back())});
    }
    std::vector<DefinitionSearch::Buffer> buffers;
    for (int number = 1; number <= 8; ++number) {
        QImage picture = desktop.copy();
        if (number > 1) // only the one place differs: the rest is the desktop as it was
            QPainter(&picture).fillRect(cuts[size_t(number - 2)], QColor(1, 2, 3));
        buffers.push_back({number, StoredPicture(picture)});
        buffers.back().picture.isCompressed(true);
    }
    double ratio = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QElapsedTimer timer;
        timer.start();
        const std::atomic<bool> cancelled{false};
        for (const DefinitionSearch::Buffer &buffer : buffers) {
            const PeakPlane peaks(buffer.picture.picture());
            for (const DefinitionSearch::Named &definition : definitions)
                if (findDefinition(peaks, definition.entries, cancelled).empty())
                    benchmark::DoNotOptimize(nearestPlace(peaks, definition.entries, cancelled));
        }
        const qint64 least = timer.nsecsElapsed();
        state.ResumeTiming();
        DefinitionSearch search;
        ratio = double(searchedInBuffers(search, buffers, definitions)) / double(least);
        // Every definition is found in the first buffer; in each other, the one painted over
        // names its near miss.
        const auto &found = search.foundInBuffers();
        bool right = found.size() == 8;
        for (size_t b = 0; right && b < found.size(); ++b)
            for (size_t d = 0; right && d < found[b].size(); ++d)
                right = found[b][d].count > 0 || (b > 0 && found[b][d].nearest);
        if (!right)
            state.SkipWithError("a definition was not found, or not near-missed, where it must be");
    }
    state.counters["vs_unpack_and_each_search"] = ratio;
}
BENCHMARK(BM_FindSeveralInBuffers)
    ->Name("BM_FindSeveralInBuffers/40_in_8x7680x4320")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// How soon work stops once it is told to: a decode of a busy 8K desktop cancelled 30 ms in,
// a search of one cancelled 30 ms in, and the compression of a 16000 x 16000 desktop whose
// picture is dropped 50 ms in. Each figure is the milliseconds from the word to the end of the
// work's thread.
template <typename Start, typename Stop, typename Ended>
double msUntilStopped(int afterMs, Start start, Stop stop, Ended ended)
{
    start();
    QThread::msleep(afterMs);
    QElapsedTimer timer;
    timer.start();
    stop();
    ended();
    return double(timer.nsecsElapsed()) / 1e6;
}

void BM_Cancelled(benchmark::State &state)
{
    double decodeMs = 0, jpegMs = 0, searchMs = 0, compressionMs = 0, buffersMs = 0;
    for (auto _ : state) {
        // A JPEG reader whose reads fail ends its picture in grey from there, which still costs
        // something, but much less than decoding the rest.
        static const QByteArray jpeg = test::pngBytes(desktop8k(), "JPEG");
        const auto cancelledDecode = [](const QByteArray &bytes) {
            std::atomic<bool> cancelled{false};
            std::thread decode;
            return msUntilStopped(
                30,
                [&] {
                    decode = std::thread(
                        [&] { benchmark::DoNotOptimize(decodePicture(bytes, &cancelled)); });
                },
                [&] { cancelled = true; }, [&] { decode.join(); });
        };
        decodeMs = cancelledDecode(desktopPng(0));
        jpegMs = cancelledDecode(jpeg);
        const QImage &picture = desktop8k();
        DefinitionSearch search;
        searchMs = msUntilStopped(
            30,
            [&] {
                search.start(picture, definitionOf(picture, busiestCut(picture)), {1, 1});
            },
            [&] { search.cancel(); }, [] { BackgroundJob::joinAll(); });
        std::optional<StoredPicture> stored;
        const QImage huge = test::desktopLike(16000, 16000, 3);
        compressionMs = msUntilStopped(
            50, [&] { stored.emplace(huge); }, [&] { stored.reset(); },
            [] { StoredPicture::waitForCompression(); });
        // Ctrl+B right after a 20000 x 20000 paste: the buffer is not compressed yet, and its
        // peaks are worked out from the picture as it was given.
        {
            QImage flat(20000, 20000, QImage::Format_RGB32);
            flat.fill(qRgb(30, 60, 90));
            const StoredPicture pasted(flat);
            DefinitionSearch inBuffers;
            buffersMs = msUntilStopped(
                30,
                [&] {
                    inBuffers.startInBuffers({{1, pasted}},
                                             definitionOf(picture, busiestCut(picture)));
                },
                [&] { inBuffers.cancel(); }, [] { BackgroundJob::joinAll(); });
        }
        StoredPicture::waitForCompression();
    }
    state.counters["decode_ms_after_cancel"] = decodeMs;
    state.counters["jpeg_decode_ms_after_cancel"] = jpegMs;
    state.counters["search_ms_after_cancel"] = searchMs;
    state.counters["compression_ms_after_drop"] = compressionMs;
    state.counters["buffers_search_ms_after_cancel"] = buffersMs;
}
BENCHMARK(BM_Cancelled)->Unit(benchmark::kMillisecond)->Iterations(1);

// A JPEG of a few kilobytes whose frame header claims 33000 x 33000: how long until it is
// refused as damaged, and the most memory held meanwhile above what was held before.
void BM_JpegClaimingHuge(benchmark::State &state)
{
    QByteArray claims = test::pngBytes(test::patternImage(400, 300), "JPEG");
    const qsizetype frame = claims.indexOf("\xff\xc0");
    qToBigEndian<quint16>(33000, claims.data() + frame + 5);
    qToBigEndian<quint16>(33000, claims.data() + frame + 7);
    allowPicturesUpTo(qint64(33100) * 33100 * 4);
    double peakMiB = 0, ms = 0;
    for (auto _ : state) {
        // The kernel's high-water mark starts again from what is held now.
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
        clear.close();
        const double before = double(test::residentBytes()) / (1024 * 1024);
        QElapsedTimer timer;
        timer.start();
        const ReadOutcome outcome = decodePicture(claims, nullptr).outcome;
        ms = std::max(ms, double(timer.nsecsElapsed()) / 1e6);
        if (outcome == ReadOutcome::TooLarge) {
            state.SkipWithError("33000 x 33000 is over this machine's picture limit");
            break;
        }
        if (outcome != ReadOutcome::Damaged)
            state.SkipWithError("the picture was not refused as damaged");
        peakMiB = std::max(peakMiB,
                           double(test::highWaterMiB(QCoreApplication::applicationPid())) - before);
    }
    state.counters["ms_until_refused"] = ms;
    state.counters["peak_mib_above_before"] = peakMiB;
}
BENCHMARK(BM_JpegClaimingHuge)->Unit(benchmark::kMillisecond)->Iterations(3);

// Keeps every run's time per iteration and counters, and prints Google Benchmark's table as
// usual.
class CollectingReporter : public benchmark::ConsoleReporter
{
public:
    struct Result
    {
        double secondsPerIteration = 0;
        std::map<std::string, double> counters;
    };
    std::map<std::string, Result> results;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0)
                continue;
            Result &r = results[run.run_name.function_name];
            r.secondsPerIteration = run.real_accumulated_time / double(run.iterations);
            for (const auto &[name, counter] : run.counters)
                r.counters[name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

struct Target
{
    const char *what;
    const char *numerator;
    const char *denominator; // nullptr: the numerator's counter is the figure
    const char *counter;
    double limit;
    const char *setBy;
};

// The figures the tool must meet, each a ratio measured within one run.
const Target targets[] = {
    {"paste vs bare PNG decode", "BM_Paste/7680x4320", "BM_DecodePng/7680x4320", nullptr, 1.3,
     "screenshot paste"},
    {"eight 8K buffers, MiB above idle", "BM_EightBuffers/7680x4320", nullptr, "rss_mib_above_idle",
     256, "image buffers"},
    {"three 20000 x 20000 buffers, MiB above idle and one picture", "BM_HugeBuffers/20000x20000",
     nullptr, "rss_mib_above_one_picture", 300, "image buffers"},
    {"find a 100 x 100 definition in 8K vs one peak pass", "BM_Find/100x100_in_7680x4320",
     "BM_PeakPass/7680x4320", nullptr, 3.0, "find in the screenshot"},
    {"find it in a flat 8K, every pixel, vs one peak pass",
     "BM_FindFlat/100x100_every_pixel_in_7680x4320", "BM_PeakPass/7680x4320", nullptr, 10.0,
     "find in the screenshot"},
    {"find it in a flat 8K, every other pixel, vs one peak pass",
     "BM_FindFlat/100x100_every_other_pixel_in_7680x4320", "BM_PeakPass/7680x4320", nullptr, 10.0,
     "find in the screenshot"},
    {"a near miss in 8K, found nowhere and its nearest place, vs one peak pass",
     "BM_FindNearMiss/100x100_in_7680x4320", "BM_PeakPass/7680x4320", nullptr, 10.0,
     "find in the screenshot"},
    {"the near miss of 300 entries counted at every place of an 8K, vs one peak pass",
     "BM_NearMissExact/300_in_7680x4320", "BM_PeakPass/7680x4320", nullptr, 10.0,
     "find in the screenshot"},
    {"Ctrl+B over eight 8K buffers vs unpacking and finding in each",
     "BM_FindInBuffers/8x7680x4320", nullptr, "vs_unpack_and_find_each", 1.0,
     "find in the buffers"},
    {"Ctrl+B, 40 definitions over eight 8K buffers, vs unpacking each and 40 searches in it",
     "BM_FindSeveralInBuffers/40_in_8x7680x4320", nullptr, "vs_unpack_and_each_search", 1.5,
     "find in the buffers"},
    {"paste over a searched 20000 x 20000, MiB above one unsearched",
     "BM_PasteOverSearched/20000x20000", nullptr, "rss_mib_above_unsearched", 50,
     "find in the screenshot"},
    {"Ctrl+F and Escape four times on 20000 x 20000, threads at work above idle",
     "BM_FindAndEscape/20000x20000", nullptr, "threads_above_idle", 2, "find in the screenshot"},
    {"the same, peak MiB above the pasted picture's", "BM_FindAndEscape/20000x20000", nullptr,
     "peak_mib_above_pasted", 300, "find in the screenshot"},
    {"bring back vs bare PNG decode", "BM_BringBack/7680x4320", "BM_DecodePng/7680x4320", nullptr,
     0.4, "image buffers"},
    {"drag step, 8K vs 640x480 screenshot", "BM_DragStep/7680x4320", "BM_DragStep/640x480", nullptr,
     1.5, "rubber band"},
    {"drag step at 2x, 8K vs 640x480", "BM_DragStep/7680x4320@2x", "BM_DragStep/640x480@2x",
     nullptr, 1.5, "rubber band"},
    {"drag step on 8K, 2x vs 1x", "BM_DragStep/7680x4320@2x", "BM_DragStep/7680x4320", nullptr, 1.5,
     "rubber band"},
    {"Create Object vs bare pixel loop", "BM_CreateObject/100x100", "BM_PixelLoop/100x100", nullptr,
     3.0, "object definition"},
    {"a cancelled 8K decode, ms until its thread ends", "BM_Cancelled", nullptr,
     "decode_ms_after_cancel", 200, "work that stops"},
    {"a cancelled 8K search, ms until its thread ends", "BM_Cancelled", nullptr,
     "search_ms_after_cancel", 200, "work that stops"},
    {"a cancelled 8K JPEG decode, ms until its thread ends", "BM_Cancelled", nullptr,
     "jpeg_decode_ms_after_cancel", 200, "work that stops"},
    {"a few KB of JPEG claiming 33000 x 33000, ms until refused", "BM_JpegClaimingHuge", nullptr,
     "ms_until_refused", 500, "work that stops"},
    {"the same, peak MiB above before", "BM_JpegClaimingHuge", nullptr, "peak_mib_above_before",
     100, "work that stops"},
    {"a dropped 16000 x 16000 compression, ms until it ends", "BM_Cancelled", nullptr,
     "compression_ms_after_drop", 200, "work that stops"},
    {"Ctrl+B right after a 20000 x 20000 paste, cancelled: ms until its thread ends",
     "BM_Cancelled", nullptr, "buffers_search_ms_after_cancel", 200, "work that stops"},
};

// Prints the table of ratios and writes it as JSON; returns whether every target was met.
bool report(const CollectingReporter &reporter, const QString &jsonPath)
{
    QJsonArray rows;
    bool allMet = true;
    std::printf("\n%-38s %-52s %8s %8s  %s\n", "figure", "pair", "ratio", "target", "");
    for (const Target &t : targets) {
        const auto num = reporter.results.find(t.numerator);
        const auto den =
            t.denominator ? reporter.results.find(t.denominator) : reporter.results.end();
        // A counter may be below 0 (less memory than what it is compared with).
        double ratio = 0;
        bool measured = false;
        if (num != reporter.results.end()) {
            if (t.counter && num->second.counters.count(t.counter)) {
                ratio = num->second.counters.at(t.counter);
                measured = true;
            } else if (t.denominator && den != reporter.results.end() &&
                       den->second.secondsPerIteration > 0) {
                ratio = num->second.secondsPerIteration / den->second.secondsPerIteration;
                measured = true;
            }
        }
        const bool met = measured && ratio <= t.limit;
        allMet = allMet && (met || !measured);
        const std::string pair = t.denominator ? std::string(t.numerator) + " / " + t.denominator
                                               : std::string(t.numerator) + " " + t.counter;
        if (measured)
            std::printf("%-38s %-52s %8.3f %8.2f  %s\n", t.what, pair.c_str(), ratio, t.limit,
                        met ? "met" : "MISSED");
        else
            std::printf("%-38s %-52s %8s %8.2f  not run\n", t.what, pair.c_str(), "-", t.limit);
        QJsonObject row{{QStringLiteral("figure"), QString::fromLatin1(t.what)},
                        {QStringLiteral("numerator"), QString::fromLatin1(t.numerator)},
                        {QStringLiteral("target"), t.limit},
                        {QStringLiteral("set_by"), QString::fromLatin1(t.setBy)}};
        if (t.denominator)
            row[QStringLiteral("denominator")] = QString::fromLatin1(t.denominator);
        if (t.counter)
            row[QStringLiteral("counter")] = QString::fromLatin1(t.counter);
        if (measured) {
            row[QStringLiteral("ratio")] = ratio;
            row[QStringLiteral("met")] = met;
        }
        rows.append(row);
    }
    QJsonObject times;
    for (const auto &[name, result] : reporter.results)
        times[QString::fromStdString(name)] = result.secondsPerIteration;
    QFile out(jsonPath);
    if (!jsonPath.isEmpty() && out.open(QIODevice::WriteOnly)) {
        out.write(QJsonDocument(QJsonObject{{QStringLiteral("ratios"), rows},
                                            {QStringLiteral("seconds_per_iteration"), times}})
                      .toJson());
        std::printf("written to %s\n", qPrintable(jsonPath));
    }
    return allMet;
}

} // namespace

int main(int argc, char **argv)
{
    // Two offscreen screens side by side, unscaled and at twice the pixels, so that the drag
    // is measured on both in one run.
    QFile screens(QDir::temp().filePath(QStringLiteral("corvantile-bench-screens.json")));
    if (screens.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        screens.write(R"({"screens": [
            {"name": "1x", "x": 0, "y": 0, "width": 1600, "height": 1200, "logicalDpi": 96},
            {"name": "2x", "x": 1600, "y": 0, "width": 3200, "height": 2400, "logicalDpi": 192}]})");
        screens.close();
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    qunsetenv("QT_SCALE_FACTOR");
    // --report=FILE: where the table goes as JSON; everything else is Google Benchmark's.
    QString jsonPath;
    std::vector<char *> args;
    for (int i = 0; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg.startsWith("--report="))
            jsonPath = QString::fromLocal8Bit(arg.mid(9));
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    QApplication app(count, args.data());
    benchmark::Initialize(&count, args.data());
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return report(reporter, jsonPath) ? 0 : 1;
}
