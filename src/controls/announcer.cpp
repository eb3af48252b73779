#include "announcer.h"

#include "accessibility.h"

#include <QLabel>
#include <algorithm>

namespace corvantile {

Announcer::Announcer(QWidget *window) : QObject(window), m_label(new QLabel(window))
{
    m_label->setObjectName(QStringLiteral("announcer"));
    m_label->setGeometry(0, 0, 0, 0);
    m_label->hide();
    setAccessibleRole(m_label, QAccessible::Notification);
    m_speaking.setSingleShot(true);
    connect(&m_speaking, &QTimer::timeout, this, &Announcer::showNext);
}

Announcer::~Announcer()
{
    delete m_label;
}

void Announcer::announce(const QString &text)
{
    m_waiting.append(text);
    if (!m_speaking.isActive())
        showNext();
}

QString Announcer::shown() const
{
    return m_label->text();
}

// A screen reader's voice at its usual rate says some fifteen characters a second; a pause
// follows each sentence.
int Announcer::speakingMs(const QString &text)
{
    return std::clamp(300 + int(text.size()) * 65, 500, 8000);
}

// A notification is spoken when it appears, so each is shown anew.
void Announcer::showNext()
{
    if (m_waiting.isEmpty())
        return;
    QString text;
    for (const QString &part : std::as_const(m_waiting)) {
        if (!text.isEmpty())
            text += text.endsWith(u'.') ? QStringLiteral(" ") : QStringLiteral(". ");
        text += part;
    }
    m_waiting.clear();
    m_label->hide();
    m_label->setText(text);
    m_label->setAccessibleName(text);
    m_label->show();
    m_speaking.start(speakingMs(text));
}

} // namespace corvantile
