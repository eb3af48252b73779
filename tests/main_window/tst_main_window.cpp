#include "common/colour.h"
#include "controls/focus_mark.h"
#include "controls/wrapping_button.h"
#include "main_window/layout.h"
#include "preview/popup_form.h"
#include "support/form_driver.h"
#include "system/client_frame.h"

using namespace corvantile;
using namespace corvantile::test;

namespace {

// How far a caption's ink reaches from where its text starts, in the window's pixels, drawn in
// the control's font at the screen's scale: what the user sees, hinting and all.
qreal inkWidth(const QWidget *control, const QString &text)
{
    const qreal scale = qApp->devicePixelRatio();
    const QFontMetricsF metrics(control->font());
    QImage image(qCeil((metrics.horizontalAdvance(text) + 20) * scale),
                 qCeil((metrics.height() + 4) * scale), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(control->font());
    painter.drawText(QPointF(0, metrics.ascent() + 2), text);
    painter.end();
    int last = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = last + 1; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                last = x;
    return (last + 1) / scale;
}

// Where an option button's or check box's caption starts inside the control.
int captionStart(const QAbstractButton *button, QStyle::SubElement contents)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(contents, &option, button).left();
}

// A control of the window by its name; the window itself is Form1.
QWidget *controlNamed(FormDriver &d, const QString &name)
{
    return name == QLatin1String("Form1") ? d.form.get() : control(*d.form, qPrintable(name));
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void startUpState()
    {
        FormDriver d;
        Form1 &f = *d.form;
        // The view holds a 1024 x 768 screenshot in the screen's pixels, whatever its scale.
        const int b = d.PicInner->borderWidth();
        QCOMPARE(d.PicInner->boxPosition(), QPoint(0, 0));
        QCOMPARE(d.PicInner->boxSize(), QSize(1024 + 2 * b, 768 + 2 * b));
        QCOMPARE(d.HScroll1->minimum(), 0);
        QCOMPARE(d.VScroll1->minimum(), 0);
        if (f.devicePixelRatioF() == 1) {
            QCOMPARE(d.PicInner->pos(), QPoint(0, 0));
            QCOMPARE(d.PicInner->size(), QSize(1028, 772));
            QCOMPARE(d.HScroll1->maximum(), 475);
            QCOMPARE(d.VScroll1->maximum(), 469);
        }
        QCOMPARE(d.HScroll1->value(), 0);
        QCOMPARE(d.VScroll1->value(), 0);
        for (const QScrollBar *bar : {d.HScroll1, d.VScroll1})
            QCOMPARE(QPoint(bar->singleStep(), bar->pageStep()), QPoint(5, 50));
        QCOMPARE(d.PicInner->lineStyle(), PictureBox::LineStyle::Dot);
        QVERIFY(f.state().drawBox);
        QCOMPARE(f.state().bufferIndex, std::int16_t(-1));
        QVERIFY(!f.state().settingFields);
        QVERIFY(!f.state().menuTarget.has_value());
        const QList<int> bounds = {f.state().redFrom, f.state().redTo,    f.state().greenFrom,
                                   f.state().greenTo, f.state().blueFrom, f.state().blueTo};
        QCOMPARE(bounds, QList<int>({0, 255, 0, 255, 0, 255}));
        for (const ImageBox *slot : d.ImgBuffer)
            QVERIFY(slot->picture().isNull());
        QVERIFY(d.Option2->isChecked());
        QVERIFY(!d.Option1->isChecked());
        QVERIFY(!d.chkUseBlack->isChecked());
        QCOMPARE(d.picClip->boxSize(), QSize(103, 103));
        QCOMPARE(d.picClip->borderWidth(), 0);
        QCOMPARE(f.size(), QSize(688, 552));
        QCOMPARE(f.minimumSize(), f.maximumSize()); // fixed size
        QCOMPARE(f.windowFlags() & (Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
                 Qt::WindowFlags(Qt::WindowCloseButtonHint));
        QVERIFY(f.findChildren<QMenuBar *>().isEmpty());
    }

    void geometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("expected");
        QTest::addColumn<bool>("sizedToCaption");
        QTest::addColumn<QString>("container");
        const auto text = [](std::string_view v) {
            return QString::fromUtf8(v.data(), qsizetype(v.size()));
        };
        for (const layout::Place &place : layout::places)
            QTest::newRow(place.name.data())
                << text(place.name) << place.rect
                << text(place.name).startsWith(QLatin1String("Label"))
                << (place.container.empty() ? QStringLiteral("Form1") : text(place.container));
    }

    void geometry()
    {
        QFETCH(QString, name);
        QFETCH(QRect, expected);
        QFETCH(bool, sizedToCaption);
        FormDriver d;
        QWidget *control = controlNamed(d, name);
        QVERIFY(control);
        QTEST(control->parentWidget()->objectName(), "container");
        QCOMPARE(control->pos(), expected.topLeft());
        if (sizedToCaption) {
            // Sized to the caption in the window's font (captionsFit checks that it all shows).
            auto *label = qobject_cast<QLabel *>(control);
            QCOMPARE(control->height(), label->sizeHint().height());
            QVERIFY(qAbs(control->width() - label->sizeHint().width()) <= 2);
        } else if (const auto *box = qobject_cast<PictureBox *>(control)) {
            QCOMPARE(box->boxSize(), expected.size()); // the clip box counts the screen's pixels
        } else {
            QCOMPARE(control->size(), expected.size());
        }
    }

    void bufferSlotsStandInTwoColumns()
    {
        FormDriver d;
        for (int i = 0; i < Form1::bufferCount; ++i) {
            const ImageBox *slot = d.ImgBuffer[static_cast<size_t>(i)];
            QCOMPARE(slot->parentWidget(), d.Frame5);
            QCOMPARE(slot->geometry(), layout::place(layout::slotName(i)));
            QVERIFY(slot->hasBorder());
        }
        // Each slot's border is whole on the screen at any scale: the middle of each of its four
        // sides, on the outermost screen pixels the slot fully covers, is the border's colour.
        const qreal s = d.form->devicePixelRatioF();
        const QImage screen = d.form->grab().toImage();
        const QRgb line = d.form->palette().color(QPalette::WindowText).rgb();
        for (const ImageBox *slot : d.ImgBuffer) {
            const QRectF r(QPointF(slot->mapTo(d.form.get(), QPoint(0, 0))) * s,
                           QSizeF(slot->size()) * s);
            const int left = qCeil(r.left()), top = qCeil(r.top());
            const int right = qFloor(r.right()) - 1, bottom = qFloor(r.bottom()) - 1;
            const int midX = (left + right) / 2, midY = (top + bottom) / 2;
            for (const QPoint p :
                 {QPoint(left, midY), QPoint(right, midY), QPoint(midX, top), QPoint(midX, bottom)})
                QCOMPARE(screen.pixel(p), line);
        }
        QVERIFY(!d.imgEgg->hasBorder());
        QVERIFY(d.imgEgg->picture().isNull());
        // Controls inside frames and the view inside its viewport.
        QCOMPARE(d.txtObjectName->parentWidget(), d.Frame4);
        QCOMPARE(d.Option1->parentWidget(), d.Frame6);
        QCOMPARE(d.chkUseBlack->parentWidget(), d.Frame7);
        QCOMPARE(d.PicInner->parentWidget(), d.picScroll->clientArea());
        QCOMPARE(d.picScroll->clientArea()->geometry(), QRect(2, 2, 552, 302));
    }

    void captionsAndTexts()
    {
        FormDriver d;
        const Form1 &f = *d.form;
        QCOMPARE(f.windowTitle(),
                 QStringLiteral("Quenby Corvantile - For use with Runewright by Dravenholt"));
        QCOMPARE(d.Label2->text(), QStringLiteral("Accept Values from:"));
        QCOMPARE(d.Label4->text(), QStringLiteral("RED"));
        QCOMPARE(d.Label6->text(), QStringLiteral("GREEN"));
        QCOMPARE(d.Label8->text(), QStringLiteral("BLUE"));
        for (const QLabel *to : {d.Label3, d.Label5, d.Label7})
            QCOMPARE(to->text(), QStringLiteral("To:"));
        const QStringList bounds = {d.txtRedFrom->text(),   d.txtRedTo->text(),
                                    d.txtGreenFrom->text(), d.txtGreenTo->text(),
                                    d.txtBlueFrom->text(),  d.txtBlueTo->text()};
        QCOMPARE(bounds, QStringList({"0", "255", "0", "255", "0", "255"}));
        QCOMPARE(d.Frame4->title(), QStringLiteral("Object Name"));
        QCOMPARE(d.txtObjectName->text(), QStringLiteral("MappedObject"));
        QCOMPARE(d.btnCreate->text(), QStringLiteral("Create Object"));
        QCOMPARE(d.Frame6->title(), QStringLiteral("Sample"));
        QCOMPARE(d.Option1->text(), QStringLiteral("Every Pixel"));
        QCOMPARE(d.Option2->text(), QStringLiteral("Every Other Pixel"));
        QCOMPARE(d.Frame7->title(), QStringLiteral("Black Pixels"));
        QCOMPARE(d.chkUseBlack->text(), QStringLiteral("Include"));
        QCOMPARE(d.Frame3->title(), QStringLiteral("Coords"));
        QCOMPARE(d.Frame1->title(), QStringLiteral("Width"));
        QCOMPARE(d.Frame2->title(), QStringLiteral("Height"));
        QCOMPARE(d.Command1->text(), QStringLiteral("Paste Image From Clipboard"));
        QCOMPARE(d.Label1->text(), QStringLiteral("Right click for Options"));
        QCOMPARE(d.Frame5->title(), QStringLiteral("Click on ScreenShot"));
        for (const QLineEdit *box : {d.txtCoords, d.txtWidth, d.txtHeight})
            QVERIFY(box->text().isEmpty());
        QVERIFY(d.txtObject->toPlainText().isEmpty());
        QVERIFY(d.txtObject->isReadOnly());
        QCOMPARE(d.txtObject->lineWrapMode(), QPlainTextEdit::NoWrap);
        QVERIFY(d.lblCoords->text().isEmpty());
        QCOMPARE(d.lblCoords->alignment(), Qt::AlignCenter);
        for (const QWidget *small :
             {static_cast<const QWidget *>(d.Frame7), static_cast<const QWidget *>(d.Label1),
              static_cast<const QWidget *>(d.Frame5)}) {
            QCOMPARE(small->font().pointSizeF(), 6.75);
            // Arial where it is installed (Windows), else its metric twin, never a fallback.
            const QString family = QFontInfo(small->font()).family();
            QVERIFY2(family == QLatin1String("Arial") || family == QLatin1String("Liberation Sans"),
                     qPrintable(family));
        }
        QVERIFY(d.chkUseBlack->font().pointSizeF() > 6.75); // only the frame's caption is small
    }

    // Every caption ends at least one pixel before its control does, whatever the scale: the
    // labels that size themselves, the option buttons, the check box and the command buttons. And
    // nothing in the colour row reaches the control beside it.
    void captionsFit()
    {
        FormDriver d;
        // The marks of the option buttons and the check box are drawn whole, with a screen pixel to
        // spare above and below them.
        for (QAbstractButton *button :
             {static_cast<QAbstractButton *>(d.Option1), static_cast<QAbstractButton *>(d.Option2),
              static_cast<QAbstractButton *>(d.chkUseBlack)}) {
            const QImage shown = button->grab().toImage();
            const qreal s = shown.devicePixelRatio();
            const int markEnd = qCeil(captionStart(button, button == d.chkUseBlack
                                                               ? QStyle::SE_CheckBoxContents
                                                               : QStyle::SE_RadioButtonContents) *
                                      s);
            int top = shown.height(), bottom = -1;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < markEnd; ++x)
                    if (qGray(shown.pixel(x, y)) < 236) {
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                    }
            QVERIFY2(top >= 1 && bottom >= top && bottom <= shown.height() - 2,
                     qPrintable(button->objectName()));
        }
        struct Caption
        {
            const QWidget *control;
            QString text;
            qreal start; // where the caption starts inside its control
            qreal room;  // where the control's room for it ends
        };
        QList<Caption> captions;
        for (const QLabel *label :
             {d.Label1, d.Label2, d.Label3, d.Label4, d.Label5, d.Label6, d.Label7, d.Label8})
            captions.append({label, label->text(), 0, qreal(label->width())});
        for (const QRadioButton *option : {d.Option1, d.Option2})
            captions.append({option, option->text(),
                             qreal(captionStart(option, QStyle::SE_RadioButtonContents)),
                             qreal(option->width())});
        captions.append({d.chkUseBlack, d.chkUseBlack->text(),
                         qreal(captionStart(d.chkUseBlack, QStyle::SE_CheckBoxContents)),
                         qreal(d.chkUseBlack->width())});
        // A button's caption stands centred in its contents; the paste button's wraps to two lines
        // in the room it gives its caption, as the button draws it.
        for (const QPushButton *button : {d.btnCreate, d.Command1}) {
            QStyleOptionButton option;
            option.initFrom(button);
            const auto *wrapping = qobject_cast<const WrappingButton *>(button);
            const QRect contents = wrapping ? wrapping->captionRect()
                                            : button->style()->subElementRect(
                                                  QStyle::SE_PushButtonContents, &option, button);
            QStringList lines;
            QTextLayout layout(button->text(), button->font());
            QTextOption wrap(Qt::AlignCenter);
            wrap.setWrapMode(QTextOption::WordWrap);
            layout.setTextOption(wrap);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(contents.width());
                lines << button->text().mid(line.textStart(), line.textLength()).trimmed();
            }
            layout.endLayout();
            QCOMPARE(lines.size(), button == d.Command1 ? 2 : 1);
            for (const QString &line : lines)
                captions.append({button, line,
                                 contents.x() + (contents.width() - inkWidth(button, line)) / 2,
                                 qreal(contents.x() + contents.width())});
        }
        for (const Caption &c : captions) {
            const qreal end = c.start + inkWidth(c.control, c.text);
            QVERIFY2(
                end + 1 <= c.room,
                qPrintable(
                    QStringLiteral("\"%1\" reaches %2 of %3").arg(c.text).arg(end).arg(c.room)));
        }
        const QList<const QWidget *> row = {d.Label2,     d.Label4, d.txtRedFrom,   d.Label3,
                                            d.txtRedTo,   d.Label6, d.txtGreenFrom, d.Label5,
                                            d.txtGreenTo, d.Label8, d.txtBlueFrom,  d.Label7,
                                            d.txtBlueTo};
        for (qsizetype i = 0; i + 1 < row.size(); ++i) {
            const auto *label = qobject_cast<const QLabel *>(row[i]);
            const qreal end =
                row[i]->x() + (label ? inkWidth(label, label->text()) : row[i]->width());
            QVERIFY(end + 1 <= row[i + 1]->x());
        }
    }

    // Where the tool draws the window's frame itself (Wayland), the window inside it looks as it
    // did as a window of its own, and the frame offers nothing but moving and closing.
    void frameDrawnByTheTool()
    {
        FormDriver plain;
        FormDriver framed;
        auto *frame = new ClientFrame(framed.form.get());
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        QCOMPARE(frame->size(), layout::window.size() + QSize(6, 34)); // even both ways
        QCOMPARE(framed.form->pos(), QPoint(3, 30));
        QVERIFY(frame->windowFlags() & Qt::FramelessWindowHint);
        const QList<QWidget *> before = plain.form->findChildren<QWidget *>();
        const QList<QWidget *> after = framed.form->findChildren<QWidget *>();
        QCOMPARE(after.size(), before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            if (after[i]->objectName() != QLatin1String("qt_scrollarea_viewport")) // draws no text
                QCOMPARE(after[i]->font(), before[i]->font());

        QCOMPARE(framed.txtObject->document()->defaultFont(),
                 plain.txtObject->document()->defaultFont());
        // Every text box has the window's font, inside a group frame too.
        for (const QLineEdit *box :
             {plain.txtCoords, plain.txtWidth, plain.txtHeight, plain.txtObjectName})
            QCOMPARE(box->font(), plain.txtRedFrom->font());
        QTest::mouseClick(frame, Qt::LeftButton, Qt::NoModifier, frame->closeButtonRect().center());
        QVERIFY(!frame->isVisible());
        framed.form->setParent(nullptr); // the driver owns the window
        delete frame;

        // A sizable window (the preview) in such a frame follows the frame's size.
        auto *zoom = new PopupForm;
        ClientFrame zoomFrame(zoom); // owns it
        QCOMPARE(zoomFrame.size(), QSize(304 + 6, 193 + 33));
        zoom->show();
        zoomFrame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&zoomFrame));
        zoomFrame.resize(400, 300);
        QCOMPARE(zoom->picZoom->size(), QSize(400 - 6 - 5, 300 - 33 - 5));
        // Escape closes the dialog in the frame, as with the system's own frame.
        QSignalSpy finished(zoom, &QDialog::finished);
        QTest::keyClick(&zoomFrame, Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
    }

    void screenReaderSees_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("help");
        const struct
        {
            const char *control, *name;
            QAccessible::Role role;
            const char *description;
            const char *help = "";
        } rows[] = {
            {"Form1", "Quenby Corvantile - For use with Runewright by Dravenholt",
             QAccessible::Window, ""},
            {"picScroll", "Screenshot viewport", QAccessible::Client, ""},
            {"PicInner", "Screenshot view", QAccessible::Graphic, "no screenshot"},
            {"HScroll1", "Scroll screenshot horizontally", QAccessible::ScrollBar, ""},
            {"VScroll1", "Scroll screenshot vertically", QAccessible::ScrollBar, ""},
            {"lblCoords", "Status line", QAccessible::StatusBar, ""},
            {"txtRedFrom", "Red from", QAccessible::EditableText, ""},
            {"txtRedTo", "Red to", QAccessible::EditableText, ""},
            {"txtGreenFrom", "Green from", QAccessible::EditableText, ""},
            {"txtGreenTo", "Green to", QAccessible::EditableText, ""},
            {"txtBlueFrom", "Blue from", QAccessible::EditableText, ""},
            {"txtBlueTo", "Blue to", QAccessible::EditableText, ""},
            {"txtObjectName", "Object name", QAccessible::EditableText, ""},
            {"btnCreate", "Create Object", QAccessible::Button, ""},
            {"Option1", "Every Pixel", QAccessible::RadioButton, ""},
            {"Option2", "Every Other Pixel", QAccessible::RadioButton, ""},
            {"chkUseBlack", "Include black pixels", QAccessible::CheckBox, ""},
            {"txtObject", "Object definition", QAccessible::EditableText, ""},
            {"picClip", "Clip box", QAccessible::Graphic, "no region marked",
             "Its Expanded Preview shows the pixels Create Object keeps when K is pressed. Ctrl+F "
             "finds the definition in the screenshot, F3 goes to the next place found"},
            {"txtCoords", "Coords", QAccessible::EditableText,
             "top-left corner of the region: x, y"},
            {"txtWidth", "Width", QAccessible::EditableText, ""},
            {"txtHeight", "Height", QAccessible::EditableText, ""},
            {"Command1", "Paste Image From Clipboard", QAccessible::Button, ""},
            {"ImgBuffer0", "Screenshot buffer 1", QAccessible::Graphic, "empty",
             "Ctrl+1 brings it back, Ctrl+Shift+1 opens its menu. Ctrl+F finds the definition in "
             "the screenshot"},
        };
        for (const auto &row : rows)
            QTest::newRow(row.control)
                << QString::fromLatin1(row.control) << QString::fromUtf8(row.name) << int(row.role)
                << QString::fromUtf8(row.description) << QString::fromUtf8(row.help);
    }

    // What a screen reader is told of each control: a name of its own, its role, and what it holds.
    void screenReaderSees()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        QFETCH(int, role);
        QFETCH(QString, description);
        QFETCH(QString, help);
        FormDriver d;
        QAccessibleInterface *reader =
            QAccessible::queryAccessibleInterface(controlNamed(d, control));
        QVERIFY(reader);
        QCOMPARE(reader->text(QAccessible::Name), name);
        QCOMPARE(int(reader->role()), role);
        QCOMPARE(reader->text(QAccessible::Description), description);
        // The keys are help, given when asked; what is spoken on the focus stays short.
        QCOMPARE(reader->text(QAccessible::Help), help);
        for (const QString &sentence : description.split(QStringLiteral(". ")))
            QVERIFY2(sentence.split(u' ').size() <= 12, qPrintable(sentence));
        // A scroll bar tells where it stands in per cent of its way, its range in pixels
        // whatever it is: one number for the focus, a review and where-am-I alike.
        if (QAccessibleValueInterface *value = reader->valueInterface();
            value && reader->role() == QAccessible::ScrollBar) {
            auto *bar = qobject_cast<QScrollBar *>(controlNamed(d, control));
            bar->setRange(0, 180);
            bar->setValue(178);
            QCOMPARE(value->minimumValue().toInt(), 0);
            QCOMPARE(value->maximumValue().toInt(), 100);
            QCOMPARE(value->currentValue().toInt(), 99);
            value->setCurrentValue(50);
            QCOMPARE(bar->value(), 90);
        }
        if (control == QLatin1String("lblCoords")) {
            // The text is told once, as the status bar's one item.
            d.lblCoords->setText(QStringLiteral("12, 34"));
            QVERIFY(!reader->textInterface());
            QCOMPARE(reader->childCount(), 1);
            QCOMPARE(reader->child(0)->text(QAccessible::Name), QStringLiteral("12, 34"));
        }
        // Only the buffers offer the buffer actions.
        const bool slot = control.startsWith(QLatin1String("ImgBuffer"));
        if (QAccessibleActionInterface *actions = reader->actionInterface())
            QCOMPARE(actions->actionNames().mid(0, 3) ==
                         QStringList({"Bring back", "Delete", "Expanded preview"}),
                     slot);
        else
            QVERIFY(!slot);
    }

    // The buffers' actions, the Menu key on the clip box and Enter on a button do what the mouse
    // does; what a screen reader is told follows a paste and Create Object; and the focus marks
    // never reach the pixels the tool reads.
    void workWithoutAMouse()
    {
        FormDriver d;
        Form1 &f = *d.form;
        d.paste(patternImage(300, 200));
        d.paste(patternImage(120, 90));
        QCOMPARE(d.PicInner->accessibleDescription(), QStringLiteral("120 \u00d7 90"));
        QCOMPARE(d.ImgBuffer[0]->accessibleDescription(), QStringLiteral("300 \u00d7 200"));
        QCOMPARE(d.ImgBuffer[1]->toolTip(),
                 QStringLiteral("Ctrl+2 brings it back, Ctrl+Shift+2 opens its menu. Ctrl+F finds "
                                "the definition in the screenshot"));

        QAccessibleActionInterface *first =
            QAccessible::queryAccessibleInterface(d.ImgBuffer[0])->actionInterface();
        first->doAction(QStringLiteral("Bring back"));
        QTRY_COMPARE(d.PicInner->picture().size(), QSize(300, 200));
        QAccessible::queryAccessibleInterface(d.ImgBuffer[1])
            ->actionInterface()
            ->doAction(QStringLiteral("Delete"));
        QTRY_VERIFY(d.ImgBuffer[1]->picture().isNull());
        QCOMPARE(f.state().bufferIndex, 0);

        // Region, focus on the clip box, Menu key: the menu opens at the box's top-left corner.
        d.txtWidth->setText(QStringLiteral("20"));
        d.txtHeight->setText(QStringLiteral("10"));
        d.txtCoords->setText(QStringLiteral("5, 6"));
        const QImage clip = d.picClip->image();
        f.move(0, 0); // room for the menu beside the clip box, on a screen of 800 x 600
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        for (QWidget *focused :
             {static_cast<QWidget *>(d.picClip), static_cast<QWidget *>(d.PicInner)}) {
            focused->setFocus();
            QTRY_VERIFY(focused->hasFocus());
            QCOMPARE(d.picClip->image(), clip);
            QCOMPARE(d.PicInner->point(0, 0), colourValueFromRgb(patternPixel(0, 0)));
        }
        d.picClip->setFocus();
        QRect menuAt, itemTold, itemShown;
        QString clipItem;
        const bool opened = whileNestedLoopRuns(
            [&] { QTest::keyClick(d.picClip, Qt::Key_Menu); },
            [&](QWidget *menu) {
                menuAt = menu->geometry();
                itemTold = QAccessible::queryAccessibleInterface(menu)->child(0)->rect();
                clipItem =
                    QAccessible::queryAccessibleInterface(menu)->child(1)->text(QAccessible::Name);
                // No buffer to delete: the item is greyed and told as unavailable, and the
                // first item that works is active.
                QVERIFY(QAccessible::queryAccessibleInterface(menu)->child(0)->state().disabled);
                QTRY_COMPARE(static_cast<QMenu *>(menu)->activeAction(), d.ZoomIn);
                const QRect item = static_cast<QMenu *>(menu)->actionGeometry(d.deleteItem);
                itemShown = QRect(menu->mapToGlobal(item.topLeft()), item.size());
                menu->close();
            });
        QVERIFY(opened);
        // A screen reader is told where the menu's item is in the screen's own pixels.
        const qreal s = f.devicePixelRatioF();
        QVERIFY2(qAbs(itemTold.x() - itemShown.x() * s) <= 1 &&
                     qAbs(itemTold.width() - itemShown.width() * s) <= 1,
                 qPrintable(QStringLiteral("told %1, shown %2 at %3")
                                .arg(itemTold.x())
                                .arg(itemShown.x())
                                .arg(s)));
        // At the box's top-left, where the screen has room for it there.
        const QPoint corner = d.picClip->mapToGlobal(QPoint(0, 0));
        if (f.screen()->geometry().contains(QRect(corner, menuAt.size())))
            QCOMPARE(menuAt.topLeft(), corner);
        QCOMPARE(f.state().menuTarget, std::optional<std::int16_t>(99));
        QCOMPARE(clipItem, QStringLiteral("Expanded Preview of the clip"));

        d.btnCreate->setFocus();
        QTest::keyClick(d.btnCreate, Qt::Key_Return);
        QVERIFY(d.txtObject->toPlainText().startsWith(QStringLiteral(":Object MappedObject")));
        QCOMPARE(d.txtObject->accessibleDescription(), QStringLiteral("50 pixels kept"));
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Created: 50 pixels kept, on the clipboard"));

        // The scroll bars and the viewport show their focus plainly: along their whole edge.
        for (QWidget *control :
             {static_cast<QWidget *>(d.HScroll1), static_cast<QWidget *>(d.VScroll1),
              static_cast<QWidget *>(d.picScroll)}) {
            d.btnCreate->setFocus();
            const QImage before = control->grab().toImage();
            control->setFocus();
            QTRY_VERIFY(control->hasFocus());
            const QImage after = control->grab().toImage();
            int changed = 0;
            for (int y = 0; y < after.height(); ++y)
                for (int x = 0; x < after.width(); ++x)
                    changed += after.pixel(x, y) != before.pixel(x, y);
            QVERIFY2(changed >= after.width() + after.height(), control->objectName().toLatin1());
        }

        // The keys of the buffers, and the paste key outside the text boxes.
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        d.paste(patternImage(50, 40));
        QTest::keyClick(d.form.get(), Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(d.PicInner->picture().size(), QSize(300, 200));
        QRect slotMenu;
        QStringList itemNames;
        QVERIFY(whileNestedLoopRuns(
            [&] {
                QTest::keyClick(d.form.get(), Qt::Key_2, Qt::ControlModifier | Qt::ShiftModifier);
            },
            [&](QWidget *menu) {
                // Opened by a key, with its first item active.
                QTRY_COMPARE(static_cast<QMenu *>(menu)->activeAction(), d.deleteItem);
                slotMenu = menu->geometry();
                QAccessibleInterface *told = QAccessible::queryAccessibleInterface(menu);
                itemNames = {told->child(0)->text(QAccessible::Name),
                             told->child(1)->text(QAccessible::Name)};
                menu->close();
            }));
        QCOMPARE(slotMenu.top(), d.ImgBuffer[1]->mapToGlobal(QPoint(0, 0)).y()); // at the slot
        // A screen reader hears which buffer the items act on.
        QCOMPARE(itemNames,
                 QStringList({"Delete Image of buffer 2", "Expanded Preview of buffer 2"}));
        QCOMPARE(d.deleteItem->text(), QStringLiteral("&Delete Image"));
        QCOMPARE(f.state().menuTarget, std::optional<std::int16_t>(1));
        const int reads = d.clipboard->reads;
        QGuiApplication::clipboard()->setText(QStringLiteral("12"));
        d.txtWidth->setFocus();
        d.txtWidth->selectAll();
        QTest::keyClick(d.txtWidth, Qt::Key_V, Qt::ControlModifier);
        QTRY_COMPARE(d.txtWidth->text(), QStringLiteral("12")); // read off the window's thread
        QCOMPARE(d.clipboard->reads, reads);                    // a text box pastes text
        // An owner that stalls holds nothing up; Escape stops the read, and nothing comes late.
        *d.clipboard->stalled = true;
        QGuiApplication::clipboard()->setText(QStringLiteral("34"));
        QTest::keyClick(d.txtWidth, Qt::Key_V, Qt::ControlModifier);
        QTest::qWait(50);
        QCOMPARE(d.txtWidth->text(), QStringLiteral("12"));
        QTest::keyClick(d.txtWidth, Qt::Key_Escape);
        QCOMPARE(d.lblCoords->text(), QStringLiteral("Stopped reading the clipboard's text"));
        *d.clipboard->stalled = false;
        QTest::qWait(50);
        QCOMPARE(d.txtWidth->text(), QStringLiteral("12"));
        QGuiApplication::clipboard()->setText(QStringLiteral("12"));
        d.PicInner->setFocus();
        QTest::keyClick(d.PicInner, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(d.clipboard->reads, reads + 1);
        d.waitForPictures();
        // With no text on the clipboard, the paste key in a text box pastes the screenshot,
        // and the box keeps its selected text.
        QGuiApplication::clipboard()->clear();
        d.clipboard->holdImage(patternImage(70, 60));
        d.txtRedTo->setFocus();
        d.txtRedTo->selectAll();
        // The clipboard's owner is asked with the time of that very key press.
        QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("v"));
        paste.setTimestamp(424242);
        QApplication::sendEvent(d.txtRedTo, &paste);
        QTRY_COMPARE(d.clipboard->inputTime, quint64(424242));
        d.waitForPictures();
        QCOMPARE(d.clipboard->reads, reads + 2);
        QCOMPARE(d.txtRedTo->text(), QStringLiteral("255"));
        QCOMPARE(d.PicInner->picture().size(), QSize(70, 60));
    }

    void tabOrder()
    {
        FormDriver d;
        Form1 &f = *d.form;
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        // The viewport is no stop: the view inside it is. The buffers are one stop.
        const QList<QWidget *> expected = {
            d.PicInner,  d.HScroll1,     d.VScroll1,   d.picClip,       d.txtWidth,
            d.txtHeight, d.txtCoords,    d.txtObject,  d.txtObjectName, d.btnCreate,
            d.Command1,  d.ImgBuffer[0], d.Option2,    d.chkUseBlack,   d.txtRedFrom,
            d.txtRedTo,  d.txtGreenFrom, d.txtGreenTo, d.txtBlueFrom,   d.txtBlueTo};
        d.PicInner->setFocus();
        QList<QWidget *> visited;
        for (int i = 0; i < expected.size(); ++i) {
            visited << QApplication::focusWidget();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, expected);
        QCOMPARE(QApplication::focusWidget(), d.PicInner); // and round again
        // A box keeps the text Tab selected in it once Tab leaves it: nothing is unselected
        // under the next control.
        for (QWidget *control : expected)
            if (const auto *box = qobject_cast<QLineEdit *>(control); box && !box->text().isEmpty())
                QVERIFY2(box->selectedText() == box->text(), qPrintable(box->objectName()));

        // In the buffers the arrows move along the two columns and stop at the ends; Tab
        // leaves them, and comes back to the slot it left, with its focus mark shown.
        d.paste(patternImage(300, 200));
        d.paste(patternImage(120, 90));
        d.Command1->setFocus();
        QTest::keyClick(d.Command1, Qt::Key_Tab);
        for (const auto &[key, to] : {std::pair{Qt::Key_Right, 1},
                                      {Qt::Key_Right, 2},
                                      {Qt::Key_Down, 4},
                                      {Qt::Key_Up, 2},
                                      {Qt::Key_Left, 1},
                                      {Qt::Key_End, 7},
                                      {Qt::Key_Down, 7},
                                      {Qt::Key_Home, 0},
                                      {Qt::Key_Up, 0},
                                      {Qt::Key_Right, 1}}) {
            QTest::keyClick(QApplication::focusWidget(), key);
            QCOMPARE(QApplication::focusWidget(), d.ImgBuffer[to]);
        }
        QTest::keyClick(d.ImgBuffer[1], Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), d.Option2);
        QTest::keyClick(d.Option2, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), d.ImgBuffer[1]);
        const auto marks = d.ImgBuffer[1]->parentWidget()->findChildren<FocusMark *>();
        QCOMPARE(std::count_if(marks.begin(), marks.end(),
                               [&](const FocusMark *m) {
                                   return m->isVisible() &&
                                          m->geometry().contains(d.ImgBuffer[1]->geometry());
                               }),
                 1);
        // The rings are no objects to a screen reader: hidden and nameless, not called after
        // the frame they stand in.
        for (FocusMark *mark : marks) {
            const QAccessibleInterface *told = QAccessible::queryAccessibleInterface(mark);
            QVERIFY(told->state().invisible);
            QCOMPARE(told->text(QAccessible::Name), QString());
        }
        // Enter brings the focused slot back; the Menu key and Shift+F10 open its menu.
        QTest::keyClick(d.ImgBuffer[1], Qt::Key_Left);
        QTest::keyClick(d.ImgBuffer[0], Qt::Key_Return);
        QCOMPARE(d.PicInner->picture().size(), QSize(300, 200));
        for (const auto &[key, modifiers] :
             {std::pair{Qt::Key_Menu, Qt::NoModifier}, {Qt::Key_F10, Qt::ShiftModifier}}) {
            f.state().menuTarget.reset();
            QVERIFY(whileNestedLoopRuns([&] { QTest::keyClick(d.ImgBuffer[0], key, modifiers); },
                                        [](QWidget *menu) { menu->close(); }));
            QCOMPARE(f.state().menuTarget, std::optional<std::int16_t>(0));
        }

        // The selected option button is the one in the order.
        d.Option1->setChecked(true);
        d.btnCreate->setFocus();
        QTest::keyClick(d.btnCreate, Qt::Key_Tab);
        QTest::keyClick(d.Command1, Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // past the buffers
        QCOMPARE(QApplication::focusWidget(), d.Option1);
        // All four arrows move between the option buttons, and choose the one they reach.
        for (const auto &[key, to] : {std::pair{Qt::Key_Down, d.Option2},
                                      {Qt::Key_Up, d.Option1},
                                      {Qt::Key_Right, d.Option2},
                                      {Qt::Key_Left, d.Option1}}) {
            QTest::keyClick(QApplication::focusWidget(), key);
            QCOMPARE(QApplication::focusWidget(), to);
            QVERIFY(to->isChecked());
        }
    }

    void popupMenuItems()
    {
        FormDriver d;
        QCOMPARE(d.PopMenu->title(), QStringLiteral("PopupMenu"));
        const QList<QAction *> items = d.PopMenu->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0], d.deleteItem);
        QCOMPARE(items[0]->text(), QStringLiteral("&Delete Image"));
        QCOMPARE(items[1], d.ZoomIn);
        QCOMPARE(items[1]->text(), QStringLiteral("&Expanded Preview"));
        QCOMPARE(items[2]->text(), QStringLiteral("Create Object from &all screenshots"));
        // The third is the clip's alone: a buffer's menu has the two.
        d.paste(patternImage(40, 40));
        for (const bool onClip : {false, true, false}) {
            QList<bool> shown;
            QTimer::singleShot(0, d.PopMenu, [&] {
                for (QAction *item : items)
                    shown << item->isVisible();
                d.PopMenu->close();
            });
            if (onClip)
                d.releaseOnClip(Qt::RightButton);
            else
                d.releaseOnSlot(0, Qt::RightButton);
            QCOMPARE(shown, (QList<bool>{true, true, onClip}));
        }
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_main_window.moc"
