// What a screen reader is told an action did, and the status line that says it to a sighted
// user.

#include "main_window/form1.h"

#include <QLabel>

namespace corvantile {

// A notification is spoken when it appears, so each announcement shows it anew.
void Form1::announce(const QString &text)
{
    m_announcer->hide();
    m_announcer->setText(text);
    m_announcer->setAccessibleName(text);
    m_announcer->show();
}

void Form1::say(const QString &text)
{
    lblCoords->setText(text);
    announce(text);
}

} // namespace corvantile
