#pragma once

#include "common/background_job.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QLineEdit;

namespace corvantile {

class Clipboard;
class StatusLine;

// The clipboard's text as the window reads it, for a text box's paste and for the search of a
// definition on the clipboard: a job of its own off the window's thread, so that an owner that
// stalls never freezes the window. Escape, or a second read asked for while one waits, stops
// it.
class TextReader : public QObject
{
    Q_OBJECT

public:
    // inputTime: when the input that asks for a read happened (see Clipboard::beginRead).
    TextReader(Clipboard &clipboard, StatusLine &status, std::function<quint64()> inputTime);

    bool busy() const { return m_job.busy(); }
    // `then` gets the text when it is here, or nothing when the owner did not answer.
    void read(std::function<void(const std::optional<QString> &)> then);
    // The box gets the text when it comes.
    void pasteInto(QLineEdit *box);
    // Stops a read that waits; false when none does.
    bool stop();

signals:
    // The paste key in a box found no text on the clipboard: it pastes the screenshot, as
    // everywhere else in the window (the box would only empty its selection).
    void noTextToPaste();

private:
    Clipboard &m_clipboard;
    StatusLine &m_status;
    std::function<quint64()> m_inputTime;
    BackgroundJob m_job;
};

} // namespace corvantile
