#pragma once

#include <QWidget>

namespace corvantile {

// A dotted ring drawn just outside a control while it has the keyboard focus, for a control
// that has no border of its own to show its focus on. It never covers the control itself and
// lets the mouse through.
class FocusMark : public QWidget
{
    Q_OBJECT

public:
    explicit FocusMark(QWidget *target);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void follow();
    QWidget *m_target;
};

} // namespace corvantile
