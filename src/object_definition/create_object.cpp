// Create Object, the colour bounds and the object name.

#include "common/numbers.h"
#include "controls/locked_text_box.h"
#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "object_definition/bounds.h"
#include "object_definition/clip_pixels.h"
#include "object_definition/generator.h"
#include "system/clipboard.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace corvantile {

GeneratorInputs Form1::currentInputs() const
{
    GeneratorInputs in;
    in.objectName = txtObjectName->text();
    in.topLeftText = txtCoords->text();
    in.widthText = txtWidth->text();
    in.heightText = txtHeight->text();
    in.step = 0;
    if (Option1->isChecked())
        in.step = 1;
    if (Option2->isChecked())
        in.step = 2;
    in.blackFloor = chkUseBlack->isChecked() ? -1 : 0;
    in.redFrom = state.redFrom;
    in.redTo = state.redTo;
    in.greenFrom = state.greenFrom;
    in.greenTo = state.greenTo;
    in.blueFrom = state.blueFrom;
    in.blueTo = state.blueTo;
    return in;
}

void Form1::btnCreate_Click()
{
    if (refusedWhileBusy())
        return;
    const GeneratorInputs inputs = currentInputs();
    const auto text = objectDefinition(ClipPixels(*picClip), inputs);
    if (!text) {
        // A failed run changes neither the result box nor the clipboard; the user hears why.
        say(QStringLiteral("Nothing created: ") +
            (!strictNumber(inputs.widthText)    ? QStringLiteral("Width is not a number")
             : !strictNumber(inputs.heightText) ? QStringLiteral("Height is not a number")
                                                : QStringLiteral("the region is too large")));
        return;
    }
    txtObject->setText(*text);
    clearMatches();
    // A screen reader hears how many pixels were kept (one "=" in each entry).
    const QString kept = QStringLiteral("%1 pixels kept").arg(text->count(u'='));
    txtObject->setAccessibleDescription(kept);
    // If this fails the result box still holds the text.
    const bool copied = clipboard().setText(*text);
    announce(kept + QStringLiteral(". ") +
             (copied ? QStringLiteral("The definition is on the clipboard.")
                     : QStringLiteral("The definition could not be put on the clipboard.")));
    // A sighted user sees it happen too; the next move on the view writes the status line anew.
    lblCoords->setText(
        QStringLiteral("Created: %1, ").arg(kept) +
        (copied ? QStringLiteral("on the clipboard") : QStringLiteral("not on the clipboard")));
}

void Form1::txtRedFrom_Change()
{
    state.redFrom = boundFromText(txtRedFrom->text());
}

void Form1::txtRedTo_Change()
{
    state.redTo = boundFromText(txtRedTo->text());
}

void Form1::txtGreenFrom_Change()
{
    state.greenFrom = boundFromText(txtGreenFrom->text());
}

void Form1::txtGreenTo_Change()
{
    state.greenTo = boundFromText(txtGreenTo->text());
}

void Form1::txtBlueFrom_Change()
{
    state.blueFrom = boundFromText(txtBlueFrom->text());
}

void Form1::txtBlueTo_Change()
{
    state.blueTo = boundFromText(txtBlueTo->text());
}

void Form1::txtObjectName_Change()
{
    // The text is written back only when a space was replaced: writing an unchanged text
    // would clear the box's undo history on every keystroke. The write raises one more change,
    // which finds no space and stops there.
    const QString name = txtObjectName->text();
    const QString fixed = nameWithoutSpaces(name);
    if (fixed != name) {
        txtObjectName->setText(fixed);
        // What a screen reader echoes is the key typed; the box holds something else.
        announce(QStringLiteral("Space written as underscore"));
    }
    txtObjectName->setCursorPosition(static_cast<int>(fixed.size()));
}

} // namespace corvantile
