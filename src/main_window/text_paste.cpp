// The clipboard's text as the window reads it: a job of its own off the window's thread, so
// that an owner that stalls never freezes the window; Escape, or the same key again, stops it.

#include "main_window/form1.h"

#include <QLineEdit>
#include <QPointer>

namespace corvantile {

void Form1::readClipboardText(std::function<void(const std::optional<QString> &)> then)
{
    if (stopTextRead())
        return;
    m_textRead.begin();
    const Clipboard::TextRead read = m_clipboard->beginTextRead(m_lastInputTime);
    m_textRead.run(
        [read, then = std::move(then)](const BackgroundJob::Post &post, JobProgress &progress) {
            const std::optional<QString> text = read(progress);
            if (!progress.cancelled)
                post([then, text] { then(text); });
        });
}

bool Form1::stopTextRead()
{
    if (!m_textRead.busy())
        return false;
    m_textRead.cancel();
    say(QStringLiteral("Stopped reading the clipboard's text"));
    return true;
}

// The box gets the text when it comes. With no text on the clipboard the paste key pastes the
// screenshot, as everywhere else in the window: the box would only empty its selection.
void Form1::pasteTextInto(QLineEdit *box)
{
    readClipboardText([this, box = QPointer<QLineEdit>(box)](const std::optional<QString> &text) {
        if (!text)
            say(QStringLiteral("Nothing pasted: the clipboard's owner did not answer"));
        else if (text->isEmpty())
            Command1_Click();
        else if (box && box->isEnabled() && !box->isReadOnly())
            box->insert(*text);
    });
}

} // namespace corvantile
