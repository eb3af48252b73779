#include "common/colour.h"
#include "controls/announcer.h"
#include "preview/popup_form.h"
#include "support/form_driver.h"

using namespace corvantile;
using namespace corvantile::test;

class tst_CreateObject : public QObject
{
    Q_OBJECT
private slots:
    void boundsFollowTheirBoxes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("bound");
        QTest::newRow("12abc") << "12abc" << 12;
        QTest::newRow("cleared") << "" << 0;
        QTest::newRow("2.5") << "2.5" << 2;
        QTest::newRow("3.5") << "3.5" << 4;
        QTest::newRow("300") << "300" << 300;
        QTest::newRow("-5") << "-5" << -5;
        QTest::newRow("40000") << "40000" << 32767;
    }

    void boundsFollowTheirBoxes()
    {
        QFETCH(QString, typed);
        QFETCH(int, bound);
        FormDriver d;
        Form1 &f = *d.form;
        const std::pair<QLineEdit *, std::int16_t *> boxes[] = {
            {d.txtRedFrom, &f.state().redFrom},     {d.txtRedTo, &f.state().redTo},
            {d.txtGreenFrom, &f.state().greenFrom}, {d.txtGreenTo, &f.state().greenTo},
            {d.txtBlueFrom, &f.state().blueFrom},   {d.txtBlueTo, &f.state().blueTo}};
        for (const auto &[box, field] : boxes) {
            FormDriver::type(box, typed);
            QCOMPARE(int(*field), bound);
            QCOMPARE(box->text(), typed); // the box's text is left as typed
        }
    }

    void changingABoundCreatesNothing()
    {
        FormDriver d;
        FormDriver::type(d.txtBlueFrom, QStringLiteral("200"));
        FormDriver::type(d.txtBlueTo, QStringLiteral("100"));
        QVERIFY(d.txtObject->toPlainText().isEmpty());
        QCOMPARE(d.clipboard->writes, 0);
    }

    void objectNameLosesItsSpaces()
    {
        FormDriver d;
        QLineEdit *name = d.txtObjectName;
        int changes = 0;
        connect(name, &QLineEdit::textChanged, this, [&] { ++changes; });
        FormDriver::type(name, QStringLiteral("My Button"));
        QCOMPARE(name->text(), QStringLiteral("My_Button"));
        QCOMPARE(control<QLabel>(*d.form, "announcer")->text(),
                 QStringLiteral("Space written as underscore")); // told to a screen reader
        QCOMPARE(name->cursorPosition(), 9);
        // Nine keys (the first replaces the selected text), and the space's
        // correction once more: the write-back settles after one extra change.
        QCOMPARE(changes, 9 + 1);

        name->setCursorPosition(2);
        QTest::keyClick(name, Qt::Key_Space);
        QCOMPARE(name->text(), QStringLiteral("My__Button"));
        QCOMPARE(name->cursorPosition(), 10); // the caret jumps to the end
        name->setCursorPosition(1);
        QTest::keyClick(name, Qt::Key_X);
        QCOMPARE(name->cursorPosition(), 11);

        FormDriver::type(name, QStringLiteral("   "));
        QCOMPARE(name->text(), QStringLiteral("___"));
        name->setText(QStringLiteral("pasted name with  spaces"));
        QCOMPARE(name->text(), QStringLiteral("pasted_name_with__spaces"));
    }

    void createAfterDrag()
    {
        FormDriver d;
        QImage shot = patternImage(300, 200);
        for (int x = 40; x < 60; ++x)
            shot.setPixel(x, 33, qRgb(0, 0, 0)); // a black row inside the region
        d.paste(shot);
        d.drag({30, 30}, {70, 55});
        d.Option1->click();
        QTest::mouseClick(d.btnCreate, Qt::LeftButton);
        const QString expected = QString::fromLatin1(
            expectedDefinition(d.picClip->image(), QRect(0, 0, 40, 25), "30, 30"));
        QCOMPARE(d.txtObject->toPlainText().replace(u'\n', QStringLiteral("\r\n")), expected);
        QCOMPARE(d.clipboard->text, expected);
        // And the clip holds the screenshot, so the text describes the screenshot's pixels.
        QCOMPARE(d.picClip->image(), shot.copy(30, 30, 40, 25));

        // A copy out of the result box, whole or from the middle of one line to the middle of
        // another, is the definition's own text with its CR LF line ends.
        LockedTextBox *box = d.txtObject;
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        QTextCursor part = box->textCursor();
        part.setPosition(10);
        part.setPosition(box->document()->findBlockByNumber(2).position() + 4,
                         QTextCursor::KeepAnchor);
        box->setTextCursor(part);
        box->copy();
        const qsizetype secondLine = expected.indexOf(u'\n') + 1;
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 expected.mid(10, expected.indexOf(u'\n', secondLine) + 1 + 4 - 10));

        // The box stays locked: to typing, to pasting, and to a screen reader's edit calls.
        QTest::keyClicks(box, QStringLiteral("x"));
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QAccessibleInterface *reader = QAccessible::queryAccessibleInterface(box);
        QVERIFY(reader && reader->textInterface());
        QVERIFY(reader->state().readOnly);
        if (QAccessibleEditableTextInterface *edit = reader->editableTextInterface()) {
            edit->insertText(0, QStringLiteral("x"));
            edit->deleteText(0, 5);
        }
        QCOMPARE(box->text(), expected);
        QCOMPARE(reader->textInterface()->text(0, 7), QStringLiteral(":Object"));
    }

    void createReadsOptionsAtTheClick()
    {
        FormDriver d;
        QImage shot(4, 1, QImage::Format_RGB32);
        shot.fill(qRgb(0, 0, 0));
        shot.setPixel(2, 0, qRgb(7, 8, 9));
        d.paste(shot);
        d.drag({0, 0}, {4, 1});
        QTest::mouseClick(d.btnCreate, Qt::LeftButton); // every other pixel, black dropped
        QCOMPARE(d.clipboard->text,
                 QStringLiteral(":Object MappedObject   // Test at coords 0, 0\r\n9=2,0\r\n"
                                ":End Object "));
        d.chkUseBlack->click();
        d.Option1->click();
        QTest::mouseClick(d.btnCreate, Qt::LeftButton);
        QCOMPARE(d.clipboard->text,
                 QStringLiteral(":Object MappedObject   // Test at coords 0, 0\r\n"
                                "0=0,0|0=1,0|9=2,0|0=3,0\r\n:End Object "));
    }

    void failedRunChangesNothing_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("why"); // what the status line and a screen reader are told
        QTest::newRow("empty width") << ""
                                     << "5"
                                     << "Width is not a number";
        QTest::newRow("abc") << "abc"
                             << "5"
                             << "Width is not a number";
        QTest::newRow("12abc") << "12abc"
                               << "5"
                               << "Width is not a number";
        QTest::newRow("height x") << "5"
                                  << "x"
                                  << "Height is not a number";
        QTest::newRow("absurd size") << "1e9"
                                     << "1e9"
                                     << "the region is too large";
    }

    void failedRunChangesNothing()
    {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QString, why);
        FormDriver d(patternImage(50, 50));
        d.drag({1, 1}, {3, 3});
        QTest::mouseClick(d.btnCreate, Qt::LeftButton);
        const QString before = d.txtObject->toPlainText();
        QVERIFY(!before.isEmpty());
        QCOMPARE(d.clipboard->writes, 1);
        d.txtWidth->setText(width);
        d.txtHeight->setText(height);
        QTest::mouseClick(d.btnCreate, Qt::LeftButton);
        QCOMPARE(d.txtObject->toPlainText(), before);
        QCOMPARE(d.clipboard->writes, 1);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Nothing created: ") + why);
    }

    void clipboardFailureKeepsResult()
    {
        FormDriver d(patternImage(20, 20));
        d.drag({0, 0}, {2, 2});
        d.clipboard->failWrites = true;
        QTest::mouseClick(d.btnCreate, Qt::LeftButton);
        QVERIFY(d.txtObject->toPlainText().startsWith(QStringLiteral(":Object MappedObject")));
        QVERIFY(d.clipboard->text.isEmpty());
    }

    void regionWiderThanClip()
    {
        FormDriver d(patternImage(100, 100));
        d.drag({5, 5}, {7, 6}); // the clip box is 2 x 1
        d.Option1->click();
        d.txtWidth->setText(QStringLiteral("4"));
        QTest::mouseClick(d.btnCreate, Qt::LeftButton);
        const QRgb p0 = patternPixel(5, 5);
        const QRgb p1 = patternPixel(6, 5);
        QCOMPARE(d.clipboard->text,
                 QStringLiteral(":Object MappedObject   // Test at coords 5, 5\r\n%1=0,0|%2=1,0|"
                                "255=2,0|255=3,0\r\n:End Object ")
                     .arg(std::max({qRed(p0), qGreen(p0), qBlue(p0)}))
                     .arg(std::max({qRed(p1), qGreen(p1), qBlue(p1)})));
    }

    // The status line warns where a definition will mislead: too few pixels to be told from
    // chance, or columns and rows that lie past the screenshot's edge; the output is the same.
    void createdWarnsWhereTheDefinitionMisleads_data()
    {
        QTest::addColumn<QString>("corner");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("bounds"); // "red from, red to", when typed
        QTest::addColumn<QString>("then");   // done after the region is marked
        const auto row = [](const char *tag, const char *corner, const char *width,
                            const char *height, const char *status, const char *bounds = "",
                            const char *then = "") {
            QTest::newRow(tag) << QString::fromLatin1(corner) << QString::fromLatin1(width)
                               << QString::fromLatin1(height) << QString::fromUtf8(status)
                               << QString::fromLatin1(bounds) << QString::fromLatin1(then);
        };
        row("inside, enough pixels", "10, 10", "5", "4",
            "Created: 20 pixels kept, on the clipboard");
        row("five pixels", "10, 10", "5", "1",
            "Created: 5 pixels kept, on the clipboard; only 5 pixels: it may match by chance");
        row("one pixel", "10, 10", "1", "1",
            "Created: 1 pixels kept, on the clipboard; only 1 pixel: it may match by chance");
        row("past the right edge", "150, 10", "100", "2",
            "Created: 200 pixels kept, on the clipboard; columns 50 to 99 lie outside the "
            "screenshot");
        row("one row past the bottom edge", "10, 94", "4", "7",
            "Created: 28 pixels kept, on the clipboard; row 6 lies outside the screenshot");
        row("past both edges", "198, 99", "3", "3",
            "Created: 9 pixels kept, on the clipboard; column 2 lies outside the screenshot; rows "
            "1 to 2 lie outside the screenshot");
        row("red bounds the wrong way round", "10, 10", "5", "4",
            "Created: 0 pixels kept, on the clipboard; only 0 pixels: it may match by chance; Red "
            "from is above Red to: no pixel can pass",
            "200, 100");
        row("nothing kept, past the edge", "198, 10", "4", "2",
            "Created: 0 pixels kept, on the clipboard; only 0 pixels: it may match by chance; "
            "columns 2 to 3 lie outside the screenshot; Red from is above Red to: no pixel can "
            "pass",
            "256, 255");
        // A paste leaves the clip as it was: the definition comes from the earlier screenshot,
        // which is said, until the region is marked again.
        row("the clip of an earlier screenshot", "10, 10", "5", "4",
            "Created: 20 pixels kept, on the clipboard; made from the clip of an earlier "
            "screenshot",
            "", "paste");
        row("marked again after the paste", "10, 10", "5", "4",
            "Created: 20 pixels kept, on the clipboard", "", "paste, retype");
    }

    void createdWarnsWhereTheDefinitionMisleads()
    {
        QFETCH(QString, corner);
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QString, status);
        QFETCH(QString, bounds);
        QFETCH(QString, then);
        FormDriver d(patternImage(200, 100));
        d.Option1->click();
        FormDriver::type(d.txtCoords, corner);
        FormDriver::type(d.txtWidth, width);
        FormDriver::type(d.txtHeight, height);
        if (!bounds.isEmpty()) {
            FormDriver::type(d.txtRedFrom, bounds.section(QStringLiteral(", "), 0, 0));
            FormDriver::type(d.txtRedTo, bounds.section(QStringLiteral(", "), 1, 1));
        }
        if (then.startsWith(QLatin1String("paste")))
            d.paste(patternImage(150, 90));
        if (then.endsWith(QLatin1String("retype")))
            FormDriver::type(d.txtHeight, height);
        QCOMPARE(d.picClip->accessibleDescription().contains(
                     QLatin1String(", of the earlier screenshot")),
                 status.contains(QLatin1String("earlier")));
        QTest::mouseClick(d.btnCreate, Qt::LeftButton);
        QCOMPARE(d.lblCoords->text(), status);
        // A screen reader hears every warning the line shows.
        const Announcer *told = d.form->findChild<Announcer *>();
        QVERIFY(told);
        const QString spoken = (QStringList(told->shown()) + told->waiting()).constLast();
        QVERIFY2(
            spoken.contains(QLatin1String(" pixels kept. The definition is on the clipboard.")),
            qPrintable(spoken));
        for (const QString &warning : status.split(QStringLiteral("; ")).mid(1))
            QVERIFY2(spoken.contains(warning.mid(1)), qPrintable(spoken));
    }

    // Create Object from all screenshots: a button over a different background in each buffer.
    // Only the button's pixels agree, so the definition is the one Create Object makes of the
    // button over black (which it drops); Ctrl+B then finds it in each screenshot it was made
    // of. `others` is where each other buffer's button stands (none: a buffer without it).
    void createsFromAllScreenshots_data()
    {
        QTest::addColumn<QList<std::optional<QPoint>>>("others");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("inBuffers");
        // What the user does right after Ctrl+Shift+Enter, before the job's end is taken.
        QTest::addColumn<QString>("meanwhile");
        const QPoint same(32, 33);
        QTest::newRow("three backgrounds")
            << QList<std::optional<QPoint>>{same, same}
            << QStringLiteral("Created from 3 screenshots: 192 of 300 pixels agree")
            << QStringLiteral("Found in buffer 1 (1 place), buffer 2 (1 place), buffer 3 (1 place)")
            << QString();
        QTest::newRow("a fourth without the button")
            << QList<std::optional<QPoint>>{same, same, std::nullopt}
            << QStringLiteral("Created from 3 screenshots: 192 of 300 pixels agree; not found "
                              "in buffer 3")
            << QStringLiteral("Found in buffer 1 (1 place), buffer 2 (1 place), buffer 4 (1 "
                              "place); not in buffer 3")
            << QString();
        QTest::newRow("moved by 17, -5 in buffer 2")
            << QList<std::optional<QPoint>>{same + QPoint(17, -5), same}
            << QStringLiteral("Created from 3 screenshots: 192 of 300 pixels agree")
            << QStringLiteral("Found in buffer 1 (1 place), buffer 2 (1 place), buffer 3 (1 place)")
            << QString();
        QTest::newRow("nowhere else") << QList<std::optional<QPoint>>{std::nullopt, std::nullopt}
                                      << QStringLiteral("Created from 1 screenshot: 300 of 300 "
                                                        "pixels agree; not found in buffers 1, 2")
                                      << QString() << QString();
        // Refused, or dropped at its end: the result box and the clipboard stay as they were.
        const QString nothing = QStringLiteral("Nothing created: ");
        QTest::newRow("no other screenshot")
            << QList<std::optional<QPoint>>{}
            << nothing + QStringLiteral("no other buffer holds a screenshot; Create Object "
                                        "makes the definition of this one")
            << QString() << QString();
        const QString changed = nothing + "the region or the bounds changed while it ran";
        QTest::newRow("a bound typed while it runs")
            << QList<std::optional<QPoint>>{same, same} << changed << QString()
            << QStringLiteral("bound");
        QTest::newRow("the sampling changed while it runs")
            << QList<std::optional<QPoint>>{same, same} << changed << QString()
            << QStringLiteral("sampling");
        QTest::newRow("a region marked again while it runs")
            << QList<std::optional<QPoint>>{same, same} << changed << QString()
            << QStringLiteral("region");
    }

    void createsFromAllScreenshots()
    {
        QFETCH(QList<std::optional<QPoint>>, others);
        QFETCH(QString, status);
        QFETCH(QString, inBuffers);
        QFETCH(QString, meanwhile);
        const auto screenshot = [](int background, std::optional<QPoint> button) {
            QImage shot(300, 200, QImage::Format_RGB32);
            shot.fill(qRgb(0, 0, background));
            for (int y = 0; button && y < 25; ++y)
                for (int x = 0; x < 32; ++x)
                    shot.setPixel(*button + QPoint(x, y),
                                  qRgb(150 + (x * 7 + y * 13) % 100, 20, 10));
            return shot;
        };
        const QPoint at(32, 33);
        const auto made = [](FormDriver &d) {
            d.drag({30, 30}, {70, 60});
            d.txtObjectName->setText(QStringLiteral("Button"));
        };
        FormDriver alone(screenshot(0, at));
        made(alone);
        QTest::mouseClick(alone.btnCreate, Qt::LeftButton);

        FormDriver d;
        for (qsizetype i = 0; i < others.size(); ++i)
            d.paste(screenshot(int(90 + 30 * i), others[i]));
        d.paste(screenshot(60, at)); // the shown one, in the last buffer
        made(d);
        QTest::keyClick(d.form.get(), Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
        if (meanwhile == QLatin1String("bound"))
            d.txtGreenTo->setText(QStringLiteral("254"));
        else if (meanwhile == QLatin1String("sampling"))
            d.Option1->click();
        else if (meanwhile == QLatin1String("region"))
            d.drag({31, 30}, {70, 60});
        QTRY_VERIFY(!d.form->pictureJobRunning());
        QVERIFY2(d.lblCoords->text().startsWith(status), qPrintable(d.lblCoords->text()));
        if (status.startsWith(QLatin1String("Nothing created"))) {
            QVERIFY(d.clipboard->text.isEmpty());
            QVERIFY(d.txtObject->text().isEmpty());
            return;
        }
        if (inBuffers.isEmpty()) { // nothing differs with nothing to compare: the whole region
            QCOMPARE(d.clipboard->text.count(u'='), 300);
            return;
        }
        QCOMPARE(d.clipboard->text, alone.clipboard->text);
        QCOMPARE(d.txtObject->text(), alone.txtObject->text());

        // The Zoom's kept view marks the pixels dropped as the screenshots differ.
        QString title;
        QTimer::singleShot(0, d.form.get(), [&d, &title] {
            QTest::keyClick(d.form->popupForm(), Qt::Key_K);
            title = d.form->popupForm()->windowTitle();
            d.form->popupForm()->close();
        });
        d.form->ZoomIn_Click(); // modal, till the Zoom is closed
        QVERIFY2(title.contains(QStringLiteral("192 of 300 sampled pixels kept, 108 differ "
                                               "between screenshots")),
                 qPrintable(title));

        QTest::keyClick(d.form.get(), Qt::Key_B, Qt::ControlModifier);
        QTRY_VERIFY(!d.form->pictureJobRunning());
        QCOMPARE(d.lblCoords->text(), inBuffers);

        // Escape during another creation leaves the result box and the clipboard alone.
        d.txtRedFrom->setText(QStringLiteral("1"));
        QTest::keyClick(d.form.get(), Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(d.form.get(), Qt::Key_Escape);
        QTRY_VERIFY(!d.form->pictureJobRunning());
        QCOMPARE(d.clipboard->text, alone.clipboard->text);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Creation stopped: the definition box and "
                                                     "the clipboard are as they were"));
    }

    void runChangesNoInput()
    {
        FormDriver d(patternImage(60, 60));
        d.drag({10, 10}, {20, 20});
        const WindowState before = d.form->state();
        const QImage clip = d.picClip->image();
        QTest::mouseClick(d.btnCreate, Qt::LeftButton);
        QCOMPARE(d.form->state().startX, before.startX);
        QCOMPARE(d.form->state().leftX, before.leftX);
        QCOMPARE(d.form->state().bufferIndex, before.bufferIndex);
        QCOMPARE(d.picClip->image(), clip);
        QCOMPARE(d.txtWidth->text(), QStringLiteral("10"));
        QCOMPARE(d.txtCoords->text(), QStringLiteral("10, 10"));
    }
};

QTEST_MAIN(tst_CreateObject)
#include "tst_create_object.moc"
