#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QLabel;
class QWidget;

namespace corvantile {

// A notification a screen reader speaks as it appears, never seen. Announcements queue: each is
// shown in turn, once the one before has had time to be spoken, so that none wipes one the
// reader has not said yet; those that waited together are shown as one, in order.
class Announcer : public QObject
{
    Q_OBJECT

public:
    explicit Announcer(QWidget *window);
    // Takes its notification out of the window, which may outlive it.
    ~Announcer() override;

    void announce(const QString &text);

    // What was shown last, and what still waits.
    QString shown() const;
    QStringList waiting() const { return m_waiting; }

    // About how long a reader takes to speak a text at its usual rate.
    static int speakingMs(const QString &text);

private:
    void showNext();

    QPointer<QLabel> m_label;
    QStringList m_waiting;
    QTimer m_speaking;
};

} // namespace corvantile
