#include "text_reader.h"

#include "controls/status_line.h"
#include "system/clipboard.h"

#include <QLineEdit>
#include <QPointer>

namespace corvantile {

TextReader::TextReader(Clipboard &clipboard, StatusLine &status, std::function<quint64()> inputTime)
    : m_clipboard(clipboard), m_status(status), m_inputTime(std::move(inputTime))
{
    // A read that could not run says why; one that ran hands its text on itself.
    connect(&m_job, &BackgroundJob::finished, this, [this] {
        if (!m_job.failure().isEmpty())
            m_status.say(m_job.failure());
    });
}

void TextReader::read(std::function<void(const std::optional<QString> &)> then)
{
    if (stop())
        return;
    m_job.begin();
    const Clipboard::TextRead read = m_clipboard.beginTextRead(m_inputTime());
    m_job.run(
        [read, then = std::move(then)](const BackgroundJob::Post &post, JobProgress &progress) {
            const std::optional<QString> text = read(progress);
            if (!progress.cancelled)
                post([then, text] { then(text); });
        });
}

bool TextReader::stop()
{
    if (!m_job.busy())
        return false;
    m_job.cancel();
    m_status.say(QStringLiteral("Stopped reading the clipboard's text"));
    return true;
}

void TextReader::pasteInto(QLineEdit *box)
{
    read([this, box = QPointer<QLineEdit>(box)](const std::optional<QString> &text) {
        if (!text)
            m_status.say(QStringLiteral("Nothing pasted: the clipboard's owner did not answer"));
        else if (text->isEmpty())
            emit noTextToPaste();
        else if (box && box->isEnabled() && !box->isReadOnly())
            box->insert(*text);
    });
}

} // namespace corvantile
