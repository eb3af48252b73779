#include "common/background_job.h"
#include "common/stored_picture.h"
#include "controls/announcer.h"
#include "screenshot/buffers.h"
#include "screenshot/picture_intake.h"
#include "screenshot/scroll_ranges.h"
#include "support/form_driver.h"

#include <stdexcept>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#endif

using namespace corvantile;
using namespace corvantile::test;

namespace {

// A small screenshot that says which paste it came from: it is 10 + id pixels wide.
QImage numbered(int id)
{
    return patternImage(10 + id, 8);
}

// The slots as a string, one character a slot: the id of its picture, or "-" when empty.
QString slotIds(const FormDriver &d)
{
    QString ids;
    for (const ImageBox *slot : d.ImgBuffer)
        ids +=
            slot->picture().isNull() ? QChar(u'-') : QChar(u'0' + (slot->picture().width() - 10));
    return ids;
}

// One action that would change the picture, the buffers or the region, taken while a paste
// runs, as a user or a screen reader would take it.
void duringPaste(FormDriver &d, QChar action, const QString &file)
{
    const auto act = [&](QWidget *control, const QString &name) {
        QAccessibleInterface *item = QAccessible::queryAccessibleInterface(control);
        QVERIFY(item && item->actionInterface());
        item->actionInterface()->doAction(name);
    };
    QMimeData dragged;
    switch (action.unicode()) {
    case u'P':
        act(d.Command1, QAccessibleActionInterface::pressAction());
        break;
    case u'F': {
        dragged.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dragged, Qt::LeftButton, {});
        QApplication::sendEvent(d.form.get(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dragged, Qt::LeftButton, {});
        QApplication::sendEvent(d.form.get(), &drop);
        // The program the files came from is told that nothing was taken.
        QVERIFY(!drop.isAccepted());
        QCOMPARE(drop.dropAction(), Qt::IgnoreAction);
        break;
    }
    case u'B':
        act(d.ImgBuffer[0], QStringLiteral("Bring back"));
        break;
    case u'D':
        act(d.ImgBuffer[0], QStringLiteral("Delete"));
        break;
    case u'Z':
        act(d.ImgBuffer[0], QStringLiteral("Expanded preview"));
        break;
    case u'C':
        act(d.btnCreate, QAccessibleActionInterface::pressAction());
        break;
    }
}

void deleteThroughMenu(FormDriver &d, bool onClip, int slot)
{
    const bool opened = whileNestedLoopRuns(
        [&] {
            if (onClip)
                d.releaseOnClip(Qt::RightButton);
            else
                d.releaseOnSlot(slot, Qt::RightButton);
        },
        [](QWidget *menu) { chooseMenuItem(menu, QStringLiteral("&Delete Image")); });
    QVERIFY(opened);
}

} // namespace

class tst_Screenshot : public QObject
{
    Q_OBJECT
private slots:
    void bufferSequences_data()
    {
        // Operations: p bitmap paste (the n-th "p" pastes picture n), t a clipboard with text only,
        // n a picture that is not a bitmap, f a failing read that still reports a bitmap, dK
        // "&Delete Image" on slot K, c "&Delete Image" on the clip box. While a paste waits on a
        // slow owner (s starts one with the next picture, r lets it through, e presses Escape):
        // P Paste, F a picture file dropped, B slot 0 brought back, D slot 0 deleted, Z slot 0's
        // preview, C Create Object, each by a screen reader's action where it has one.
        QTest::addColumn<QString>("operations");
        QTest::addColumn<QString>("expectedSlots");
        QTest::addColumn<int>("bufferIndex");
        const struct
        {
            const char *tag, *operations, *expected;
            int bufferIndex;
        } rows[] = {
            {"first paste fills slot 0", "p", "0-------", 0},
            {"eight pastes fill the slots in order", "pppppppp", "01234567", 7},
            {"ninth paste lands nowhere", "ppppppppp", "01234567", 8},
            {"after nine, one deletion and a paste", "ppppppppp d3 p", "0124567-", 8},
            {"after nine, two deletions let a paste land in slot 7", "ppppppppp d3 d3 p",
             "012567-9", 7},
            {"deleting slot 2 of five closes the gap", "ppppp d2", "0134----", 3},
            {"the next paste fills slot 4", "ppppp d2 p", "01345---", 4},
            {"deleting an empty slot leaves the counter", "ppp d5", "012-----", 2},
            {"and the next paste keeps slot 2", "ppp d5 p", "0123----", 3},
            {"deleting the empty slot of a failed read moves no counter", "p f p d1 p", "01-2----",
             3},
            {"deletion at -1 stays at -1", "d0", "--------", -1},
            {"text only changes no slot", "pp t", "01------", 1},
            {"a picture that is not a bitmap changes no slot", "p n", "0-------", 0},
            {"a failed read raises the counter but stores nothing", "p f p", "0-1-----", 2},
            {"delete opened on the clip box deletes nothing", "pppppppp c", "01234567", 7},
            {"deleting the last slot", "pppppppp d7", "0123456-", 6},
            {"nothing changes the buffers during a paste, which then lands", "p s P F B D Z C r",
             "01------", 1},
            {"Escape stops a paste: the counter moves on, nothing is stored", "p s e p", "0-2-----",
             2},
            {"a paste after the one that was stopped", "s e s r", "-1------", 1},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << QString::fromLatin1(r.operations)
                                 << QString::fromLatin1(r.expected) << r.bufferIndex;
    }

    void bufferSequences()
    {
        QFETCH(QString, operations);
        QFETCH(QString, expectedSlots);
        QFETCH(int, bufferIndex);
        FormDriver d;
        int nextId = 0;
        QTemporaryDir dir;
        const QString dropped = dir.filePath(QStringLiteral("dropped.png"));
        QVERIFY(numbered(7).save(dropped));
        for (const QString &op : operations.split(u' ', Qt::SkipEmptyParts)) {
            if (op.startsWith(u'd')) {
                deleteThroughMenu(d, false, op.mid(1).toInt());
                continue;
            }
            if (QStringLiteral("PFBDZC").contains(op)) {
                const int reads = d.clipboard->reads;
                duringPaste(d, op.front(), dropped);
                // A screen reader's press clicks the button a moment later, as Qt animates it.
                QTRY_VERIFY2(d.lblCoords->text().startsWith(QStringLiteral("Still reading")),
                             qPrintable(op + d.lblCoords->text()));
                QVERIFY(d.form->pictureJobRunning());
                d.lblCoords->clear();
                QCOMPARE(d.clipboard->reads, reads);
                QVERIFY(!QApplication::activeModalWidget());
                continue;
            }
            if (op == u's') {
                d.clipboard->holdImage(numbered(nextId++));
                *d.clipboard->stalled = true;
                QTest::mouseClick(d.Command1, Qt::LeftButton);
                QVERIFY(d.form->pictureJobRunning());
                // Past half a second, a screen reader hears once what keeps it.
                QTRY_COMPARE(control<QLabel>(*d.form, "announcer")->text(),
                             QStringLiteral("Reading the clipboard"));
                continue;
            }
            if (op == u'e' || op == u'r') {
                if (op == u'e')
                    QTest::keyClick(d.txtObjectName, Qt::Key_Escape);
                *d.clipboard->stalled = false;
                QVERIFY(d.waitForPictures());
                continue;
            }
            for (QChar c : op) {
                if (c == u'p') {
                    d.paste(numbered(nextId++));
                } else if (c == u't') {
                    d.clipboard->holdNothing();
                    d.clickPaste();
                } else if (c == u'n') {
                    d.clipboard->holdPictureNotBitmap(numbered(9));
                    d.clickPaste();
                } else if (c == u'f') {
                    d.clipboard->failReads(true);
                    d.clickPaste();
                } else if (c == u'c') {
                    deleteThroughMenu(d, true, 0);
                }
            }
        }
        QCOMPARE(slotIds(d), expectedSlots);
        QCOMPARE(int(d.form->state().bufferIndex), bufferIndex);
    }

    void pasteShowsPictureAndSharesIt()
    {
        FormDriver d;
        const QImage shot = patternImage(640, 480);
        d.paste(shot);
        QCOMPARE(d.clipboard->reads, 1); // the owner is asked once per paste
        QCOMPARE(d.PicInner->picture(), shot);
        QCOMPARE(d.PicInner->size(), QSize(644, 484));
        QCOMPARE(d.PicInner->point(639, 479), colourValueFromRgb(patternPixel(639, 479)));
        // The slot keeps the whole screenshot, compressed once a worker has made its copy.
        QVERIFY(d.form->bufferPicture(0).isCompressed(true));
        QCOMPARE(d.form->bufferPicture(0).picture(), shot);
    }

    // Every pixel of each of eight busy screenshots comes back from its buffer, and a buffer
    // deleted while its copy is being made loses nothing of the others.
    void buffersKeepEveryPixel()
    {
        FormDriver d;
        QList<QImage> shots;
        for (int seed = 0; seed < 8; ++seed) {
            shots << desktopLike(320 + seed, 200, seed);
            d.paste(shots.last());
        }
        for (int slot = 0; slot < 8; ++slot) {
            QVERIFY(d.form->bufferPicture(slot).isCompressed(true));
            d.releaseOnSlot(slot, Qt::LeftButton);
            QCOMPARE(d.PicInner->picture(), shots[slot]);
        }
        d.form->state().bufferIndex = 6; // the next paste lands in the last slot
        // A large picture ahead of it keeps the one worker busy: the last slot's compression
        // has surely not ended when its buffer is deleted.
        const StoredPicture ahead(desktopLike(12000, 9000, 8));
        const int abandoned = StoredPicture::compressionsAbandoned();
        d.paste(desktopLike(3000, 2000, 9));
        d.form->state().menuTarget = 7;
        d.form->delete_Click();
        QVERIFY(d.form->bufferPicture(7).isNull());
        StoredPicture::waitForCompression();
        QVERIFY(ahead.isCompressed());
        QCOMPARE(StoredPicture::compressionsAbandoned(), abandoned + 1);
        d.releaseOnSlot(6, Qt::LeftButton);
        QCOMPARE(d.PicInner->picture(), shots[6]);
    }

    // A kept picture comes back whole, and band by band in order with every row once, whether
    // it fills one band or several with a short last one (unpacked two at a time).
    void storedPicturesComeBackWhole_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::newRow("one pixel") << desktopLike(1, 1, 3);
        QTest::newRow("one band") << desktopLike(640, 480, 4);
        QTest::newRow("four bands, the last short") << desktopLike(4099, 3001, 5);
        QTest::newRow("very wide, four rows a band") << desktopLike(1000000, 9, 6);
    }

    void storedPicturesComeBackWhole()
    {
        QFETCH(QImage, picture);
        const StoredPicture kept(picture);
        QVERIFY(kept.isCompressed(true));
        QCOMPARE(kept.picture(), picture);
        int next = 0;
        QVERIFY(kept.forEachBand([&](const QImage &band, int top) {
            if (top != next || band.width() != picture.width() ||
                band != picture.copy(0, top, picture.width(), band.height()))
                return false;
            next += band.height();
            return true;
        }));
        QCOMPARE(next, picture.height());
        // A pass told to stop after its first band stops there.
        int bands = 0;
        QVERIFY(!kept.forEachBand([&](const QImage &, int) { return ++bands > 1; }));
        QCOMPARE(bands, 1);
        // So at any band: the band unpacked beside it on the other thread is not handed over.
        int count = 0;
        QVERIFY(kept.forEachBand([&](const QImage &, int) { return ++count > 0; }));
        for (int stop = 1; stop <= count; ++stop) {
            bands = 0;
            QCOMPARE(kept.forEachBand([&](const QImage &, int) { return ++bands < stop; }), false);
            QCOMPARE(bands, stop);
        }
        // What the taker throws comes out of the pass, once the bands unpacked beside it are.
        bands = 0;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, kept.forEachBand([&](const QImage &, int) {
            if (++bands == count)
                throw std::runtime_error("no memory for the band");
            return true;
        }));
        QCOMPARE(bands, count);
    }

    // A picture file is taken as a pasted bitmap; a file that is no picture changes nothing but
    // the status line.
    void pictureFilesOpenedAndDropped()
    {
        FormDriver d;
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("shot.png"));
        const QString text = dir.filePath(QStringLiteral("notes.txt"));
        QVERIFY(patternImage(200, 150).save(png));
        QFile notes(text);
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("no picture") > 0);
        notes.close();
        d.form->openPictures({PicturePath::fromString(png)});
        QVERIFY(d.waitForPictures());
        QCOMPARE(d.PicInner->picture(), patternImage(200, 150));
        QCOMPARE(d.ImgBuffer[0]->pictureSize(), QSize(200, 150));
        QVERIFY(d.ImgBuffer[1]->picture().isNull());
        d.form->openPictures({PicturePath::fromString(text)});
        QVERIFY(d.waitForPictures());
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Not a picture: notes.txt"));
        QCOMPARE(d.PicInner->picture().size(), QSize(200, 150));
        QCOMPARE(d.form->state().bufferIndex, std::int16_t(0));

        QMimeData dragged;
        dragged.setUrls({QUrl::fromLocalFile(png)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dragged, Qt::LeftButton, {});
        QApplication::sendEvent(d.form.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dragged, Qt::LeftButton, {});
        QApplication::sendEvent(d.form.get(), &drop);
        QVERIFY(d.waitForPictures());
        QCOMPARE(d.form->state().bufferIndex, std::int16_t(1));
        QCOMPARE(d.ImgBuffer[1]->pictureSize(), QSize(200, 150));
    }

    // Picture files, named or dropped several at once, fill the next buffers in order; what is
    // no regular file, no picture or no whole picture is refused with a word in the status line.
    // The picture intake's own job: one read at a time, a cancel that ends it at once, each
    // picture handed over once and the end heard once, and nothing handed to an intake that is
    // gone.
    void intakeReads_data()
    {
        QTest::addColumn<QString>("script");      // p paste, f open two files, c cancel, d delete
        QTest::addColumn<bool>("stalls");         // the clipboard's owner holds the paste
        QTest::addColumn<QStringList>("arrived"); // a picture's width, or a file's name
        QTest::addColumn<QString>("finished");    // "done", "stopped", or "" when never heard
        QTest::newRow("a paste arrives, then ends") << "p" << false << QStringList{"70"} << "done";
        QTest::newRow("a second paste is refused while one runs")
            << "pp" << true << QStringList{"70"} << "done";
        QTest::newRow("files are refused while a paste runs")
            << "pf" << true << QStringList{"70"} << "done";
        QTest::newRow("files arrive in order, then end")
            << "f" << false << QStringList{"shot.png", "second.png"} << "done";
        QTest::newRow("a stalled paste cancelled: stopped at once, nothing arrives")
            << "pc" << true << QStringList{} << "stopped";
        QTest::newRow("cancelled twice: stopped once")
            << "pcc" << true << QStringList{} << "stopped";
        QTest::newRow("the intake is gone while its paste runs: nothing is heard")
            << "pd" << true << QStringList{} << "";
    }

    void intakeReads()
    {
        QFETCH(QString, script);
        QFETCH(bool, stalls);
        QFETCH(QStringList, arrived);
        QFETCH(QString, finished);
        QTemporaryDir dir;
        QList<PicturePath> files;
        for (const char *name : {"shot.png", "second.png"}) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(pngBytes(patternImage(20, 10))));
            files << PicturePath::fromString(file.fileName());
        }
        FakeClipboard clipboard;
        clipboard.holdImage(patternImage(70, 60));
        *clipboard.stalled = stalls;
        auto intake = std::make_unique<PictureIntake>(clipboard);
        QStringList heard;
        QStringList ends;
        connect(intake.get(), &PictureIntake::arrived, this, [&](const auto &arrival) {
            heard << (arrival.file.isEmpty() ? QString::number(arrival.picture.image.width())
                                             : arrival.file);
        });
        connect(intake.get(), &PictureIntake::finished, this, [&](const auto &outcome) {
            ends << (outcome.stopped ? QStringLiteral("stopped") : QStringLiteral("done"));
        });
        for (int i = 0; i < script.size(); ++i) {
            const bool first = i == 0; // only the first read of a script starts
            switch (script[i].toLatin1()) {
            case 'p':
                QCOMPARE(intake->pasteClipboard(0), first);
                break;
            case 'f':
                QCOMPARE(intake->openFiles(files), first);
                break;
            case 'c':
                intake->cancel();
                QVERIFY(!intake->busy());
                break;
            case 'd':
                intake.reset();
                break;
            }
        }
        *clipboard.stalled = false;
        // Whatever the stopped or abandoned read still posts: every thread of it ends, then
        // what it posted is delivered.
        QTRY_VERIFY(!BackgroundJob::workStillRunning());
        QCoreApplication::sendPostedEvents();
        QTRY_VERIFY(!intake || !intake->busy());
        QCOMPARE(heard, arrived);
        QCOMPARE(ends, finished.isEmpty() ? QStringList() : QStringList{finished});
    }

    void picturesFromFiles_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("bufferIndex");
        QTest::addColumn<QSize>("shown"); // what the view shows afterwards
        const QSize none(0, 0), shot(200, 150), second(120, 90);
        const auto row = [](const char *tag, const char *files, const char *status, int index,
                            QSize shown) {
            QTest::newRow(tag) << QString::fromLatin1(files).split(u' ')
                               << QString::fromUtf8(status) << index << shown;
        };
        // The status line holds every outcome of the job, side by side.
        row("two files fill the next two buffers", "shot.png second.png",
            "Opened shot.png, 200 \u00d7 150, in buffer 1; Opened second.png, 120 \u00d7 90, in "
            "buffer 2",
            1, second);
        row("a text file", "notes.txt", "Not a picture: notes.txt", -1, none);
        row("a folder", "folder", "Not a picture file: folder", -1, none);
        row("a missing file", "missing.png", "Could not read: missing.png", -1, none);
        row("a JPEG cut short", "cut.jpg", "Damaged picture: cut.jpg", -1, none);
        row("a PNG cut short", "cut.png", "Damaged picture: cut.png", -1, none);
        row("a bitmap cut short", "cut.bmp", "Damaged picture: cut.bmp", -1, none);
        row("a PNG with a bad checksum", "crc.png", "Damaged picture: crc.png", -1, none);
        row("a GIF, whole", "whole.gif", "Opened whole.gif, 200 \u00d7 150, in buffer 1", 0, shot);
        row("a GIF cut in half", "cut.gif", "Damaged picture: cut.gif", -1, none);
        row("a run-length bitmap cut in half", "cut-runs.bmp", "Damaged picture: cut-runs.bmp", -1,
            none);
        row("a damaged picture between two whole ones", "shot.png cut.jpg second.png",
            "Opened shot.png, 200 \u00d7 150, in buffer 1; Damaged picture: cut.jpg; Opened "
            "second.png, 120 \u00d7 90, in buffer 2",
            1, second);
        row("a JPEG with 120 KB before its frame header", "late.jpg",
            "Opened late.jpg, 200 \u00d7 150, in buffer 1", 0, shot);
#ifndef Q_OS_WIN
        row("a FIFO is refused without waiting for a writer", "fifo", "Not a picture file: fifo",
            -1, none);
        row("a name that is no UTF-8, named and dropped", "bad\xffname.png",
            "Opened bad\ufffdname.png, 200 \u00d7 150, in buffer 1; Opened bad\ufffdname.png, "
            "200 \u00d7 150, in buffer 2",
            1, shot);
#endif
    }

    void picturesFromFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, status);
        QFETCH(int, bufferIndex);
        QFETCH(QSize, shown);
        if (files.join(u' ').contains(QStringLiteral(".jpg")) &&
            !QImageReader::supportedImageFormats().contains("jpeg"))
            QSKIP("this Qt reads no JPEG");
        QTemporaryDir dir;
        const QImage picture = patternImage(200, 150);
        const auto write = [&](const QString &name, const QByteArray &bytes) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        };
        const QByteArray jpeg = pngBytes(picture, "JPEG"), png = pngBytes(picture),
                         bmp = pngBytes(picture, "BMP");
        write(QStringLiteral("shot.png"), png);
        write(QStringLiteral("second.png"), pngBytes(patternImage(120, 90)));
        write(QStringLiteral("notes.txt"), "no picture");
        write(QStringLiteral("cut.jpg"), jpeg.left(jpeg.size() * 2 / 3));
        write(QStringLiteral("cut.png"), png.left(png.size() * 2 / 3));
        write(QStringLiteral("cut.bmp"), bmp.left(bmp.size() - 600));
        QByteArray crc = png;
        crc[crc.size() / 2] = char(crc[crc.size() / 2] ^ 0x55);
        write(QStringLiteral("crc.png"), crc);
        const QByteArray gif = gifBytes(picture);
        write(QStringLiteral("whole.gif"), gif);
        write(QStringLiteral("cut.gif"), gif.left(gif.size() / 2));
        // A 200 x 150 run-length bitmap of one colour: a run of 200 in two halves a row.
        QByteArray runs = QByteArray::fromHex("424d000000000000000036040000" // file header
                                              "28000000c8000000960000000100080001000000");
        runs += QByteArray(1024 + 54 - runs.size(), '\0');
        for (int row = 0; row < 150; ++row)
            runs += QByteArray::fromHex("6401640100"
                                        "00");
        runs += QByteArray::fromHex("0001");
        write(QStringLiteral("cut-runs.bmp"), runs.left(runs.size() / 2));
        // Two metadata segments of 60,000 bytes each between the start of the image and the
        // frame header.
        QByteArray late = jpeg.left(2);
        for (int i = 0; i < 2; ++i)
            late += QByteArray("\xff\xe2\xea\x62", 4) + QByteArray(60000, 'm');
        write(QStringLiteral("late.jpg"), late + jpeg.mid(2));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        QList<PicturePath> paths;
        for (const QString &name : files)
            paths << PicturePath::fromString(dir.filePath(name));
#ifndef Q_OS_WIN
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo"))), 0600) == 0);
        const QByteArray badName = QFile::encodeName(dir.path()) + "/bad\xffname.png";
        QFile named;
        const int fd = ::open(badName.constData(), O_WRONLY | O_CREAT, 0600);
        QVERIFY(fd >= 0 && named.open(fd, QIODevice::WriteOnly, QFile::AutoCloseHandle));
        named.write(png);
        named.close();
        if (files.first().startsWith(QStringLiteral("bad")))
            paths = {PicturePath::fromArgument(badName.constData()),
                     PicturePath::fromUrl(QUrl::fromEncoded(
                         "file://" + QByteArray(badName).toPercentEncoding("/")))};
#endif
        FormDriver d;
        d.form->openPictures(paths);
        QVERIFY(d.waitForPictures());
        QCOMPARE(d.lblCoords->text(), status);
        // A screen reader hears each outcome, in order: the first at once, those that came
        // while it spoke after it, none lost.
        const Announcer *told = d.form->findChild<Announcer *>();
        QVERIFY(told);
        QCOMPARE(QStringList(told->shown()) + told->waiting(),
                 status.isEmpty() ? QStringList(QString()) : status.split(QStringLiteral("; ")));
        QCOMPARE(int(d.form->state().bufferIndex), bufferIndex);
        QCOMPARE(d.PicInner->picture().size(), shown);
        if (shown == picture.size() && files.last().endsWith(QStringLiteral(".png")))
            QCOMPARE(d.PicInner->picture(), picture);
    }

    void pasteLeavesSelectionAndRetainedDrawingAlone()
    {
        FormDriver d(patternImage(300, 300));
        d.drag({10, 10}, {30, 25});
        const QImage clip = d.picClip->image();
        d.paste(patternImage(320, 310));
        QCOMPARE(d.fields(), QStringList({"10, 10", "20", "15"}));
        QCOMPARE(d.picClip->image(), clip);
    }

    void pasteOfNothingBlanksTheView()
    {
        FormDriver d(patternImage(300, 200));
        d.clipboard->holdNothing();
        d.lblCoords->setText(QStringLiteral("Nothing created: Width is not a number"));
        d.clickPaste();
        // The status line tells the latest outcome, not the one before it.
        QCOMPARE(d.lblCoords->text(),
                 QStringLiteral("Nothing pasted: the clipboard holds no picture"));
        QVERIFY(d.PicInner->picture().isNull());
        QCOMPARE(d.PicInner->point(5, 5), colourValueFromRgb(d.PicInner->backColor()));
        QCOMPARE(d.ImgBuffer[0]->picture().size(), QSize(300, 200));
        QVERIFY(d.ImgBuffer[1]->picture().isNull());

        // A read that fails keeps what the view shows.
        d.paste(patternImage(50, 40));
        d.clipboard->failReads(false);
        d.clickPaste();
        QCOMPARE(d.PicInner->picture().size(), QSize(50, 40));
        QCOMPARE(d.form->state().bufferIndex, std::int16_t(1));
        QCOMPARE(d.lblCoords->text(),
                 QStringLiteral("Nothing pasted: the clipboard's picture could not be read"));
        // A picture on the clipboard that its decoder found cut short or corrupt says so.
        d.clipboard->next = {ReadOutcome::Damaged, QImage(), false};
        d.clickPaste();
        QCOMPARE(d.PicInner->picture().size(), QSize(50, 40));
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Damaged picture on the clipboard"));
    }

    void bringBackRestoresAndClears()
    {
        FormDriver d;
        const QImage first = patternImage(700, 500);
        d.paste(first);
        d.paste(patternImage(900, 400));
        d.HScroll1->setValue(100);
        d.VScroll1->setValue(60);
        d.drag({5, 5}, {20, 20});
        d.releaseOnSlot(0, Qt::LeftButton);
        QCOMPARE(d.PicInner->picture(), first);
        QCOMPARE(d.PicInner->size(), QSize(704, 504));
        QVERIFY(d.txtCoords->text().isEmpty());
        QVERIFY(d.txtWidth->text().isEmpty());
        QVERIFY(d.txtHeight->text().isEmpty());
        QCOMPARE(d.HScroll1->value(), 0);
        QCOMPARE(d.VScroll1->value(), 0);
        QCOMPARE(d.PicInner->pos(), QPoint(0, 0));
        const QImage clip = d.picClip->image();
        for (int y = 0; y < clip.height(); ++y)
            for (int x = 0; x < clip.width(); ++x)
                QCOMPARE(clip.pixel(x, y), d.picClip->backColor());
        QCOMPARE(d.form->state().bufferIndex, std::int16_t(1)); // not changed by a bring-back
    }

    // What a bring-back or a deletion changes is said, once, shown and spoken alike: a screen
    // reader user sees neither the view nor the boxes it clears. So is a paste key the result
    // box does not take.
    void everyChangeIsSaid_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("said");
        QTest::newRow("an empty buffer brought back")
            << "bring back 5"
            << "Buffer 5 is empty: the view and the region are cleared";
        QTest::newRow("a full one brought back")
            << "bring back 1"
            << "Buffer 1 brought back, 50 \u00d7 40; the region is cleared";
        QTest::newRow("the shown buffer deleted")
            << "delete 2"
            << "Buffer 2 deleted; the view still shows its screenshot";
        QTest::newRow("another buffer deleted") << "delete 1"
                                                << "Buffer 1 deleted";
        QTest::newRow("Ctrl+V in the result box")
            << "paste in the result"
            << "The definition box is read-only: the Paste button pastes a screenshot";
    }

    void everyChangeIsSaid()
    {
        QFETCH(QString, action);
        QFETCH(QString, said);
        FormDriver d;
        d.paste(patternImage(50, 40));
        d.paste(patternImage(60, 30));
        d.drag({5, 5}, {20, 20});
        const int slot = action.back().digitValue() - 1;
        if (action.startsWith(QLatin1String("bring back"))) {
            d.releaseOnSlot(slot, Qt::LeftButton);
        } else if (action.startsWith(QLatin1String("delete"))) {
            deleteThroughMenu(d, false, slot);
        } else {
            d.txtObject->setFocus();
            QTest::keyClick(d.txtObject, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(d.clipboard->reads, 2); // the key pasted nothing
        }
        QCOMPARE(d.lblCoords->text(), said);
        const Announcer *told = d.form->findChild<Announcer *>();
        QVERIFY(told);
        const QStringList spoken = QStringList(told->shown()) + told->waiting();
        QCOMPARE(spoken.constLast(), said);
        QCOMPARE(spoken.count(said), 1);
    }

    void bringBackFromEmptySlot()
    {
        FormDriver d(patternImage(400, 300));
        d.HScroll1->setValue(30);
        d.releaseOnSlot(5, Qt::LeftButton);
        QVERIFY(d.PicInner->picture().isNull());
        QCOMPARE(d.HScroll1->value(), 0);
        QCOMPARE(d.form->state().bufferIndex, std::int16_t(0));
    }

    void menuDismissedKeepsTarget()
    {
        FormDriver d(patternImage(20, 20));
        const bool opened = whileNestedLoopRuns([&] { d.releaseOnSlot(4, Qt::RightButton); },
                                                [](QWidget *menu) { menu->close(); });
        QVERIFY(opened);
        QCOMPARE(d.form->state().menuTarget, std::optional<std::int16_t>(4));
        QCOMPARE(d.ImgBuffer[0]->picture().size(), QSize(20, 20));
        QCOMPARE(d.form->state().bufferIndex, std::int16_t(0)); // dismissing ran nothing
    }

    void middleButtonDoesNothing()
    {
        FormDriver d(patternImage(30, 30));
        d.txtWidth->setText(QStringLiteral("5"));
        d.releaseOnSlot(0, Qt::MiddleButton);
        QCOMPARE(d.txtWidth->text(), QStringLiteral("5"));
        QVERIFY(!d.form->state().menuTarget.has_value());
    }

    void pasteOfDesignSizeKeepsScroll()
    {
        FormDriver d;
        d.HScroll1->setValue(100);
        d.VScroll1->setValue(40);
        int resizes = 0;
        connect(d.PicInner, &PictureBox::sizeChanged, this, [&] { ++resizes; });
        d.paste(patternImage(1024, 768));
        QCOMPARE(resizes, 0);
        QCOMPARE(d.PicInner->pos(), QPoint(-100, -40));
        QCOMPARE(d.HScroll1->value(), 100);
        QCOMPARE(d.HScroll1->maximum(), 475);
    }

    void pasteOfSmallerPictureReRanges()
    {
        FormDriver d;
        d.HScroll1->setValue(400);
        d.VScroll1->setValue(200);
        QCOMPARE(d.PicInner->pos(), QPoint(-400, -200));
        // The order in which the handlers nest inside the paste.
        QStringList events;
        connect(d.HScroll1, &QScrollBar::valueChanged, this, [&](int v) {
            events << QStringLiteral("HScroll1 %1, view at %2").arg(v).arg(d.PicInner->x());
        });
        connect(d.VScroll1, &QScrollBar::valueChanged, this,
                [&](int v) { events << QStringLiteral("VScroll1 %1").arg(v); });
        connect(d.PicInner, &PictureBox::sizeChanged, this, [&] {
            events << QStringLiteral("resized, view at %1,%2")
                          .arg(d.PicInner->x())
                          .arg(d.PicInner->y());
        });
        d.paste(patternImage(800, 600));
        events << QStringLiteral("paste returned");
        QCOMPARE(events, QStringList({"HScroll1 251, view at -251", "resized, view at 0,0",
                                      "paste returned"}));
        QCOMPARE(d.HScroll1->maximum(), 251);
        QCOMPARE(d.VScroll1->maximum(), 301);
        QCOMPARE(d.VScroll1->value(), 200); // below its new maximum: kept
        QCOMPARE(d.PicInner->pos(), QPoint(0, 0));
        QVERIFY(d.form->state().drawBox);

        // The next move of a bar sets the view from that bar again.
        d.VScroll1->setValue(201);
        QCOMPARE(d.PicInner->pos(), QPoint(0, -201));
    }

    void pasteOfNarrowPictureHoldsBarsAtZero()
    {
        FormDriver d(patternImage(300, 200));
        QCOMPARE(d.HScroll1->minimum(), 0);
        QCOMPARE(d.HScroll1->maximum(), 0);
        QCOMPARE(d.VScroll1->maximum(), 0);
        QCOMPARE(d.HScroll1->value(), 0);
        QCOMPARE(d.PicInner->pos(), QPoint(0, 0));
    }

    void pasteBeyondSixteenBitsClampsTheRange()
    {
        FormDriver d(patternImage(40000, 10));
        QCOMPARE(d.PicInner->width(), 40004);
        QCOMPARE(d.HScroll1->maximum(), 32767);
        d.HScroll1->setValue(32767);
        QCOMPARE(d.PicInner->x(), -32767);
    }

    void barsMoveTheView()
    {
        FormDriver d;
        QScrollBar *h = d.HScroll1;
        QScrollBar *v = d.VScroll1;
        h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(d.PicInner->x(), -5);
        h->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(d.PicInner->x(), -55);
        v->triggerAction(QAbstractSlider::SliderPageStepAdd);
        v->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(d.PicInner->y(), -45);
        h->setValue(475);
        QCOMPARE(d.PicInner->x(), -475);

        // The view follows the thumb while it is dragged, before the value is taken.
        h->setTracking(false);
        h->setSliderDown(true);
        h->setSliderPosition(120);
        QCOMPARE(h->value(), 475);
        QCOMPARE(d.PicInner->x(), -120);
        h->setSliderDown(false); // released: the value follows
        QCOMPARE(h->value(), 120);
        QCOMPARE(d.PicInner->x(), -120);

        // A real click on the right arrow.
        h->setValue(0);
        QTest::mouseClick(h, Qt::LeftButton, Qt::NoModifier,
                          QPoint(h->width() - 5, h->height() / 2));
        QCOMPARE(d.PicInner->x(), -5);

        // The arrow keys move the view the way they point: Right and Down show more of the
        // picture's right and bottom, Left and Up go back.
        h->setValue(50);
        v->setValue(50);
        const QList<std::tuple<QScrollBar *, Qt::Key, int>> keys = {{h, Qt::Key_Right, 55},
                                                                    {h, Qt::Key_Left, 50},
                                                                    {v, Qt::Key_Down, 55},
                                                                    {v, Qt::Key_Up, 50}};
        for (const auto &[bar, key, value] : keys) {
            bar->setFocus();
            QTest::keyClick(bar, key);
            QCOMPARE(bar->value(), value);
        }
    }

    void bufferCounter()
    {
        QCOMPARE(raisedBufferIndex(-1), std::int16_t(0));
        QCOMPARE(raisedBufferIndex(7), std::int16_t(8)); // no cap at the last slot
        QCOMPARE(raisedBufferIndex(32767), std::int16_t(32767));
        QCOMPARE(loweredBufferIndex(8), std::int16_t(7));
        QCOMPARE(loweredBufferIndex(0), std::int16_t(-1));
        QCOMPARE(loweredBufferIndex(-1), std::int16_t(-1));
    }

    void scrollMaximum_data()
    {
        QTest::addColumn<int>("inner");
        QTest::addColumn<int>("viewport"); // the pixels the viewport shows
        QTest::addColumn<int>("border");   // the view's border
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("bar");
        QTest::newRow("design width") << 1028 << 552 << 2 << 475 << 475;
        QTest::newRow("design height") << 772 << 302 << 2 << 469 << 469;
        QTest::newRow("800 wide") << 804 << 552 << 2 << 251 << 251;
        QTest::newRow("narrow") << 304 << 552 << 2 << -249 << 0;
        QTest::newRow("beyond 16 bits") << 40004 << 552 << 2 << 32767 << 32767;
        // Screens at 1.5 and 2: screen pixels, and borders of 3 and 4 of them.
        QTest::newRow("x1.5") << 1926 << 828 << 3 << 1096 << 1096;
        QTest::newRow("x2") << 2056 << 1104 << 4 << 949 << 949;
    }

    void scrollMaximum()
    {
        QFETCH(int, inner);
        QFETCH(int, viewport);
        QFETCH(int, border);
        QFETCH(int, maximum);
        QFETCH(int, bar);
        QCOMPARE(corvantile::scrollMaximum(inner, viewport, border), maximum);
        QCOMPARE(barMaximum(maximum), bar);
        // At the maximum the viewport's last column shows the view's border, the column right of
        // the picture's last one.
        if (maximum > 0 && maximum < 32767)
            QCOMPARE(maximum + viewport - 1, inner - border);
        // The longest side that still keeps the maximum in range gives exactly its top.
        QCOMPARE(corvantile::scrollMaximum(largestScrollableSide(552 + 4, 4) + 4, 552, 2), 32767);
    }
};

QTEST_MAIN(tst_Screenshot)
#include "tst_screenshot.moc"
