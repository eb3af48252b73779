#include "support/form_driver.h"

#include <set>

using namespace corvantile;
using namespace corvantile::test;

namespace {

// The pixels of the box that differ from the reference.
std::set<std::pair<int, int>> changedPixels(const QImage &before, const QImage &after)
{
    std::set<std::pair<int, int>> changed;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                changed.insert({x, y});
    return changed;
}

} // namespace

class tst_PictureBox : public QObject
{
    Q_OBJECT
private slots:
    void pointReadsPictureBackgroundAndOutside()
    {
        PictureBox box(PictureBox::Border::Sunken);
        box.setBoxSize(24, 24); // 20 x 20 drawing area
        box.setPicture(patternImage(10, 5));
        QCOMPARE(box.drawingSize(), QSize(20, 20));
        QCOMPARE(box.point(3, 4), colourValueFromRgb(patternPixel(3, 4)));
        QCOMPARE(box.point(15, 15), colourValueFromRgb(box.backColor()));
        QCOMPARE(box.point(-1, 0), -1);
        QCOMPARE(box.point(0, 20), -1);
        QCOMPARE(box.point(20, 0), -1);
        QCOMPARE(box.point(19, 19), colourValueFromRgb(box.backColor()));
    }

    void autoSizeResizesInsideTheAssignment()
    {
        PictureBox box(PictureBox::Border::Sunken);
        box.setAutoSize(true);
        box.setBoxSize(1028, 772);
        int sizeSeenInsideSignal = -1;
        QSignalSpy spy(&box, &PictureBox::sizeChanged);
        connect(&box, &PictureBox::sizeChanged, this, [&] { sizeSeenInsideSignal = box.width(); });

        box.setPicture(patternImage(800, 600));
        QCOMPARE(spy.count(), 1); // emitted before setPicture returned
        QCOMPARE(sizeSeenInsideSignal, 804);
        QCOMPARE(box.size(), QSize(804, 604));

        box.setPicture(patternImage(800, 600)); // same size: no signal
        QCOMPARE(spy.count(), 1);
        box.setPicture(QImage()); // no picture: the size stays
        QCOMPARE(spy.count(), 1);
        QCOMPARE(box.size(), QSize(804, 604));
        QCOMPARE(box.point(0, 0), colourValueFromRgb(box.backColor()));
    }

    void outlineTouchesEachPixelOnce_data()
    {
        QTest::addColumn<QPoint>("a");
        QTest::addColumn<QPoint>("b");
        QTest::addColumn<int>("pixels");
        QTest::newRow("box") << QPoint(5, 6) << QPoint(15, 12) << 2 * 10 + 2 * 6;
        QTest::newRow("reversed corners") << QPoint(15, 12) << QPoint(5, 6) << 32;
        QTest::newRow("one pixel wide") << QPoint(5, 5) << QPoint(6, 9) << 10;
        QTest::newRow("flat") << QPoint(3, 7) << QPoint(12, 7) << 10;
        QTest::newRow("upright line") << QPoint(7, 12) << QPoint(7, 3) << 10;
        QTest::newRow("a point") << QPoint(4, 4) << QPoint(4, 4) << 1;
        QTest::newRow("partly outside") << QPoint(-5, -5) << QPoint(4, 4) << 9;
        QTest::newRow("wholly outside") << QPoint(-50, -50) << QPoint(-10, -10) << 0;
    }

    void outlineTouchesEachPixelOnce()
    {
        QFETCH(QPoint, a);
        QFETCH(QPoint, b);
        QFETCH(int, pixels);
        PictureBox box(PictureBox::Border::None);
        box.setBoxSize(40, 30);
        box.setPicture(patternImage(40, 30));
        const QImage before = box.image();
        box.setDrawMode(PictureBox::DrawMode::Invert);
        box.drawBoxOutline(a, b);
        const QImage after = box.image();
        const auto changed = changedPixels(before, after);
        QCOMPARE(int(changed.size()), pixels);
        for (const auto &[x, y] : changed) {
            QCOMPARE(after.pixel(x, y) & 0xffffff, ~before.pixel(x, y) & 0xffffff);
            const bool onOutline = (x == std::min(a.x(), b.x()) || x == std::max(a.x(), b.x()) ||
                                    y == std::min(a.y(), b.y()) || y == std::max(a.y(), b.y()));
            QVERIFY(onOutline);
        }
        box.drawBoxOutline(b, a); // the same outline, corners the other way round
        QCOMPARE(box.image(), before);
    }

    void dottedOutlineAndInvertTwiceRestores()
    {
        PictureBox box(PictureBox::Border::Sunken);
        box.setBoxSize(104, 84);
        box.setPicture(patternImage(100, 80));
        box.setLineStyle(PictureBox::LineStyle::Dot);
        box.setDrawMode(PictureBox::DrawMode::Invert);
        const QImage before = box.image();

        box.drawBoxOutline(QPoint(10, 10), QPoint(40, 10));
        auto changed = changedPixels(before, box.image());
        // One pixel on, two off, from the start of the line.
        QCOMPARE(int(changed.size()), 11);
        QVERIFY(changed.count({10, 10}));
        QVERIFY(!changed.count({11, 10}));
        QVERIFY(!changed.count({12, 10}));
        QVERIFY(changed.count({13, 10}));
        box.drawBoxOutline(QPoint(10, 10), QPoint(40, 10));
        QCOMPARE(box.image(), before);

        // A band moved the way a drag moves it: old erased, new drawn, many times over.
        QPoint last(27, 25);
        box.drawBoxOutline(QPoint(20, 20), last);
        for (int i = 0; i < 30; ++i) {
            const QPoint next(20 + (i * 7) % 70, 20 + (i * 5) % 55);
            box.drawBoxOutline(QPoint(20, 20), last);
            box.drawBoxOutline(QPoint(20, 20), next);
            last = next;
        }
        box.drawBoxOutline(QPoint(20, 20), last);
        QCOMPARE(box.image(), before);
    }

    void outlineOnHugePictureOnlyTouchesItsOutline()
    {
        PictureBox box(PictureBox::Border::Sunken);
        box.setAutoSize(true);
        const QImage big = patternImage(4000, 3000);
        box.setPicture(big);
        box.setLineStyle(PictureBox::LineStyle::Dot);
        box.setDrawMode(PictureBox::DrawMode::Invert);
        box.drawBoxOutline(QPoint(3990, 2990), QPoint(5000, 5000)); // runs off the picture
        QCOMPARE(box.point(3990, 2990), colourValueFromRgb(~patternPixel(3990, 2990) & 0xffffff));
        QCOMPARE(box.point(3991, 2991), colourValueFromRgb(patternPixel(3991, 2991)));
        QCOMPARE(box.point(3998, 2990), colourValueFromRgb(patternPixel(3998, 2990))); // dot gap
        // The picture itself is never drawn on.
        QCOMPARE(box.picture().pixel(3990, 2990), patternPixel(3990, 2990));
    }

    void clsRestoresBackgroundAndPicture()
    {
        PictureBox box(PictureBox::Border::None);
        box.setBoxSize(30, 30);
        box.setPicture(patternImage(20, 20));
        const QImage clean = box.image();
        box.setDrawMode(PictureBox::DrawMode::Invert);
        box.drawBoxOutline(QPoint(2, 2), QPoint(25, 25));
        box.paintPicture(patternImage(5, 5), QRect(0, 0, 5, 5), QPoint(22, 22));
        QVERIFY(box.image() != clean);
        box.cls();
        QCOMPARE(box.image(), clean);
    }

    void paintPictureCopiesOneForOneFromThePicture()
    {
        PictureBox view(PictureBox::Border::Sunken);
        view.setAutoSize(true);
        view.setPicture(patternImage(200, 150));
        view.setDrawMode(PictureBox::DrawMode::Invert);
        view.drawBoxOutline(QPoint(10, 10), QPoint(30, 30)); // must never reach the copy

        PictureBox clip(PictureBox::Border::None);
        clip.setBoxSize(25, 25);
        const QRgb back = clip.backColor();

        struct Case
        {
            QRect source;
            QPoint firstCopied; // clip point that receives source pixel (source.x + dx, ...)
            QRect copiedArea;   // the part of the clip that receives pixels
        };
        const Case cases[] = {
            {{10, 10, 20, 20}, {0, 0}, {0, 0, 20, 20}},
            {{190, 140, 20, 20}, {0, 0}, {0, 0, 10, 10}}, // runs off the picture
            {{-5, -3, 20, 20}, {5, 3}, {5, 3, 15, 17}},   // starts before it
            {{0, 0, 150, 150}, {0, 0}, {0, 0, 25, 25}},   // larger than the clip
        };
        for (const Case &c : cases) {
            clip.cls();
            clip.paintPicture(view.picture(), c.source, QPoint(0, 0));
            for (int y = 0; y < 25; ++y)
                for (int x = 0; x < 25; ++x) {
                    const QRgb expected = c.copiedArea.contains(x, y)
                                              ? patternPixel(c.source.x() + x, c.source.y() + y)
                                              : back;
                    QCOMPARE(QColor(clip.image().pixel(x, y)), QColor(expected));
                }
        }
    }

    void mouseSignalsCarryButtonCodesAndDrawingCoordinates()
    {
        PictureBox box(PictureBox::Border::Sunken);
        box.setBoxSize(100, 100);
        QSignalSpy down(&box, &PictureBox::mouseDown);
        QSignalSpy move(&box, &PictureBox::mouseMove);
        QSignalSpy up(&box, &PictureBox::mouseUp);
        sendMouse(&box, QEvent::MouseButtonPress, QPoint(12, 7), Qt::RightButton, Qt::RightButton);
        sendMouse(&box, QEvent::MouseMove, QPoint(-40, 300), Qt::NoButton,
                  Qt::LeftButton | Qt::RightButton);
        sendMouse(&box, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::MiddleButton, Qt::NoButton);
        QCOMPARE(down.count(), 1);
        QCOMPARE(down.at(0).at(0).toInt(), 2);
        QCOMPARE(down.at(0).at(2).toFloat(), 10.0f); // the sunken border takes 2 pixels
        QCOMPARE(down.at(0).at(3).toFloat(), 5.0f);
        QCOMPARE(move.at(0).at(0).toInt(), 3); // left and right held
        QCOMPARE(move.at(0).at(2).toFloat(), -42.0f);
        QCOMPARE(move.at(0).at(3).toFloat(), 298.0f);
        QCOMPARE(up.at(0).at(0).toInt(), 4);
    }

    void imageBoxStretchesAndReportsButtons()
    {
        ImageBox box;
        box.resize(46, 45);
        box.setBorder(true);
        QImage picture(2, 1, QImage::Format_RGB32);
        picture.setPixel(0, 0, qRgb(255, 0, 0));
        picture.setPixel(1, 0, qRgb(0, 0, 255));
        box.setScaling(ImageBox::Scaling::Pixelated);
        box.setPicture(picture);
        const QImage shown = box.scaledPicture().toImage();
        QCOMPARE(shown.size(), QSize(44, 43)); // inside the one-pixel border, proportions not kept
        QCOMPARE(QColor(shown.pixel(21, 20)), QColor(255, 0, 0));
        QCOMPARE(QColor(shown.pixel(22, 20)), QColor(0, 0, 255));

        QSignalSpy up(&box, &ImageBox::mouseUp);
        QSignalSpy doubles(&box, &ImageBox::doubleClicked);
        sendMouse(&box, QEvent::MouseButtonRelease, QPoint(3, 3), Qt::RightButton, Qt::NoButton);
        QCOMPARE(up.at(0).at(0).toInt(), 2);
        QTest::mouseDClick(&box, Qt::LeftButton);
        QCOMPARE(doubles.count(), 1);
    }
};

QTEST_MAIN(tst_PictureBox)
#include "tst_picture_box.moc"
