#include "platform/image_box.h"
#include "platform/locked_text_box.h"
#include "platform/picture_box.h"
#include "support/form_driver.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

using namespace corvantile;
using namespace corvantile::test;

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startUpState();
    void geometry_data();
    void geometry();
    void bufferSlotsStandInTwoColumns();
    void captionsAndTexts();
    void tabOrder();
    void popupMenuItems();
};

void tst_MainWindow::startUpState()
{
    FormDriver d;
    const Form1 &f = *d.form;
    QCOMPARE(f.PicInner->pos(), QPoint(0, 0));
    QCOMPARE(f.PicInner->size(), QSize(1028, 772));
    QCOMPARE(f.HScroll1->minimum(), 0);
    QCOMPARE(f.HScroll1->maximum(), 475);
    QCOMPARE(f.VScroll1->minimum(), 0);
    QCOMPARE(f.VScroll1->maximum(), 469);
    QCOMPARE(f.HScroll1->value(), 0);
    QCOMPARE(f.VScroll1->value(), 0);
    QCOMPARE(f.HScroll1->singleStep(), 5);
    QCOMPARE(f.HScroll1->pageStep(), 50);
    QCOMPARE(f.VScroll1->singleStep(), 5);
    QCOMPARE(f.VScroll1->pageStep(), 50);
    QCOMPARE(f.PicInner->lineStyle(), PictureBox::LineStyle::Dot);
    QVERIFY(f.state.drawBox);
    QCOMPARE(f.state.bufferIndex, std::int16_t(-1));
    QVERIFY(!f.state.settingFields);
    QVERIFY(!f.state.menuTarget.has_value());
    QCOMPARE(f.state.redFrom, std::int16_t(0));
    QCOMPARE(f.state.redTo, std::int16_t(255));
    QCOMPARE(f.state.greenFrom, std::int16_t(0));
    QCOMPARE(f.state.greenTo, std::int16_t(255));
    QCOMPARE(f.state.blueFrom, std::int16_t(0));
    QCOMPARE(f.state.blueTo, std::int16_t(255));
    for (const ImageBox *slot : f.ImgBuffer)
        QVERIFY(slot->picture().isNull());
    QVERIFY(f.Option2->isChecked());
    QVERIFY(!f.Option1->isChecked());
    QVERIFY(!f.chkUseBlack->isChecked());
    QCOMPARE(f.picClip->size(), QSize(103, 103));
    QCOMPARE(f.picClip->borderWidth(), 0);
    QCOMPARE(f.size(), QSize(688, 552));
    QCOMPARE(f.minimumSize(), f.maximumSize()); // fixed size
    QVERIFY(!(f.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(f.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(f.findChildren<QMenuBar *>().isEmpty());
}

void tst_MainWindow::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<bool>("sizedToCaption");
    const struct
    {
        const char *name;
        QRect rect;
        bool autoSize;
    } rows[] = {
        {"picScroll", {3, 4, 556, 306}, false},      {"HScroll1", {2, 310, 556, 20}, false},
        {"VScroll1", {558, 3, 18, 307}, false},      {"lblCoords", {2, 330, 556, 16}, false},
        {"Label2", {6, 350, 95, 13}, true},          {"Label4", {113, 350, 23, 13}, true},
        {"txtRedFrom", {141, 350, 28, 19}, false},   {"Label3", {173, 350, 15, 13}, true},
        {"txtRedTo", {195, 350, 28, 19}, false},     {"Label6", {238, 350, 38, 13}, true},
        {"txtGreenFrom", {279, 350, 28, 19}, false}, {"Label5", {311, 350, 15, 13}, true},
        {"txtGreenTo", {333, 350, 28, 19}, false},   {"Label8", {371, 350, 28, 13}, true},
        {"txtBlueFrom", {403, 350, 28, 19}, false},  {"Label7", {435, 350, 15, 13}, true},
        {"txtBlueTo", {457, 350, 28, 19}, false},    {"Frame4", {1, 367, 213, 42}, false},
        {"txtObjectName", {7, 15, 199, 19}, false},  {"btnCreate", {217, 378, 81, 28}, false},
        {"Frame6", {302, 367, 208, 42}, false},      {"Option1", {10, 17, 72, 13}, false},
        {"Option2", {96, 17, 101, 13}, false},       {"Frame7", {511, 367, 66, 42}, false},
        {"chkUseBlack", {5, 17, 55, 13}, false},     {"txtObject", {1, 410, 522, 139}, false},
        {"picClip", {543, 418, 103, 103}, false},    {"Frame3", {584, 18, 93, 35}, false},
        {"txtCoords", {7, 13, 80, 19}, false},       {"Frame1", {584, 62, 93, 35}, false},
        {"txtWidth", {7, 13, 80, 19}, false},        {"Frame2", {584, 107, 93, 35}, false},
        {"txtHeight", {7, 13, 80, 19}, false},       {"Command1", {591, 145, 81, 33}, false},
        {"Label1", {582, 187, 94, 12}, true},        {"Frame5", {578, 198, 108, 211}, false},
        {"imgEgg", {668, 2, 20, 19}, false},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << QString::fromLatin1(row.name) << row.rect << row.autoSize;
}

void tst_MainWindow::geometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, expected);
    QFETCH(bool, sizedToCaption);
    FormDriver d;
    Form1 &f = *d.form;
    const QHash<QString, QWidget *> controls = {
        {"picScroll", f.picScroll},
        {"HScroll1", f.HScroll1},
        {"VScroll1", f.VScroll1},
        {"lblCoords", f.lblCoords},
        {"Label2", f.Label2},
        {"Label4", f.Label4},
        {"txtRedFrom", f.txtRedFrom},
        {"Label3", f.Label3},
        {"txtRedTo", f.txtRedTo},
        {"Label6", f.Label6},
        {"txtGreenFrom", f.txtGreenFrom},
        {"Label5", f.Label5},
        {"txtGreenTo", f.txtGreenTo},
        {"Label8", f.Label8},
        {"txtBlueFrom", f.txtBlueFrom},
        {"Label7", f.Label7},
        {"txtBlueTo", f.txtBlueTo},
        {"Frame4", f.Frame4},
        {"txtObjectName", f.txtObjectName},
        {"btnCreate", f.btnCreate},
        {"Frame6", f.Frame6},
        {"Option1", f.Option1},
        {"Option2", f.Option2},
        {"Frame7", f.Frame7},
        {"chkUseBlack", f.chkUseBlack},
        {"txtObject", f.txtObject},
        {"picClip", f.picClip},
        {"Frame3", f.Frame3},
        {"txtCoords", f.txtCoords},
        {"Frame1", f.Frame1},
        {"txtWidth", f.txtWidth},
        {"Frame2", f.Frame2},
        {"txtHeight", f.txtHeight},
        {"Command1", f.Command1},
        {"Label1", f.Label1},
        {"Frame5", f.Frame5},
        {"imgEgg", f.imgEgg},
    };
    QWidget *control = controls.value(name);
    QVERIFY(control);
    QCOMPARE(control->pos(), expected.topLeft());
    if (sizedToCaption) {
        // Sized to the caption in the window's font, so the whole caption shows.
        auto *label = qobject_cast<QLabel *>(control);
        QCOMPARE(control->size(), label->sizeHint());
        QVERIFY(control->width() >= label->fontMetrics().horizontalAdvance(label->text()));
    } else {
        QCOMPARE(control->size(), expected.size());
    }
}

void tst_MainWindow::bufferSlotsStandInTwoColumns()
{
    FormDriver d;
    const QPoint places[] = {{6, 14},  {55, 14},  {6, 62},  {55, 62},
                             {6, 111}, {55, 111}, {6, 159}, {55, 159}};
    for (int i = 0; i < Form1::bufferCount; ++i) {
        const ImageBox *slot = d.form->ImgBuffer[static_cast<size_t>(i)];
        QCOMPARE(slot->parentWidget(), d.form->Frame5);
        QCOMPARE(slot->geometry(), QRect(places[i], QSize(46, 45)));
        QVERIFY(slot->hasBorder());
    }
    QVERIFY(!d.form->imgEgg->hasBorder());
    QVERIFY(d.form->imgEgg->picture().isNull());
    // Controls inside frames and the view inside its viewport.
    QCOMPARE(d.form->txtObjectName->parentWidget(), d.form->Frame4);
    QCOMPARE(d.form->Option1->parentWidget(), d.form->Frame6);
    QCOMPARE(d.form->chkUseBlack->parentWidget(), d.form->Frame7);
    QCOMPARE(d.form->PicInner->parentWidget(), d.form->picScroll->clientArea());
    QCOMPARE(d.form->picScroll->clientArea()->geometry(), QRect(2, 2, 552, 302));
}

void tst_MainWindow::captionsAndTexts()
{
    FormDriver d;
    const Form1 &f = *d.form;
    QCOMPARE(f.windowTitle(),
             QStringLiteral("Quenby Corvantile - For use with Runewright by Dravenholt"));
    QCOMPARE(f.Label2->text(), QStringLiteral("Accept Values from:"));
    QCOMPARE(f.Label4->text(), QStringLiteral("RED"));
    QCOMPARE(f.Label6->text(), QStringLiteral("GREEN"));
    QCOMPARE(f.Label8->text(), QStringLiteral("BLUE"));
    for (const QLabel *to : {f.Label3, f.Label5, f.Label7})
        QCOMPARE(to->text(), QStringLiteral("To:"));
    const QStringList bounds = {f.txtRedFrom->text(), f.txtRedTo->text(),    f.txtGreenFrom->text(),
                                f.txtGreenTo->text(), f.txtBlueFrom->text(), f.txtBlueTo->text()};
    QCOMPARE(bounds, QStringList({"0", "255", "0", "255", "0", "255"}));
    QCOMPARE(f.Frame4->title(), QStringLiteral("Object Name"));
    QCOMPARE(f.txtObjectName->text(), QStringLiteral("MappedObject"));
    QCOMPARE(f.btnCreate->text(), QStringLiteral("Create Object"));
    QCOMPARE(f.Frame6->title(), QStringLiteral("Sample"));
    QCOMPARE(f.Option1->text(), QStringLiteral("Every Pixel"));
    QCOMPARE(f.Option2->text(), QStringLiteral("Every Other Pixel"));
    QCOMPARE(f.Frame7->title(), QStringLiteral("Black Pixels"));
    QCOMPARE(f.chkUseBlack->text(), QStringLiteral("Include"));
    QCOMPARE(f.Frame3->title(), QStringLiteral("Coords"));
    QCOMPARE(f.Frame1->title(), QStringLiteral("Width"));
    QCOMPARE(f.Frame2->title(), QStringLiteral("Height"));
    QCOMPARE(f.Command1->text(), QStringLiteral("Paste Image From Clipboard"));
    QCOMPARE(f.Label1->text(), QStringLiteral("Right click for Options"));
    QCOMPARE(f.Frame5->title(), QStringLiteral("Click on ScreenShot"));
    for (const QLineEdit *box : {f.txtCoords, f.txtWidth, f.txtHeight})
        QVERIFY(box->text().isEmpty());
    QVERIFY(f.txtObject->toPlainText().isEmpty());
    QVERIFY(f.txtObject->isReadOnly());
    QCOMPARE(f.txtObject->lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(f.lblCoords->text().isEmpty());
    QCOMPARE(f.lblCoords->alignment(), Qt::AlignCenter);

    for (const QWidget *small :
         {static_cast<const QWidget *>(f.Frame7), static_cast<const QWidget *>(f.Label1),
          static_cast<const QWidget *>(f.Frame5)}) {
        QCOMPARE(small->font().pointSizeF(), 6.75);
        QCOMPARE(QFontInfo(small->font()).family(), QStringLiteral("Liberation Sans"));
    }
    QVERIFY(f.chkUseBlack->font().pointSizeF() > 6.75); // only the frame's caption is small
}

void tst_MainWindow::tabOrder()
{
    FormDriver d;
    Form1 &f = *d.form;
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    const QList<QWidget *> expected = {f.picScroll,    f.PicInner,      f.HScroll1,    f.VScroll1,
                                       f.picClip,      f.txtWidth,      f.txtHeight,   f.txtCoords,
                                       f.txtObject,    f.txtObjectName, f.btnCreate,   f.Command1,
                                       f.Option2,      f.chkUseBlack,   f.txtRedFrom,  f.txtRedTo,
                                       f.txtGreenFrom, f.txtGreenTo,    f.txtBlueFrom, f.txtBlueTo};
    f.picScroll->setFocus();
    QList<QWidget *> visited;
    for (int i = 0; i < expected.size(); ++i) {
        visited << QApplication::focusWidget();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, expected);
    QCOMPARE(QApplication::focusWidget(), f.picScroll); // and round again

    // The selected option button is the one in the order.
    f.Option1->setChecked(true);
    f.btnCreate->setFocus();
    QTest::keyClick(f.btnCreate, Qt::Key_Tab);
    QTest::keyClick(f.Command1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.Option1);
}

void tst_MainWindow::popupMenuItems()
{
    FormDriver d;
    QCOMPARE(d.form->PopMenu->title(), QStringLiteral("PopupMenu"));
    const QList<QAction *> items = d.form->PopMenu->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0], d.form->deleteItem);
    QCOMPARE(items[0]->text(), QStringLiteral("&Delete Image"));
    QCOMPARE(items[1], d.form->ZoomIn);
    QCOMPARE(items[1]->text(), QStringLiteral("&Expanded Preview"));
}

QTEST_MAIN(tst_MainWindow)
#include "tst_main_window.moc"
