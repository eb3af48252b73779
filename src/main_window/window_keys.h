#pragma once

#include <QObject>
#include <functional>

class QFocusEvent;
class QKeyEvent;
class QRadioButton;
class QWidget;

namespace corvantile {

class FindFlow;
class ImageBuffers;
class JobStatus;
class TextReader;

// The window's look at every event of the program, before the control it is meant for: the
// time of each input is kept; Escape stops the running job wherever the keyboard is; and the
// keys of the buffers, the option buttons and the paste key in a text box are handled here.
class WindowKeys : public QObject
{
    Q_OBJECT

public:
    struct Parts
    {
        QWidget *window;
        QRadioButton *Option1;
        QRadioButton *Option2;
        ImageBuffers &buffers;
        JobStatus &job;
        FindFlow &find;
        TextReader &text;
    };

    explicit WindowKeys(const Parts &parts);

    // When the last click or key press happened, as the window system stamped it: an X11
    // clipboard owner is asked with the time of the input that asked for it.
    quint64 lastInputTime() const { return m_lastInputTime; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool keyFiltered(QObject *watched, const QKeyEvent &key);
    bool keptSelection(QObject *watched, const QFocusEvent &focus);
    bool ours(const QObject *watched) const;

    Parts m_parts;
    quint64 m_lastInputTime = 0;
};

} // namespace corvantile
