#include "common/background_job.h"
#include "controls/announcer.h"
#include "selection/captions.h"
#include "selection/geometry.h"
#include "support/form_driver.h"
#include <QTableWidget>

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

using namespace corvantile;
using namespace corvantile::test;

namespace {

// Checks that the clip box holds the w x h region of the pattern screenshot whose top-left
// is (x, y), and its background everywhere else.
void verifyClipHolds(const FormDriver &d, int x, int y, int w, int h, QSize screenshot)
{
    const QImage clip = d.picClip->image();
    const QRgb back = d.picClip->backColor();
    for (int cy = 0; cy < clip.height(); ++cy) {
        for (int cx = 0; cx < clip.width(); ++cx) {
            const int sx = x + cx;
            const int sy = y + cy;
            const bool copied = cx < w && cy < h && sx >= 0 && sy >= 0 && sx < screenshot.width() &&
                                sy < screenshot.height();
            const QRgb expected = copied ? patternPixel(sx, sy) : back;
            if (clip.pixel(cx, cy) != expected)
                QFAIL(qPrintable(QString::asprintf("clip pixel %d,%d is %08x, expected %08x", cx,
                                                   cy, clip.pixel(cx, cy), expected)));
        }
    }
}

const QSize shotSize(400, 300);
const QImage pattern = patternImage(shotSize.width(), shotSize.height());

QString hoverCaption(QPoint p, QRgb c)
{
    return QString::asprintf("%d, %d   /   R=%d G=%d B=%d", p.x(), p.y(), qRed(c), qGreen(c),
                             qBlue(c));
}

// Noise from a linear congruential generator started at `seed`: each pixel is `base` with the
// generator's next number shifted right by `shift` over it.
QImage noise(QSize size, quint32 seed, quint32 base, int shift)
{
    QImage shot(size, QImage::Format_RGB32);
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            shot.setPixel(x, y, base | ((seed = seed * 1664525u + 1013904223u) >> shift));
    return shot;
}

// The region `patch` of a screenshot copied to each of `places` in it.
void copyPatch(QImage &shot, QRect patch, std::initializer_list<QPoint> places)
{
    const QImage pixels = shot.copy(patch);
    for (const QPoint at : places)
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x)
                shot.setPixel(at + QPoint(x, y), pixels.pixel(x, y));
}

// A 300 x 200 screenshot of noise in which the 5 x 4 region at 10, 20 stands once more, at
// 250, 150, and nowhere else.
QImage noiseWithATwin()
{
    QImage shot = noise({300, 200}, 3, 0xff808080u, 9);
    copyPatch(shot, QRect(10, 20, 5, 4), {QPoint(250, 150)});
    return shot;
}

} // namespace

class tst_Selection : public QObject
{
    Q_OBJECT
private slots:
    void dragUpAndLeft()
    {
        FormDriver d(pattern);
        d.press({50, 40});
        d.move({20, 90});
        QCOMPARE(d.lblCoords->text(), QStringLiteral("20, 40 / 30 - 50"));
        d.release({20, 90});
        QCOMPARE(d.fields(), QStringList({"20, 40", "30", "50"}));
        QCOMPARE(d.picClip->boxSize(), QSize(30, 50));
        verifyClipHolds(d, 20, 40, 30, 50, shotSize);
    }

    void dragIsCappedAtOneHundred()
    {
        FormDriver d(pattern);
        d.press({10, 20});
        d.move({140, 80});
        QCOMPARE(d.lblCoords->text(), QStringLiteral("10, 20 / 130 - 60")); // never capped
        d.release({140, 80});
        QCOMPARE(d.fields(), QStringList({"10, 20", "100", "60"}));
        QCOMPARE(d.picClip->boxSize(), QSize(100, 60));
        verifyClipHolds(d, 10, 20, 100, 60, shotSize);

        // A side of exactly 100 is left as it is.
        d.drag({0, 0}, {100, 100});
        QCOMPARE(d.picClip->boxSize(), QSize(100, 100));
        verifyClipHolds(d, 0, 0, 100, 100, shotSize);
    }

    void clickWithoutMoving()
    {
        FormDriver d(pattern);
        d.press({33, 44});
        d.release({33, 44});
        QCOMPARE(d.fields(), QStringList({"33, 44", "0", "0"}));
        QCOMPARE(d.picClip->boxSize(), QSize(0, 0));
    }

    void rightButtonDragDrawsNoBand()
    {
        FormDriver d(pattern);
        const QImage clean = d.PicInner->image();
        d.press({60, 70}, Qt::RightButton);
        d.move({20, 30}, Qt::RightButton);
        QCOMPARE(d.PicInner->image(), clean);
        QCOMPARE(d.form->state().leftX, 60.0f);
        QCOMPARE(d.form->state().topY, 70.0f);
        d.release({20, 30}, Qt::RightButton);
        // The corner is the press point; the size is the distance to the release point.
        QCOMPARE(d.fields(), QStringList({"60, 70", "40", "40"}));
        verifyClipHolds(d, 60, 70, 40, 40, shotSize);
    }

    void leftMoveWithRightHeldIgnored()
    {
        FormDriver d(pattern);
        d.press({10, 10});
        d.move({30, 30});
        const QImage withBand = d.PicInner->image();
        d.move({60, 60}, Qt::LeftButton | Qt::RightButton);
        QCOMPARE(d.PicInner->image(), withBand);
        QCOMPARE(d.form->state().lastX, 30.0f);
        QVERIFY(d.lblCoords->text().startsWith(QStringLiteral("60, 60   /   R=")));
    }

    void hoverCaptionShowsColourUnderPointer()
    {
        FormDriver d;
        QImage shot = patternImage(200, 100);
        shot.setPixel(120, 45, qRgb(255, 128, 0));
        d.paste(shot);
        d.move({120, 45}, Qt::NoButton);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("120, 45   /   R=255 G=128 B=0"));
        // Beyond the drawing area the colour is -1: red 255, green 0, blue 0.
        d.move({-7, 500}, Qt::NoButton);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("-7, 500   /   R=255 G=0 B=0"));
    }

    void hoverOverBandReadsInvertedColour()
    {
        FormDriver d;
        QImage shot = patternImage(200, 100);
        shot.setPixel(13, 10, qRgb(10, 20, 30));
        d.paste(shot);
        d.press({10, 10});
        d.move({40, 40}); // a dot of the band's top edge falls on (13, 10)
        d.move({40, 40}, Qt::NoButton);
        d.move({13, 10}, Qt::NoButton);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("13, 10   /   R=245 G=235 B=225"));
    }

    void releaseGuardCopiesOnce()
    {
        FormDriver d(pattern);
        int copiesSeen = 0;
        bool guardSeen = true;
        for (QLineEdit *box : {d.txtCoords, d.txtWidth, d.txtHeight})
            connect(box, &QLineEdit::textChanged, this, [&] {
                ++copiesSeen;
                guardSeen = guardSeen && d.form->state().settingFields;
            });
        d.press({70, 80});
        d.move({90, 95});
        d.release({90, 95});
        QCOMPARE(copiesSeen, 3); // each box changed once, every time under the guard
        QVERIFY(guardSeen);
        QVERIFY(!d.form->state().settingFields);
        QCOMPARE(d.form->state().startX, 70.0f); // still the press point
        QCOMPARE(d.form->state().startY, 80.0f);
        verifyClipHolds(d, 70, 80, 20, 15, shotSize);

        // With the guard up, a change copies nothing and leaves the corner alone.
        const QImage clip = d.picClip->image();
        d.form->state().settingFields = true;
        d.txtCoords->setText(QStringLiteral("1, 2"));
        d.txtWidth->setText(QStringLiteral("3"));
        QCOMPARE(d.picClip->image(), clip);
        QCOMPARE(d.form->state().startX, 70.0f);
        QCOMPARE(d.form->state().startY, 80.0f);
    }

    void bandIsErasedByNextPressAndRestoresView()
    {
        FormDriver d(pattern);
        const QImage clean = d.PicInner->image();
        d.press({20, 20});
        for (int i = 1; i <= 25; ++i)
            d.move({20 + i * 5, 20 + i * 3});
        d.release({145, 95});
        QVERIFY(d.PicInner->image() != clean); // the band stays after the release
        // Only the band's outline differs, and only at the dotted pixels.
        QCOMPARE(d.PicInner->point(23, 20), colourValueFromRgb(~patternPixel(23, 20) & 0xffffff));
        QCOMPARE(d.PicInner->point(24, 20), colourValueFromRgb(patternPixel(24, 20)));
        QCOMPARE(d.PicInner->point(60, 60), colourValueFromRgb(patternPixel(60, 60)));
        d.press({200, 200});
        QCOMPARE(d.PicInner->image(), clean);
    }

    void typingInGeometryBoxRemovesBand()
    {
        FormDriver d(pattern);
        const QImage clean = d.PicInner->image();
        d.drag({5, 5}, {50, 50});
        QVERIFY(d.PicInner->image() != clean);
        FormDriver::type(d.txtHeight, QStringLiteral("7"));
        QCOMPARE(d.PicInner->image(), clean);
    }

    void dragOutsideTheView()
    {
        FormDriver d(pattern);
        d.press({30, 20});
        d.move({-15, -8});
        QCOMPARE(d.lblCoords->text(), QStringLiteral("-15, -8 / 45 - 28"));
        d.release({-15, -8});
        QCOMPARE(d.txtCoords->text(), QStringLiteral("-15, -8"));
        QCOMPARE(d.picClip->boxSize(), QSize(45, 28));
        verifyClipHolds(d, -15, -8, 45, 28, shotSize);

        d.drag({380, 290}, {450, 330}); // past the right and bottom edges
        QCOMPARE(d.txtCoords->text(), QStringLiteral("380, 290"));
        verifyClipHolds(d, 380, 290, 70, 40, shotSize);
    }

    void dragAfterScrollingUsesScreenshotCoordinates()
    {
        FormDriver d(patternImage(1200, 900));
        d.HScroll1->setValue(300);
        d.VScroll1->setValue(200);
        d.drag({310, 220}, {330, 240});
        QCOMPARE(d.txtCoords->text(), QStringLiteral("310, 220"));
        verifyClipHolds(d, 310, 220, 20, 20, QSize(1200, 900));
    }

    // On a screen of any scale, the pointer anywhere inside a screen pixel marks the screenshot
    // pixel drawn there, and the view shows the screenshot one pixel for one screen pixel.
    void pointerMarksThePixelUnderIt_data()
    {
        QTest::addColumn<QPointF>("within");
        QTest::newRow("start of a pixel") << QPointF(0, 0);
        QTest::newRow("middle") << QPointF(0.5, 0.5);
        QTest::newRow("end") << QPointF(0.99, 0.99);
    }

    void pointerMarksThePixelUnderIt()
    {
        QFETCH(QPointF, within);
        FormDriver d(pattern);
        const QRect viewport = d.viewportOnScreen();
        const QImage clean = d.onScreen().copy(viewport);

        // Jumping in from another control, through a window that sits between screen pixels.
        d.jumpInto({41, 29}, within, {0.49, -0.49});
        QCOMPARE(d.lblCoords->text(), hoverCaption({41, 29}, patternPixel(41, 29)));
        d.move({37, 23}, Qt::NoButton, within);
        QCOMPARE(d.lblCoords->text(), hoverCaption({37, 23}, patternPixel(37, 23)));
        const QPoint under = d.screenPixel(d.onView({37, 23}, within));
        const QImage screen = d.onScreen();
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                QCOMPARE(screen.pixel(under + QPoint(dx, dy)), patternPixel(37 + dx, 23 + dy));

        d.press({30, 20}, Qt::LeftButton, within);
        d.move({70, 50}, Qt::LeftButton, within);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("30, 20 / 40 - 30"));
        // The view on the screen is the view's image, band and all, one pixel for one.
        const QImage view = d.PicInner->image();
        const QImage banded = d.onScreen();
        const QPoint origin = d.screenPixel(d.onView({0, 0}, within));
        for (int y = 0; y < shotSize.height(); ++y)
            for (int x = 0; x < shotSize.width(); ++x)
                if (viewport.contains(origin + QPoint(x, y)) &&
                    banded.pixel(origin + QPoint(x, y)) != view.pixel(x, y))
                    QFAIL(qPrintable(
                        QStringLiteral("view pixel %1,%2 differs on screen").arg(x).arg(y)));
        QCOMPARE(view.pixel(33, 20), patternPixel(33, 20) ^ 0x00ffffffu); // a dot of the band

        d.release({70, 50}, Qt::LeftButton, within);
        QCOMPARE(d.fields(), QStringList({"30, 20", "40", "30"}));
        verifyClipHolds(d, 30, 20, 40, 30, shotSize);
        const QImage withClip = d.onScreen();
        const QPoint clipAt = d.screenPixel(d.picClip->mapDrawingToWindow({0, 0}));
        QCOMPARE(withClip.copy(QRect(clipAt, QSize(40, 30))),
                 d.picClip->image().copy(0, 0, 40, 30));

        // The next press takes the band away: the view is on the screen as it was.
        d.press({5, 5});
        QCOMPARE(d.onScreen().copy(viewport), clean);
    }

    // Without a mouse: the arrow keys move a cursor of one pixel over the screenshot (ten with
    // Shift, Home and End to the row's ends), the status line and a screen reader tell its
    // pixel as the hover does, the view follows it, and Enter at one corner and Enter at the
    // other mark what a drag between them marks, limits and all.
    void keyboardCursorMarksAsADragDoes_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::newRow("down and right") << QPoint(5, 7) << QPoint(20, 31);
        QTest::newRow("up and left") << QPoint(43, 38) << QPoint(12, 2);
        QTest::newRow("past the largest region") << QPoint(3, 3) << QPoint(160, 130);
        QTest::newRow("far into the screenshot, the view following")
            << QPoint(1150, 960) << QPoint(1199, 999);
    }

    void keyboardCursorMarksAsADragDoes()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        const QImage shot = patternImage(1200, 1000);
        FormDriver mouse(shot);
        FormDriver keys(shot);
        keys.PicInner->setFocus();
        QPoint at;
        const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
            QTest::keyClick(keys.PicInner, key, modifiers);
            at = *keys.PicInner->keyboardCursor();
            QVERIFY(keys.PicInner->shownDrawing().contains(at));
        };
        const auto goTo = [&](QPoint target) {
            while (at.x() != target.x()) {
                const int left = target.x() - at.x();
                press(left > 0 ? Qt::Key_Right : Qt::Key_Left,
                      std::abs(left) >= 10 ? Qt::ShiftModifier : Qt::NoModifier);
            }
            while (at.y() != target.y()) {
                const int left = target.y() - at.y();
                press(left > 0 ? Qt::Key_Down : Qt::Key_Up,
                      std::abs(left) >= 10 ? Qt::ShiftModifier : Qt::NoModifier);
            }
        };
        press(Qt::Key_Right); // the first key puts the cursor at the top-left of the part shown
        QCOMPARE(at, QPoint(0, 0));
        press(Qt::Key_End);
        QCOMPARE(at, QPoint(1199, 0));
        QCOMPARE(keys.HScroll1->value(), keys.HScroll1->maximum()); // the row's end, border too
        press(Qt::Key_Home);
        QCOMPARE(at, QPoint(0, 0));
        QCOMPARE(keys.HScroll1->value(), keys.HScroll1->minimum()); // the view back at its start
        goTo(from);
        // What the pointer's hover at that pixel writes, heard too.
        mouse.move(from, Qt::NoButton);
        QCOMPARE(keys.lblCoords->text(), mouse.lblCoords->text());
        const Announcer *told = keys.form->findChild<Announcer *>();
        QVERIFY(told);
        QCOMPARE((QStringList(told->shown()) + told->waiting()).constLast(),
                 keys.lblCoords->text());
        press(Qt::Key_Return);
        goTo(to);
        press(Qt::Key_Return);
        mouse.drag(from, to);
        QCOMPARE(keys.fields(), mouse.fields());
        QCOMPARE(keys.picClip->image(), mouse.picClip->image());
        QCOMPARE(keys.form->state().startX, mouse.form->state().startX);
    }

    // Ctrl+F outlines every place the definition matches, on whole screen pixels just around
    // it, over the view and never in its drawing; F3 and Shift+F3 go from place to place, and
    // the next press on the view takes the outlines away.
    void findOutlinesEveryPlace()
    {
        QImage shot = noise({900, 600}, 7, 0xff000000u, 8);
        copyPatch(shot, QRect(40, 30, 12, 9), {QPoint(200, 100), QPoint(888, 591)});
        FormDriver d(shot);
        d.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d.form.get()));
        d.drag({40, 30}, {52, 39});
        d.Option1->click();
        const QImage drawn = d.PicInner->image();
        QTest::keyClick(d.form.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(d.waitForPictures());
        QCOMPARE(d.lblCoords->text(),
                 QStringLiteral("Found at 3 places: 40, 30 \u00b7 200, 100 \u00b7 888, 591"));
        // Only the places the view shows are outlined.
        const auto outlinedAreShown = [&] {
            QList<QRect> shown;
            for (const QRect place :
                 {QRect(40, 30, 12, 9), QRect(200, 100, 12, 9), QRect(888, 591, 12, 9)})
                if (place.adjusted(-1, -1, 1, 1).intersects(d.PicInner->shownDrawing()))
                    shown << place;
            return d.PicInner->outlines() == shown;
        };
        QVERIFY(outlinedAreShown());
        QVERIFY(d.PicInner->outlines().startsWith(QRect(40, 30, 12, 9)));
        QCOMPARE(d.PicInner->image(), drawn);
        // Around the first place: its ring is magenta, the pixels inside and outside it are the
        // screenshot's.
        const QImage screen = d.onScreen();
        const auto at = [&](int x, int y) { return d.screenPixel(d.onView({x, y}, {0.5, 0.5})); };
        const QRgb magenta = qRgb(255, 0, 255);
        for (const QPoint ring : {QPoint(39, 29), QPoint(52, 39), QPoint(45, 29), QPoint(52, 33)})
            QCOMPARE(screen.pixel(at(ring.x(), ring.y())), magenta);
        for (const QPoint inside : {QPoint(40, 30), QPoint(51, 38), QPoint(45, 30)})
            QCOMPARE(screen.pixel(at(inside.x(), inside.y())), drawn.pixel(inside));
        QCOMPARE(screen.pixel(at(38, 28)), drawn.pixel(38, 28));
        QCOMPARE(screen.pixel(at(53, 40)), drawn.pixel(53, 40));

        QTest::keyClick(d.form.get(), Qt::Key_F3);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Match 1 of 3: 40, 30"));
        // The place F3 went to stands out: yellow, black and yellow rings over its magenta one,
        // the screenshot inside it as it was.
        {
            const QImage current = d.onScreen();
            const QRgb yellow = qRgb(255, 255, 0);
            const QList<std::pair<QPoint, QRgb>> rings = {{QPoint(39, 29), yellow},
                                                          {QPoint(38, 28), qRgb(0, 0, 0)},
                                                          {QPoint(37, 27), yellow},
                                                          {QPoint(52, 33), yellow},
                                                          {QPoint(54, 33), yellow},
                                                          {QPoint(45, 39), yellow},
                                                          {QPoint(36, 26), shot.pixel(36, 26)}};
            for (const auto &[place, colour] : rings)
                QCOMPARE(current.pixel(at(place.x(), place.y())), colour);
            for (const QPoint inside : {QPoint(40, 30), QPoint(51, 38)})
                QCOMPARE(current.pixel(at(inside.x(), inside.y())), drawn.pixel(inside));
        }
        QTest::keyClick(d.form.get(), Qt::Key_F3);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Match 2 of 3: 200, 100"));
        QCOMPARE(d.PicInner->currentOutline(), QRect(200, 100, 12, 9));
        // As far toward the place as the bars go: on a scaled screen the view shows more.
        QCOMPARE(QPoint(d.HScroll1->value(), d.VScroll1->value()),
                 QPoint(qMin(180, d.HScroll1->maximum()), qMin(80, d.VScroll1->maximum())));
        QTest::keyClick(d.form.get(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Match 1 of 3: 40, 30"));
        QTest::keyClick(d.form.get(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Match 3 of 3: 888, 591"));
        QVERIFY(outlinedAreShown());
        QVERIFY(d.PicInner->outlines().endsWith(QRect(888, 591, 12, 9)));
        d.press({5, 5});
        QVERIFY(d.PicInner->outlines().isEmpty());
        QVERIFY(d.PicInner->currentOutline().isNull());
    }

    // Whatever changes the picture or the definition Ctrl+F would look for takes the outlines
    // and the find result in the status line away together; F3 then says there is nothing to
    // go to. Shift+F3 as the first key after Ctrl+F goes to the last place. A change while the
    // search still runs stops it, and its result never shows, however late it comes.
    void findResultsNeverStale_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("during"); // made while the search runs
        for (const char *change :
             {"Escape", "a bound", "the sampling", "the black rule", "the width", "the corner",
              "a drag", "a paste", "a bring-back", "deleting the shown buffer"})
            QTest::newRow(change) << QString::fromLatin1(change) << false;
        // A paste, a bring-back and a deletion are refused while a search runs.
        for (const char *change : {"Escape", "a bound", "the sampling", "the black rule",
                                   "the width", "the corner", "a drag"})
            QTest::addRow("while it runs: %s", change) << QString::fromLatin1(change) << true;
    }

    void findResultsNeverStale()
    {
        QFETCH(QString, change);
        QFETCH(bool, during);
        FormDriver d(noiseWithATwin());
        d.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d.form.get()));
        FormDriver::type(d.txtCoords, QStringLiteral("10, 20"));
        FormDriver::type(d.txtWidth, QStringLiteral("5"));
        FormDriver::type(d.txtHeight, QStringLiteral("4"));
        QTest::keyClick(d.form.get(), Qt::Key_F, Qt::ControlModifier);
        // The search's end comes through the event loop: until it is let run, the window sees
        // the search at work, however soon its thread is done.
        QCOMPARE(d.form->pictureJobRunning(), true);
        if (!during) {
            QVERIFY(d.waitForPictures());
            QCOMPARE(d.lblCoords->text(),
                     QStringLiteral("Found at 2 places: 10, 20 \u00b7 250, 150"));
            QTest::keyClick(d.form.get(), Qt::Key_F3, Qt::ShiftModifier);
            QCOMPARE(d.lblCoords->text(), QStringLiteral("Match 2 of 2: 250, 150"));
        }
        if (change == QLatin1String("Escape"))
            QTest::keyClick(d.form.get(), Qt::Key_Escape);
        else if (change == QLatin1String("a bound"))
            FormDriver::type(d.txtGreenTo, QStringLiteral("200"));
        else if (change == QLatin1String("the sampling"))
            d.Option1->click(); // every other pixel is chosen at first
        else if (change == QLatin1String("the black rule"))
            d.chkUseBlack->click();
        else if (change == QLatin1String("the width"))
            FormDriver::type(d.txtWidth, QStringLiteral("4"));
        else if (change == QLatin1String("the corner"))
            FormDriver::type(d.txtCoords, QStringLiteral("11, 20"));
        else if (change == QLatin1String("a drag"))
            d.drag({30, 30}, {40, 40});
        else if (change == QLatin1String("a paste"))
            d.paste(patternImage(120, 90));
        else if (change == QLatin1String("a bring-back"))
            d.releaseOnSlot(0, Qt::LeftButton);
        else {
            d.form->state().menuTarget = 0;
            d.form->delete_Click();
        }
        if (during) {
            QVERIFY(!d.form->pictureJobRunning());
            // (A drag's release writes the region's size over what the press said.)
            if (change != QLatin1String("a drag"))
                QCOMPARE(d.lblCoords->text(), change == QLatin1String("Escape")
                                                  ? QStringLiteral("Search stopped")
                                                  : QStringLiteral("Search stopped: what it looked "
                                                                   "for changed"));
            // Whatever the stopped search's thread still does or posts comes to nothing.
            QTRY_VERIFY(!BackgroundJob::workStillRunning());
            QCoreApplication::sendPostedEvents();
        }
        QVERIFY(d.PicInner->outlines().isEmpty());
        QVERIFY(!d.lblCoords->text().startsWith(QLatin1String("Found")));
        QVERIFY(!d.lblCoords->text().startsWith(QLatin1String("Match")));
        QTest::keyClick(d.form.get(), Qt::Key_F3);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Nothing found to go to: press Ctrl+F"));
    }

    // Ctrl+Shift+F looks for the definition on the clipboard as text: Create Object's own
    // finds what Ctrl+F finds, named; a text that is no definition says where it fails. The
    // result box and the bounds stay as they are.
    void findsTheClipboardsDefinition_data()
    {
        QTest::addColumn<QString>("text");   // empty: what Create Object put there
        QTest::addColumn<bool>("changeOne"); // one entry's peak changed in it
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("corner"); // typed before Create Object
        QTest::addColumn<bool>("ctrlF");     // looked for by Ctrl+F instead
        QTest::newRow("Create Object's own")
            << QString() << false
            << QStringLiteral("MappedObject: found at 2 places: 10, 20 \u00b7 250, 150")
            << QStringLiteral("10, 20") << false;
        QTest::newRow("from a script, by hand")
            << QStringLiteral(":Object Flat\n1=0,0\n:End Object ") << false
            << QStringLiteral("Flat: not found in this screenshot") << QStringLiteral("10, 20")
            << false;
        QTest::newRow("no definition") << QStringLiteral("hello") << false
                                       << QStringLiteral("Not a definition: line 1 does not begin "
                                                         "\":Object \"")
                                       << QStringLiteral("10, 20") << false;
        QTest::newRow("a near miss")
            << QString() << true
            << QStringLiteral(
                   "MappedObject: not found in this screenshot; best: 5 of 6 pixels at 10, 20")
            << QStringLiteral("10, 20") << false;
        QTest::newRow("Ctrl+F, a region past the right edge")
            << QString() << false
            << QStringLiteral("Not found in this screenshot; best: 3 of 6 pixels at 84, 104; "
                              "columns 3 to 4 lie "
                              "outside the "
                              "screenshot")
            << QStringLiteral("297, 20") << true;
        // A script's definitions, each looked for, in one line; a broken one is named, and the
        // others are read all the same.
        const QString script =
            QStringLiteral("; the dialog\r\n:Object Bad\r\n1=0,0|x\r\n:End Object \r\n  {own}\r\n"
                           "If Found\r\n:Object Flat\r\n1=0,0\r\n:End Object \r\nReturn\r\n");
        QTest::newRow("a script's definitions, one broken")
            << script << false
            << QStringLiteral("1 of 3 definitions found: MappedObject (2 places); not found: Flat; "
                              "not read: line 3 (in Bad) is not peak=x,y")
            << QStringLiteral("10, 20") << false;
        QTest::newRow("a script's definitions, a near miss among them")
            << script << true
            << QStringLiteral("0 of 3 definitions found; not found: MappedObject (best 5 of 6 at "
                              "10, 20), Flat; not read: line 3 (in Bad) is not peak=x,y")
            << QStringLiteral("10, 20") << false;
        QTest::newRow("a script whose definitions all fail")
            << QStringLiteral(":Object A\nx\n:End Object \n:Object B\n:End Object ") << false
            << QStringLiteral("Nothing to find: no definition could be read: line 2 (in A) is not "
                              "peak=x,y; B keeps no pixel")
            << QStringLiteral("10, 20") << false;
    }

    void findsTheClipboardsDefinition()
    {
        QFETCH(QString, text);
        QFETCH(bool, changeOne);
        QFETCH(QString, status);
        QFETCH(QString, corner);
        QFETCH(bool, ctrlF);
        FormDriver d(noiseWithATwin());
        FormDriver::type(d.txtCoords, corner);
        FormDriver::type(d.txtWidth, QStringLiteral("5"));
        FormDriver::type(d.txtHeight, QStringLiteral("4"));
        QTest::mouseClick(d.btnCreate, Qt::LeftButton);
        const QString result = d.txtObject->toPlainText();
        QString own = d.clipboard->text;
        if (changeOne) { // the first entry's peak, "NNN=0,0", one higher
            const QRegularExpressionMatch first =
                QRegularExpression(QStringLiteral("\n(\\d+)=0,0")).match(own);
            QVERIFY(first.hasMatch());
            own.replace(first.capturedStart(1), first.capturedLength(1),
                        QString::number((first.captured(1).toInt() + 1) % 256));
        }
        // In a script, Create Object's own stands indented among other lines.
        if (text.isEmpty())
            text = own;
        else
            text.replace(QLatin1String("{own}"),
                         own.replace(QLatin1String("\r\n"), QLatin1String("\r\n  ")));
        QGuiApplication::clipboard()->setText(text);
        if (!ctrlF)
            FormDriver::type(d.txtRedFrom, QStringLiteral("7")); // the bounds are not read again
        QTest::keyClick(d.form.get(), Qt::Key_F,
                        ctrlF ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(d.waitForPictures());
        QCOMPARE(d.lblCoords->text(), status);
        QCOMPARE(d.txtObject->toPlainText(), result);
        QCOMPARE(d.txtRedFrom->text(), QString::fromLatin1(ctrlF ? "0" : "7"));
        // The places found are outlined in magenta; the nearest place, when none is, in cyan,
        // and F3 goes to it.
        const bool near = status.contains(QLatin1String("best:"));
        // Several definitions give one line and no places to go to.
        const bool several = status.contains(QLatin1String(" definitions found"));
        QCOMPARE(d.PicInner->outlines().size(),
                 status.contains(QLatin1String("2 places")) && !several ? 2
                 : near                                                 ? 1
                                                                        : 0);
        if (several) {
            QTest::keyClick(d.form.get(), Qt::Key_F3);
            QCOMPARE(d.lblCoords->text(), QStringLiteral("Nothing found to go to: press Ctrl+F"));
        }
        QCOMPARE(d.PicInner->outlinesColour(), near ? 0xff00ffffu : PictureBox::outlineColour);
        if (near) {
            // Ctrl+F's at the region's size; a text's as large as its entries reach: every
            // other row of 4 is 3.
            const QString best = status.section(QStringLiteral("best: "), 1).section(u';', 0, 0);
            const QStringList at =
                best.section(QStringLiteral(" at "), 1).split(QStringLiteral(", "));
            QCOMPARE(d.PicInner->outlines().constFirst(),
                     QRect(at[0].toInt(), at[1].toInt(), 5, ctrlF ? 4 : 3));
            QTest::keyClick(d.form.get(), Qt::Key_F3);
            QCOMPARE(d.lblCoords->text(), QStringLiteral("Best: ") + best);
        }
    }

    // Ctrl+B after a script's several definitions were read looks for each in every buffer, as
    // one job, and opens a table of them: a row a definition, a column a buffer, sortable.
    // Enter on a cell brings that buffer back and goes to the definition's first place there.
    void findsSeveralDefinitionsInEveryBuffer()
    {
        FormDriver d(noiseWithATwin());
        FormDriver::type(d.txtCoords, QStringLiteral("10, 20"));
        FormDriver::type(d.txtWidth, QStringLiteral("5"));
        FormDriver::type(d.txtHeight, QStringLiteral("4"));
        QTest::mouseClick(d.btnCreate, Qt::LeftButton);
        const QString script = QStringLiteral("; a script\r\n") + d.clipboard->text +
                               QStringLiteral("\r\n:Object Dot\r\n7=0,0\r\n:End Object \r\n");
        d.paste(patternImage(120, 90));
        QGuiApplication::clipboard()->setText(script);
        QTest::keyClick(d.form.get(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(d.waitForPictures());
        QVERIFY2(d.lblCoords->text().startsWith(QLatin1String("1 of 2 definitions found: Dot")),
                 qPrintable(d.lblCoords->text()));
        QTest::keyClick(d.form.get(), Qt::Key_B, Qt::ControlModifier);
        QVERIFY(d.waitForPictures());
        QCOMPARE(d.lblCoords->text(),
                 QStringLiteral("Looked for 2 definitions in 2 buffers: the table shows where "
                                "each is"));
        auto *cells = d.form->findChild<QTableWidget *>(QStringLiteral("foundCells"));
        QVERIFY(cells && cells->window()->isVisible());
        const auto row = [&](int r) {
            QStringList texts;
            for (int c = 0; c < cells->columnCount(); ++c)
                texts << cells->item(r, c)->text();
            return texts;
        };
        QCOMPARE(cells->horizontalHeaderItem(2)->text(), QStringLiteral("Buffer 2"));
        QCOMPARE(row(0).mid(0, 2), QStringList({"MappedObject", "2 places"}));
        QVERIFY2(row(0)[2].startsWith(QLatin1String("best ")), qPrintable(row(0)[2]));
        // A peak the noise never holds (each of its channels is 128 or more), which the pattern
        // does.
        QCOMPARE(row(1).mid(0, 2), QStringList({"Dot", "not found"}));
        QVERIFY2(row(1)[2].endsWith(QLatin1String(" places")), qPrintable(row(1)[2]));
        // Sorted up by buffer 1, the definition found nowhere comes first.
        cells->sortItems(1, Qt::AscendingOrder);
        QCOMPARE(row(0)[0], QStringLiteral("Dot"));
        emit cells->cellActivated(1, 1);
        QVERIFY(d.waitForPictures());
        QCOMPARE(d.PicInner->picture().size(), QSize(300, 200));
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Match 1 of 2: 10, 20"));
        // Outlined as far as its entries reach: every other row of 4 is 3.
        QCOMPARE(d.PicInner->currentOutline(), QRect(10, 20, 5, 3));
    }

    // Ctrl+B looks for the definition made or read last in every filled buffer, as one job,
    // and says in one line where it was found; the view stays as it is.
    void findsInEveryBuffer_data()
    {
        QTest::addColumn<QString>("definition"); // made by Create Object, read, or none
        QTest::addColumn<QString>("status");
        // What happens to the job: "" nothing, "Escape" pressed as it starts, "no thread" for
        // it (the status line then says why, and the same keys again give `status`).
        QTest::addColumn<QString>("interrupt");
        QTest::newRow("none yet") << QStringLiteral("none")
                                  << QStringLiteral(
                                         "Nothing to look for: press Create Object or Ctrl+Shift+F")
                                  << QString();
        QTest::newRow("Create Object's")
            << QStringLiteral("made")
            << QStringLiteral("Found in buffer 1 (2 places), buffer 3 (2 places); not "
                              "in buffer 2")
            << QString();
        QTest::newRow("read from the clipboard")
            << QStringLiteral(":Object Flat\n1=0,0\n:End Object ")
            << QStringLiteral("Found in buffer 2 (1 place); not in buffers 1, 3") << QString();
        QTest::newRow("Create Object's, stopped by Escape")
            << QStringLiteral("made") << QStringLiteral("Search stopped")
            << QStringLiteral("Escape");
        QTest::newRow("a script's two, stopped by Escape")
            << QStringLiteral(":Object Flat\n1=0,0\n:End Object \n:Object Dot\n7=0,0\n:End "
                              "Object ")
            << QStringLiteral("Search stopped") << QStringLiteral("Escape");
        QTest::newRow("Create Object's, no thread for the job")
            << QStringLiteral("made")
            << QStringLiteral("Found in buffer 1 (2 places), buffer 3 (2 places); not in buffer 2")
            << QStringLiteral("no thread");
    }

    void findsInEveryBuffer()
    {
        QFETCH(QString, definition);
        QFETCH(QString, status);
        FormDriver d(noiseWithATwin());
        d.paste(patternImage(120, 90));
        d.paste(noiseWithATwin());
        FormDriver::type(d.txtCoords, QStringLiteral("10, 20"));
        FormDriver::type(d.txtWidth, QStringLiteral("5"));
        FormDriver::type(d.txtHeight, QStringLiteral("4"));
        if (definition == QLatin1String("made")) {
            QTest::mouseClick(d.btnCreate, Qt::LeftButton);
        } else if (definition != QLatin1String("none")) {
            QGuiApplication::clipboard()->setText(definition);
            QTest::keyClick(d.form.get(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY(d.waitForPictures());
        }
        QFETCH(QString, interrupt);
        const qint64 shown = d.PicInner->picture().cacheKey();
        if (interrupt == QLatin1String("no thread")) {
            BackgroundJob::failThreadStarts(1);
            QTest::keyClick(d.form.get(), Qt::Key_B, Qt::ControlModifier);
            QVERIFY(d.waitForPictures());
            QVERIFY2(d.lblCoords->text().startsWith(QLatin1String("Could not start the work: ")),
                     qPrintable(d.lblCoords->text()));
        }
        QTest::keyClick(d.form.get(), Qt::Key_B, Qt::ControlModifier);
        if (interrupt == QLatin1String("Escape"))
            QTest::keyClick(d.form.get(), Qt::Key_Escape);
        QVERIFY(d.waitForPictures());
        QCOMPARE(d.lblCoords->text(), status);
        QCOMPARE(d.PicInner->picture().cacheKey(), shown);
        // A stopped search of several opens no table, even once its threads have ended.
        QTRY_VERIFY(!BackgroundJob::workStillRunning());
        QCoreApplication::sendPostedEvents();
        const auto *cells = d.form->findChild<QTableWidget *>(QStringLiteral("foundCells"));
        QCOMPARE(cells && cells->window()->isVisible(), status.startsWith(QLatin1String("Looked")));
    }

    // A search that takes a while shows how far it got, in per cent, and Escape stops it: the
    // status line says so, and no outline of it ever shows.
    void longSearchShowsItsProgressAndStops()
    {
        QImage flat(8000, 6000, QImage::Format_RGB32);
        flat.fill(qRgb(90, 120, 200));
        FormDriver d(flat);
        FormDriver::type(d.txtCoords, QStringLiteral("0, 0"));
        FormDriver::type(d.txtWidth, QStringLiteral("100"));
        FormDriver::type(d.txtHeight, QStringLiteral("100"));
        d.Option1->click(); // every pixel: 10,000 entries, each possible at every place
        QTest::keyClick(d.form.get(), Qt::Key_F, Qt::ControlModifier);
        const QRegularExpression progress(QStringLiteral("^Searching the screenshot: \\d{1,3} %$"));
        QTRY_VERIFY_WITH_TIMEOUT(progress.match(d.lblCoords->text()).hasMatch(), 5000);
        QVERIFY(d.form->pictureJobRunning());
        QTest::keyClick(d.form.get(), Qt::Key_Escape);
        QVERIFY(!d.form->pictureJobRunning());
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Search stopped"));
        QTRY_VERIFY(!BackgroundJob::workStillRunning());
        QCoreApplication::sendPostedEvents();
        QVERIFY(d.PicInner->outlines().isEmpty());
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Search stopped"));
    }

    // On a flat screenshot every place matches: each is reached by F3 and Shift+F3, the numbers
    // with separators, and the places the view shows are outlined at the typed region's size.
    void findsEveryPlaceOfAFlatScreenshot()
    {
        QImage flat(1200, 1000, QImage::Format_RGB32);
        flat.fill(qRgb(90, 120, 200));
        FormDriver d(flat);
        d.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d.form.get()));
        d.drag({3, 3}, {53, 54});
        FormDriver::type(d.txtCoords, QStringLiteral("10, 10"));
        FormDriver::type(d.txtWidth, QStringLiteral("5"));
        FormDriver::type(d.txtHeight, QStringLiteral("4"));
        d.Option1->click(); // every pixel: the entries reach the region's every row and column
        QTest::keyClick(d.form.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(d.waitForPictures());
        const QString count = QLocale().toString(qint64(1196) * 997);
        QCOMPARE(d.lblCoords->text(),
                 QStringLiteral("Found at %1 places: 0, 0 \u00b7 1, 0 \u00b7 2, 0 "
                                "\u00b7 3, 0 \u00b7 4, 0 \u2026")
                     .arg(count));
        QTest::keyClick(d.form.get(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Match %1 of %1: 1195, 996").arg(count));
        QTest::keyClick(d.form.get(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Match %1 of %2: 1194, 996")
                                          .arg(QLocale().toString(qint64(1196) * 997 - 1), count));
        const QRect shown = d.PicInner->shownDrawing();
        QVERIFY(shown.contains(QPoint(1199, 999)));
        const QList<QRect> outlines = d.PicInner->outlines();
        // Every place whose ring the view shows, and no other.
        const auto seen = [](int places, int size, int from, int to) {
            int n = 0;
            for (int at = 0; at < places; ++at)
                n += at + size >= from && at - 1 <= to;
            return qsizetype(n);
        };
        QCOMPARE(outlines.size(), seen(1196, 5, shown.left(), shown.right()) *
                                      seen(997, 4, shown.top(), shown.bottom()));
        for (const QRect &outline : outlines)
            if (outline.size() != QSize(5, 4) || !outline.adjusted(-1, -1, 1, 1).intersects(shown))
                QFAIL("an outline of another size, or out of the view");
        const QImage screen = d.onScreen();
        // Overlapping, the rings of a flat screenshot cover the whole view; the place Shift+F3
        // went to stands out on them, in yellow and black.
        const auto onScreen = [&](int x, int y) {
            return screen.pixel(d.screenPixel(d.onView({x, y}, {0.5, 0.5})));
        };
        QCOMPARE(onScreen(1185, 985), PictureBox::outlineColour);
        QCOMPARE(onScreen(1195, 995), PictureBox::currentColour);
        QCOMPARE(onScreen(1195, 994), qRgb(0, 0, 0));
        QCOMPARE(onScreen(1191, 997), PictureBox::currentColour);
    }

    // The bars reach the screenshot's last column and row, and move it by screen pixels.
    void lastColumnAndRowCanBeReached()
    {
        FormDriver d(patternImage(1500, 1000));
        QScrollBar *h = d.HScroll1;
        h->setValue(h->maximum());
        d.VScroll1->setValue(d.VScroll1->maximum());
        d.move({1499, 999}, Qt::NoButton, {0.5, 0.5});
        QCOMPARE(d.lblCoords->text(), hoverCaption({1499, 999}, patternPixel(1499, 999)));
        const QPoint last = d.screenPixel(d.onView({1499, 999}, {0.5, 0.5}));
        const QRect viewport = d.viewportOnScreen();
        QVERIFY(viewport.contains(last));
        QCOMPARE(d.onScreen().pixel(last), patternPixel(1499, 999));

        // The pointer on any screen pixel at the view's edges, as the window system reports it,
        // names the screenshot pixel drawn there, and a drag starts from there. Qt draws the
        // viewport's inside up to its edges rounded to whole screen pixels, so on a scaled screen
        // it shows pixels that the inside only partly covers.
        const qreal s = d.form->devicePixelRatioF();
        const QRectF inside(d.picScroll->clientArea()->mapTo(d.form.get(), QPointF(0, 0)),
                            QSizeF(d.picScroll->clientArea()->size()));
        const QRect drawn(QPoint(qRound(inside.left() * s), qRound(inside.top() * s)),
                          QPoint(qRound(inside.right() * s) - 1, qRound(inside.bottom() * s) - 1));
        QVERIFY(drawn.contains(viewport));
        for (const bool scrolled : {true, false}) {
            h->setValue(scrolled ? h->maximum() : 0);
            d.VScroll1->setValue(scrolled ? d.VScroll1->maximum() : 0);
            const QImage screen = d.onScreen();
            for (const QPoint edge :
                 {drawn.topLeft(), drawn.topRight(), drawn.bottomLeft(), drawn.bottomRight(),
                  QPoint(drawn.center().x(), drawn.bottom()),
                  QPoint(drawn.right(), drawn.center().y()),
                  QPoint(drawn.left(), drawn.center().y()),
                  QPoint(drawn.center().x(), drawn.top())}) {
                const QString at = QStringLiteral("screen pixel %1, %2 of %3, scrolled %4")
                                       .arg(edge.x())
                                       .arg(edge.y())
                                       .arg(QDebug::toString(drawn))
                                       .arg(scrolled);
                d.lblCoords->setText(QString());
                d.pointAtScreenPixel(edge, QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
                const QStringList named =
                    d.lblCoords->text().section(QLatin1Char(' '), 0, 1).split(QStringLiteral(", "));
                QVERIFY2(named.size() == 2, qPrintable(at));
                const QPoint pixel(named[0].toInt(), named[1].toInt());
                QVERIFY2(d.screenPixel(d.onView(pixel, {0.5, 0.5})) == edge, qPrintable(at));
                if (QRect(QPoint(), QSize(1500, 1000)).contains(pixel))
                    QVERIFY2(screen.pixel(edge) == patternPixel(pixel.x(), pixel.y()),
                             qPrintable(at));
                // Three screen pixels, which are three of the screenshot's, inward.
                const QPoint inward(edge.x() < drawn.center().x() ? 3 : -3,
                                    edge.y() < drawn.center().y() ? 3 : -3);
                d.pointAtScreenPixel(edge, QEvent::MouseButtonPress, Qt::LeftButton,
                                     Qt::LeftButton);
                d.pointAtScreenPixel(edge + inward, QEvent::MouseMove, Qt::NoButton,
                                     Qt::LeftButton);
                d.pointAtScreenPixel(edge + inward, QEvent::MouseButtonRelease, Qt::LeftButton,
                                     Qt::NoButton);
                const QPoint corner(qMin(pixel.x(), pixel.x() + inward.x()),
                                    qMin(pixel.y(), pixel.y() + inward.y()));
                QVERIFY2(d.fields() ==
                             QStringList({QStringLiteral("%1, %2").arg(corner.x()).arg(corner.y()),
                                          "3", "3"}),
                         qPrintable(at + QStringLiteral(": ") + d.fields().join(QLatin1Char('|'))));
            }
            // Just outside, on the frame, the pointer names nothing.
            d.lblCoords->setText(QString());
            d.pointAtScreenPixel(drawn.bottomRight() + QPoint(1, 1), QEvent::MouseMove,
                                 Qt::NoButton, Qt::NoButton);
            QCOMPARE(d.lblCoords->text(), QString());
        }
        h->setValue(h->maximum());
        d.VScroll1->setValue(d.VScroll1->maximum());

        // An arrow click moves the screenshot 5 of its pixels, a click in the track 50.
        const int y = viewport.center().y();
        for (const auto &[action, step] : {std::pair{QAbstractSlider::SliderSingleStepSub, 5},
                                           std::pair{QAbstractSlider::SliderPageStepSub, 50}}) {
            const QImage before = d.onScreen();
            h->triggerAction(action);
            const QImage after = d.onScreen();
            for (int x = viewport.left() + step; x <= viewport.right() - 8; ++x)
                QCOMPARE(after.pixel(x, y), before.pixel(x - step, y));
        }
    }

    void typedCorner_data()
    {
        QTest::addColumn<QString>("corner");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("10,20") << "10,20" << 10 << 20;
        QTest::newRow("10, 20") << "10, 20" << 10 << 20;
        QTest::newRow("3,4,5") << "3,4,5" << 3 << 4;
        QTest::newRow(",20") << ",20" << 0 << 20;
        QTest::newRow("10,") << "10," << 10 << 0;
        QTest::newRow("fraction rounds half to even") << "10.5, 20.5" << 10 << 20;
        QTest::newRow("negative corner") << "-2, -3" << -2 << -3;
    }

    void typedCorner()
    {
        QFETCH(QString, corner);
        QFETCH(int, x);
        QFETCH(int, y);
        FormDriver d(pattern);
        FormDriver::type(d.txtWidth, QStringLiteral("5"));
        FormDriver::type(d.txtHeight, QStringLiteral("5"));
        FormDriver::type(d.txtCoords, corner);
        QCOMPARE(d.picClip->boxSize(), QSize(103, 103)); // typing never resizes the clip box
        verifyClipHolds(d, x, y, 5, 5, shotSize);
    }

    void typedCornerWithoutCommaKeepsX()
    {
        FormDriver d(pattern);
        FormDriver::type(d.txtWidth, QStringLiteral("4"));
        FormDriver::type(d.txtHeight, QStringLiteral("4"));
        FormDriver::type(d.txtCoords, QStringLiteral("12, 30"));
        FormDriver::type(d.txtCoords, QStringLiteral("25"));
        QCOMPARE(d.form->state().startX, 12.0f);
        QCOMPARE(d.form->state().startY, 25.0f);
        verifyClipHolds(d, 12, 25, 4, 4, shotSize);
    }

    void everyKeystrokeCopiesAgain()
    {
        FormDriver d(pattern);
        FormDriver::type(d.txtCoords, QStringLiteral("0,0"));
        FormDriver::type(d.txtHeight, QStringLiteral("3"));
        d.txtWidth->setFocus();
        QList<int> widthsCopied;
        connect(d.txtWidth, &QLineEdit::textChanged, this, [&] {
            // Count the columns now in the clip: the copy ran before this slot.
            int columns = 0;
            while (columns < d.picClip->boxSize().width() &&
                   d.picClip->point(columns, 0) == colourValueFromRgb(patternPixel(columns, 0)))
                ++columns;
            widthsCopied << columns;
        });
        QTest::keyClicks(d.txtWidth, QStringLiteral("120"));
        QCOMPARE(widthsCopied, QList<int>({1, 12, 103})); // 120 fills the 103 columns there are
        verifyClipHolds(d, 0, 0, 120, 3, shotSize);
    }

    void typedRegionIsNotCapped()
    {
        FormDriver d(pattern);
        d.drag({10, 10}, {30, 30}); // the clip box is now 20 x 20
        FormDriver::type(d.txtWidth, QStringLiteral("50"));
        QCOMPARE(d.picClip->boxSize(), QSize(20, 20));
        verifyClipHolds(d, 10, 10, 50, 20, shotSize);
    }

    void geometryWritesCopyInsideTheWrite()
    {
        FormDriver d(pattern);
        d.txtWidth->setText(QStringLiteral("6"));
        d.txtHeight->setText(QStringLiteral("6"));
        d.txtCoords->setText(QStringLiteral("7, 8"));
        // No event loop has run since the writes: each copy happened inside its write.
        verifyClipHolds(d, 7, 8, 6, 6, shotSize);
    }

    void absurdGeometry_data()
    {
        QTest::addColumn<QString>("corner");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QPoint>("expectedCorner"); // the corner the copy starts from
        QTest::addColumn<QSize>("copied");          // the size copied (before the clip's edge)
        const struct
        {
            const char *tag, *corner, *width, *height;
            QPoint expectedCorner;
            QSize copied;
        } rows[] = {
            {"width 1e9", "5,5", "1e9", "10", {5, 5}, {395, 10}},
            {"width 1e308", "5,5", "1e308", "1e308", {5, 5}, {395, 295}},
            {"negative width", "5,5", "-5", "10", {5, 5}, {0, 0}},
            {"nan is 0", "5,5", "nan", "10", {5, 5}, {0, 0}},
            {"inf is 0", "5,5", "inf", "inf", {5, 5}, {0, 0}},
            {"hexadecimal 4294967295", "5,5", "&HFFFFFFFF", "4", {5, 5}, {395, 4}},
            {"hexadecimal 10", "5,5", "&HA", "4", {5, 5}, {10, 4}},
            {"corner 1e308 keeps the old x", "1e308, 3", "4", "4", {0, 3}, {4, 4}},
            {"corner far off", "-1e9, 1e9", "50", "50", {-1000000000, 0}, {0, 0}},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << QString::fromLatin1(r.corner) << QString::fromLatin1(r.width)
                                 << QString::fromLatin1(r.height) << r.expectedCorner << r.copied;
    }

    void absurdGeometry()
    {
        QFETCH(QString, corner);
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QPoint, expectedCorner);
        QFETCH(QSize, copied);
        FormDriver d(pattern);
        d.txtCoords->setText(corner);
        d.txtWidth->setText(width);
        d.txtHeight->setText(height);
        QCOMPARE(d.picClip->boxSize(), QSize(103, 103));
        if (copied.isEmpty()) {
            for (int y = 0; y < 103; ++y)
                for (int x = 0; x < 103; ++x)
                    QCOMPARE(d.picClip->image().pixel(x, y), d.picClip->backColor());
        } else {
            verifyClipHolds(d, expectedCorner.x(), expectedCorner.y(), copied.width(),
                            copied.height(), shotSize);
        }
    }

    void emptyingTheBoxesClearsTheClip()
    {
        FormDriver d(pattern);
        FormDriver::type(d.txtCoords, QStringLiteral("9, 9"));
        FormDriver::type(d.txtWidth, QStringLiteral("9"));
        FormDriver::type(d.txtHeight, QStringLiteral("9"));
        // A screen reader is told the region the boxes mark, not the clip box's own size.
        QCOMPARE(d.picClip->accessibleDescription(), QStringLiteral("9 \u00d7 9 region at 9, 9"));
        FormDriver::type(d.txtCoords, QString());
        FormDriver::type(d.txtWidth, QString());
        FormDriver::type(d.txtHeight, QString());
        QCOMPARE(d.form->state().startX, 9.0f);
        QCOMPARE(d.form->state().startY, 0.0f);
        verifyClipHolds(d, 0, 0, 0, 0, shotSize);
        QCOMPARE(d.picClip->accessibleDescription(), QStringLiteral("no region marked"));
    }

    void corner_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hasX");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::newRow("10,20") << "10,20" << true << 10.0 << 20.0;
        QTest::newRow("10, 20") << "10, 20" << true << 10.0 << 20.0;
        QTest::newRow("3,4,5 stops at the second comma") << "3,4,5" << true << 3.0 << 4.0;
        QTest::newRow(",20") << ",20" << true << 0.0 << 20.0;
        QTest::newRow("10,") << "10," << true << 10.0 << 0.0;
        QTest::newRow("no comma keeps x") << "25" << false << 0.0 << 25.0;
        QTest::newRow("empty") << "" << false << 0.0 << 0.0;
    }

    void corner()
    {
        QFETCH(QString, text);
        QFETCH(bool, hasX);
        QFETCH(double, x);
        QFETCH(double, y);
        const TypedCorner c = parseCorner(text);
        QCOMPARE(c.x.has_value(), hasX);
        if (hasX)
            QCOMPARE(*c.x, x);
        QCOMPARE(c.y, y);
    }

    void captions()
    {
        QCOMPARE(hoverCaption(120, 45, 0x0080FF), QStringLiteral("120, 45   /   R=255 G=128 B=0"));
        QCOMPARE(hoverCaption(-3, 900, -1), QStringLiteral("-3, 900   /   R=255 G=0 B=0"));
        QCOMPARE(dragCaption(20, 40, 30, 50), QStringLiteral("20, 40 / 30 - 50"));
        QCOMPARE(cornerText(-4, 0), QStringLiteral("-4, 0"));
    }
};

QTEST_MAIN(tst_Selection)
#include "tst_selection.moc"
