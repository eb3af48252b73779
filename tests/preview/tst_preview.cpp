#include "controls/announcer.h"
#include "object_definition/clip_pixels.h"
#include "object_definition/definition_check.h"
#include "preview/frm_egg.h"
#include "preview/popup_form.h"
#include "support/form_driver.h"

using namespace corvantile;
using namespace corvantile::test;

namespace {

const QString previewItem = QStringLiteral("&Expanded Preview");

struct Seen
{
    QSize clientSize;
    QSize zoomSize;
    QImage picture;
    QImage shown; // what picZoom paints
    QString title;
};

// Right-click on the clip box (slot < 0) or a slot, choose "&Expanded Preview", look at the
// preview window, then let `inside` act on it before it is closed.
Seen openPreview(
    FormDriver &d, int slot, const std::function<void(PopupForm *)> &inside = [](PopupForm *) {})
{
    Seen seen;
    const int handled = whileNestedLoopsRun(
        [&] {
            if (slot < 0)
                d.releaseOnClip(Qt::RightButton);
            else
                d.releaseOnSlot(slot, Qt::RightButton);
        },
        {[](QWidget *menu) { chooseMenuItem(menu, previewItem); },
         [&](QWidget *window) {
             auto *form = qobject_cast<PopupForm *>(window);
             QVERIFY(form);
             QCOMPARE(form, d.form->popupForm());
             seen.clientSize = form->size();
             seen.zoomSize = form->picZoom->size();
             seen.picture = form->picZoom->picture();
             seen.shown = form->picZoom->scaledPicture().toImage();
             seen.title = form->windowTitle();
             inside(form);
             form->close();
         }});
    if (handled != 2)
        qWarning("the preview did not open");
    return seen;
}

} // namespace

class tst_Preview : public QObject
{
    Q_OBJECT
private slots:
    void clipPreviewStretchesTheClip()
    {
        FormDriver d(patternImage(300, 200));
        d.drag({50, 60}, {90, 90});
        QCOMPARE(d.picClip->boxSize(), QSize(40, 30));
        const Seen seen = openPreview(d, -1);
        QCOMPARE(d.form->state().menuTarget, std::optional<std::int16_t>(clipMenuTarget));
        QCOMPARE(seen.title, QStringLiteral("Zoom"));
        QCOMPARE(seen.clientSize, QSize(304, 193));
        QCOMPARE(seen.zoomSize, QSize(299, 188));
        QCOMPARE(seen.picture, d.picClip->image());
        QCOMPARE(seen.shown.size(), QSize(299, 188));
        // Stretched without smoothing: each clip pixel is a block of one colour.
        for (const QPoint p : {QPoint(0, 0), QPoint(298, 187), QPoint(150, 90)}) {
            const int cx = p.x() * 40 / 299;
            const int cy = p.y() * 30 / 188;
            QCOMPARE(QColor(seen.shown.pixel(p)), QColor(patternPixel(50 + cx, 60 + cy)));
        }
        QVERIFY(!d.form->popupForm()); // discarded when closed

        // K shows the pixels Create Object would keep with the bounds as they are now (every
        // other pixel: 20 x 15 sampled), and K again the clip; the next opening starts with it.
        d.type(d.txtRedFrom, QStringLiteral("75"));
        openPreview(d, -1, [&](PopupForm *form) {
            // A screen reader hears what the Zoom shows.
            QCOMPARE(form->accessibleName(), QStringLiteral("Zoom of the clip, 40 \u00d7 30"));
            QTest::keyClick(form, Qt::Key_K);
            const auto kept = keptPixels(ClipPixels(*d.picClip), d.form->currentInputs(),
                                         d.picClip->drawingSize());
            QVERIFY(kept && kept->kept() > 0 && kept->kept() < 300);
            QCOMPARE(form->windowTitle(),
                     QStringLiteral("Zoom - %1 of 300 sampled pixels kept; dropped by the bounds: "
                                    "red cross; not sampled: dimmed")
                         .arg(kept->kept()));
            QCOMPARE(form->picZoom->picture(), keptView(d.picClip->image(), *kept));
            // The window's name follows its title, and the switch is told, after what was
            // told before it.
            const auto told = [form] {
                const Announcer *said = form->announcer();
                return !said                       ? QString()
                       : said->waiting().isEmpty() ? said->shown()
                                                   : said->waiting().last();
            };
            QCOMPARE(form->accessibleName(), form->windowTitle());
            QCOMPARE(
                told(),
                QStringLiteral("Kept pixels: %1 of 300 sampled pixels kept").arg(kept->kept()));
            QTest::keyClick(form, Qt::Key_K);
            QCOMPARE(form->windowTitle(), QStringLiteral("Zoom"));
            QCOMPARE(form->picZoom->picture(), d.picClip->image());
            QCOMPARE(form->accessibleName(), QStringLiteral("Zoom of the clip, 40 \u00d7 30"));
            QCOMPARE(told(), QStringLiteral("The picture"));
            QTest::keyClick(form, Qt::Key_K);
        });
        // Named by the region typed, not by the clip box, as large as the last drag.
        d.type(d.txtWidth, QStringLiteral("5"));
        d.type(d.txtHeight, QStringLiteral("4"));
        openPreview(d, -1, [](PopupForm *form) {
            QCOMPARE(form->accessibleName(), QStringLiteral("Zoom of the clip, 5 \u00d7 4"));
        });
        QCOMPARE(openPreview(d, -1).title, QStringLiteral("Zoom"));
        // The Zoom of a buffer has no kept view.
        openPreview(d, 0, [](PopupForm *form) {
            QCOMPARE(form->accessibleName(), QStringLiteral("Zoom of buffer 1, 300 \u00d7 200"));
            QTest::keyClick(form, Qt::Key_K);
            QCOMPARE(form->windowTitle(), QStringLiteral("Zoom"));
        });
    }

    void slotPreviewShowsTheWholeScreenshot()
    {
        FormDriver d;
        for (int i = 0; i < 3; ++i)
            d.paste(patternImage(100 + i, 100));
        const QImage shot = patternImage(1024, 768);
        d.paste(shot);
        const Seen seen = openPreview(d, 3, [](PopupForm *form) {
            form->resize(600, 450);
            QCOMPARE(form->picZoom->size(), QSize(595, 445)); // the picture grows with the window
            QCOMPARE(form->picZoom->scaledPicture().size(), QSize(595, 445));
        });
        QCOMPARE(seen.picture, shot);
        QCOMPARE(seen.shown.size(), QSize(299, 188));
    }

    void zoomHasAKeyboardCursor_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("kept");
        QTest::newRow("the first key only places it") << "Down" << QPoint(0, 0) << false;
        QTest::newRow("a pixel a key") << "Right Right Down" << QPoint(1, 1) << false;
        QTest::newRow("ten with Shift") << "Right S+Right S+Down" << QPoint(10, 10) << false;
        QTest::newRow("End and Home") << "Down Down End" << QPoint(39, 1) << false;
        QTest::newRow("Home") << "Right S+Right Home" << QPoint(0, 0) << false;
        QTest::newRow("never past the edge")
            << "Up Up Left S+Down S+Down S+Down S+Down" << QPoint(0, 29) << false;
        QTest::newRow("over the kept view") << "K Right S+Right Right" << QPoint(11, 0) << true;
        QTest::newRow("kept, not sampled") << "K Right Down Right" << QPoint(1, 1) << true;
        QTest::newRow("kept, through K and back") << "Right Right K Down" << QPoint(1, 1) << true;
    }

    // In the clip's Zoom the arrow keys, Home and End move a cursor over the enlarged pixels:
    // each point told with its colour and, in the kept view, what Create Object does with it, and
    // drawn where a sighted user sees it.
    void zoomHasAKeyboardCursor()
    {
        QFETCH(QString, keys);
        QFETCH(QPoint, at);
        QFETCH(bool, kept);
        FormDriver d(patternImage(300, 200));
        d.drag({50, 60}, {90, 90});
        d.type(d.txtRedFrom, QStringLiteral("75"));
        openPreview(d, -1, [&](PopupForm *form) {
            QCOMPARE(QApplication::focusWidget(), form->picZoom); // the picture takes the keys
            for (const QString &key : keys.split(u' ')) {
                const bool shift = key.startsWith(QLatin1String("S+"));
                const QString name = shift ? key.mid(2) : key;
                const std::map<QString, Qt::Key> named = {
                    {"Right", Qt::Key_Right}, {"Left", Qt::Key_Left}, {"Up", Qt::Key_Up},
                    {"Down", Qt::Key_Down},   {"Home", Qt::Key_Home}, {"End", Qt::Key_End},
                    {"K", Qt::Key_K}};
                QTest::keyClick(form->picZoom, named.at(name),
                                shift ? Qt::ShiftModifier : Qt::NoModifier);
            }
            QCOMPARE(form->cursor(), std::optional<QPoint>(at));
            QCOMPARE(form->showsKeptView(), kept);
            const QRgb c = patternPixel(50 + at.x(), 60 + at.y());
            QString words = QStringLiteral("%1, %2: R=%3 G=%4 B=%5")
                                .arg(at.x())
                                .arg(at.y())
                                .arg(qRed(c))
                                .arg(qGreen(c))
                                .arg(qBlue(c));
            if (kept) {
                const auto pixels = keptPixels(ClipPixels(*d.picClip), d.form->currentInputs(),
                                               d.picClip->drawingSize());
                QVERIFY(pixels);
                // The words of the kept view's legend.
                const KeptPixels::Fate fate = pixels->fate(at.x(), at.y());
                words += fate == KeptPixels::Fate::Kept ? QStringLiteral("; kept")
                         : fate == KeptPixels::Fate::Dropped
                             ? QStringLiteral("; dropped by the bounds")
                             : QStringLiteral("; not sampled");
            }
            const Announcer *said = form->announcer();
            QVERIFY(said);
            QCOMPARE(said->waiting().isEmpty() ? said->shown() : said->waiting().last(), words);
            // Drawn as a black frame inside the enlarged pixel and a white one around it.
            const QImage drawn = form->picZoom->grab().toImage();
            const QPoint corner(at.x() * 299 / 40, at.y() * 188 / 30);
            QCOMPARE(QColor(drawn.pixel(corner)), QColor(Qt::black));
            if (at.x() > 0 && at.y() > 0)
                QCOMPARE(QColor(drawn.pixel(corner - QPoint(1, 1))), QColor(Qt::white));
        });
    }

    void menuTargetFollowsTheLastRightClick()
    {
        FormDriver d(patternImage(64, 48));
        d.drag({0, 0}, {10, 10});
        QVERIFY(whileNestedLoopRuns([&] { d.releaseOnClip(Qt::RightButton); },
                                    [](QWidget *menu) { menu->close(); }));
        QCOMPARE(d.form->state().menuTarget, std::optional<std::int16_t>(clipMenuTarget));
        const Seen seen = openPreview(d, 0);
        QCOMPARE(d.form->state().menuTarget, std::optional<std::int16_t>(0));
        QCOMPARE(seen.picture.size(), QSize(64, 48));
    }

    void otherButtonsOnTheClipDoNothing()
    {
        FormDriver d;
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
            const bool opened = whileNestedLoopRuns([&] { d.releaseOnClip(button); },
                                                    [](QWidget *w) { w->close(); });
            QVERIFY(!opened);
            QVERIFY(!d.form->state().menuTarget.has_value());
        }
    }

    void reopensAtItsInitialSize()
    {
        FormDriver d;
        const auto notifications = [&d] {
            return d.form->findChildren<QLabel *>(QStringLiteral("announcer")).size();
        };
        const qsizetype before = notifications();
        openPreview(d, -1, [](PopupForm *form) {
            form->resize(500, 400);
            QCOMPARE(form->picZoom->size(), QSize(495, 395));
            form->resize(3, 2); // smaller than the margin: no negative size
            QCOMPARE(form->picZoom->size(), QSize(0, 0));
        });
        const Seen again = openPreview(d, -1);
        // What the Zoom told a reader went with it: nothing of it is left in the window.
        QCOMPARE(notifications(), before);
        QCOMPARE(again.clientSize, QSize(304, 193));
        QCOMPARE(again.zoomSize, QSize(299, 188));
        // Nothing copied yet: the clip box's plain background at its start size.
        QCOMPARE(again.picture.size(), QSize(103, 103));
        QCOMPARE(again.picture.pixel(50, 50), d.picClip->backColor());
    }

    void emptySlotGivesBlankPreview()
    {
        FormDriver d;
        const Seen seen = openPreview(d, 6);
        QVERIFY(seen.picture.isNull());
        QCOMPARE(seen.zoomSize, QSize(299, 188));
    }

    void hiddenPictureWindow()
    {
        FormDriver d;
        ImageBox *spot = d.imgEgg;
        QVERIFY(!whileNestedLoopRuns([&] { QTest::mouseClick(spot, Qt::LeftButton); },
                                     [](QWidget *w) { w->close(); }));

        QList<QImage> shown;
        for (int i = 0; i < 2; ++i) {
            const bool opened = whileNestedLoopRuns(
                [&] { QTest::mouseDClick(spot, Qt::LeftButton); },
                [&](QWidget *window) {
                    auto *egg = qobject_cast<frmEgg *>(window);
                    QVERIFY(egg);
                    QCOMPARE(egg->windowTitle(), QStringLiteral("Form2"));
                    QCOMPARE(egg->size(), QSize(299, 298));
                    QVERIFY(egg->windowFlags() & Qt::FramelessWindowHint);
                    // The main window takes no input meanwhile.
                    QCOMPARE(QApplication::activeModalWidget(), egg);
                    shown << egg->grab().toImage().convertToFormat(QImage::Format_RGB32);
                    // Only a click closes it: not a press alone, not the right button, and not a
                    // press that is dragged off the window.
                    QTest::mousePress(egg, Qt::LeftButton, Qt::NoModifier, QPoint(150, 150));
                    QVERIFY(egg->isVisible());
                    QTest::mouseRelease(egg, Qt::LeftButton, Qt::NoModifier, QPoint(320, 150));
                    QTest::mouseClick(egg, Qt::RightButton, Qt::NoModifier, QPoint(150, 150));
                    QVERIFY(egg->isVisible());
                    QTest::mouseClick(egg, Qt::LeftButton, Qt::NoModifier, QPoint(150, 150));
                });
            QVERIFY(opened);
            QVERIFY(!QApplication::activeModalWidget());
        }
        QCOMPARE(shown[0], shown[1]);
        QCOMPARE(shown[0],
                 frmEgg::picture().copy(0, 0, 299, 298).convertToFormat(QImage::Format_RGB32));
        QCOMPARE(frmEgg::picture().size(), QSize(300, 300));
        QCOMPARE(frmEgg::picture().depth(), 24);
    }
};

QTEST_MAIN(tst_Preview)
#include "tst_preview.moc"
