#pragma once

#include "common/window_state.h"
#include "object_definition/generator.h"

#include <QObject>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace corvantile {

// The boxes a definition is made from: the six colour bounds, the object name, the sampling and
// the black rule, and the region's corner, width and height. A change of a bound box keeps its
// bound in the window state; the name box writes a space as an underscore.
class DefinitionInputs : public QObject
{
    Q_OBJECT

public:
    struct Boxes
    {
        QLineEdit *txtRedFrom, *txtRedTo, *txtGreenFrom, *txtGreenTo, *txtBlueFrom, *txtBlueTo;
        QLineEdit *txtObjectName, *txtCoords, *txtWidth, *txtHeight;
        QRadioButton *Option1, *Option2;
        QCheckBox *chkUseBlack;
    };

    DefinitionInputs(const Boxes &boxes, WindowState &state);

    // What Create Object would read now.
    GeneratorInputs currentInputs() const;

    // The change handler of each bound box (txtRedFrom to txtBlueTo): the bound its text stands
    // for, kept in the window state.
    void bound_Change(const QLineEdit *box, std::int16_t WindowState::*bound);
    void txtObjectName_Change();

signals:
    // A bound, the sampling, the black rule or the region changed: what Create Object and
    // Ctrl+F would look for is another definition now.
    void changed();
    // The name box holds an underscore where a space was typed; a screen reader echoed the key.
    void spaceReplaced();

private:
    Boxes m_boxes;
    WindowState &m_state; // the window's, which outlives this
};

} // namespace corvantile
