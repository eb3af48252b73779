#pragma once

#include <QPushButton>

namespace corvantile {

// A push button that Enter and Return press as well as Space, as a dialog's buttons are
// pressed, without being drawn as a default button.
class CommandButton : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace corvantile
