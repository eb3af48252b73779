#pragma once

#include "common/words.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QLabel;

namespace corvantile {

class Announcer;

// The status line at the foot of the window, and what a screen reader is told: the one place
// that writes either. Each message comes with its kind, and the kinds decide what replaces
// what:
// - the pointer's place and colour, and a drag's size, are shown as they come, never spoken;
// - a notice (a refusal, a warning, why nothing happened) is shown and spoken;
// - while a job runs its progress is shown, but not over a refusal said less than 1.5 s ago;
//   once it ends the line shows what it showed before the job, or the job's outcomes;
// - a job's outcomes stand side by side in the line, each spoken as it comes;
// - a find result is an outcome that goes as soon as what it was found for changes.
class StatusLine : public QObject
{
    Q_OBJECT

public:
    // Writes `label`, and a notification that a screen reader speaks, made beside it.
    explicit StatusLine(QLabel *label);

    QString text() const;

    void hover(const QString &text);
    // Shown and spoken.
    void say(const QString &text);
    // Shown and spoken, and kept over the progress of the running job for a moment.
    void refuse(const QString &text);
    // Shown only: what a screen reader hears of the same outcome comes through announce().
    void show(const QString &text);
    // Spoken only.
    void announce(const QString &text);
    // An outcome of the running job (or of an action when none runs), shown and spoken.
    void report(const QString &text);
    // What a search found, or the match gone to: an outcome that dropFound() takes away.
    void found(const QString &text);
    void dropFound();

    void jobStarted();
    void progress(const QString &text);
    void jobEnded();

private:
    enum class Kind { Other, Found };
    void put(const QString &text, Kind kind);

    QLabel *m_label;
    Announcer *m_announcer;
    Kind m_shown = Kind::Other;
    bool m_inJob = false;
    bool m_jobReported = false; // whether the running job reported an outcome yet
    QString m_afterJob;         // what the line shows once the job is over
    Kind m_afterJobKind = Kind::Other;
    QElapsedTimer m_refused; // since a refusal was put in the line
};

} // namespace corvantile
