#include "definition_inputs.h"

#include "object_definition/bounds.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

namespace corvantile {

DefinitionInputs::DefinitionInputs(const Boxes &boxes, WindowState &state)
    : m_boxes(boxes), m_state(state)
{
    // Every connection is direct: a write to a box runs its handler before the write returns.
    const std::pair<QLineEdit *, std::int16_t WindowState::*> bounds[] = {
        {boxes.txtRedFrom, &WindowState::redFrom},     {boxes.txtRedTo, &WindowState::redTo},
        {boxes.txtGreenFrom, &WindowState::greenFrom}, {boxes.txtGreenTo, &WindowState::greenTo},
        {boxes.txtBlueFrom, &WindowState::blueFrom},   {boxes.txtBlueTo, &WindowState::blueTo}};
    for (const auto &[box, bound] : bounds)
        connect(box, &QLineEdit::textChanged, this,
                [this, box = box, bound = bound] { bound_Change(box, bound); });
    connect(boxes.txtObjectName, &QLineEdit::textChanged, this,
            &DefinitionInputs::txtObjectName_Change);
    for (QLineEdit *box :
         {boxes.txtRedFrom, boxes.txtRedTo, boxes.txtGreenFrom, boxes.txtGreenTo, boxes.txtBlueFrom,
          boxes.txtBlueTo, boxes.txtCoords, boxes.txtWidth, boxes.txtHeight})
        connect(box, &QLineEdit::textChanged, this, &DefinitionInputs::changed);
    for (QAbstractButton *choice :
         std::initializer_list<QAbstractButton *>{boxes.Option1, boxes.Option2, boxes.chkUseBlack})
        connect(choice, &QAbstractButton::toggled, this, &DefinitionInputs::changed);
}

GeneratorInputs DefinitionInputs::currentInputs() const
{
    GeneratorInputs in;
    in.objectName = m_boxes.txtObjectName->text();
    in.topLeftText = m_boxes.txtCoords->text();
    in.widthText = m_boxes.txtWidth->text();
    in.heightText = m_boxes.txtHeight->text();
    in.step = 0;
    if (m_boxes.Option1->isChecked())
        in.step = 1;
    if (m_boxes.Option2->isChecked())
        in.step = 2;
    in.blackFloor = m_boxes.chkUseBlack->isChecked() ? -1 : 0;
    in.redFrom = m_state.redFrom;
    in.redTo = m_state.redTo;
    in.greenFrom = m_state.greenFrom;
    in.greenTo = m_state.greenTo;
    in.blueFrom = m_state.blueFrom;
    in.blueTo = m_state.blueTo;
    return in;
}

void DefinitionInputs::bound_Change(const QLineEdit *box, std::int16_t WindowState::*bound)
{
    m_state.*bound = boundFromText(box->text());
}

void DefinitionInputs::txtObjectName_Change()
{
    // The text is written back only when a space was replaced: writing an unchanged text
    // would clear the box's undo history on every keystroke. The write raises one more change,
    // which finds no space and stops there.
    QLineEdit *box = m_boxes.txtObjectName;
    const QString name = box->text();
    const QString fixed = nameWithoutSpaces(name);
    if (fixed != name) {
        box->setText(fixed);
        emit spaceReplaced();
    }
    box->setCursorPosition(static_cast<int>(fixed.size()));
}

} // namespace corvantile
