#include "controls/announcer.h"
#include "controls/status_line.h"

#include <QLabel>
#include <QTest>
#include <QWidget>

using namespace corvantile;

class tst_StatusLine : public QObject
{
    Q_OBJECT

private slots:
    // What replaces what in the status line, by the kind of each message, and what a screen
    // reader is told of it.
    void kindsDecideWhatStays_data()
    {
        // h the pointer's place "H", s a notice "S", r a refusal "R", p the job's progress "P",
        // 1 and 2 two outcomes "O1" and "O2", f a find result "F", d what was found goes,
        // b a job begins, e it ends
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("spoken");
        QTest::newRow("the pointer's place is shown, never spoken") << "sh"
                                                                    << "H" << QStringList{"S"};
        QTest::newRow("a job's outcomes stand side by side") << "b12e"
                                                             << "O1; O2" << QStringList{"O1", "O2"};
        QTest::newRow("an outcome after the job replaces the last")
            << "b1e2"
            << "O2" << QStringList{"O1", "O2"};
        QTest::newRow("the line before a job comes back after it") << "hbpe"
                                                                   << "H" << QStringList{};
        QTest::newRow("progress waits behind a fresh refusal") << "brp"
                                                               << "R" << QStringList{"R"};
        QTest::newRow("a find result goes when what it was found for changes")
            << "fd"
            << "" << QStringList{"F"};
        QTest::newRow("a notice over a find result stays") << "fsd"
                                                           << "S" << QStringList{"F", "S"};
        QTest::newRow("the pointer's place over a find result stays") << "fhd"
                                                                      << "H" << QStringList{"F"};
        QTest::newRow("a find result that went during a job does not come back")
            << "fbpde"
            << "" << QStringList{"F"};
        QTest::newRow("a find result kept through a job comes back") << "fbpe"
                                                                     << "F" << QStringList{"F"};
        QTest::newRow("a job's outcome is no find result") << "b1de"
                                                           << "O1" << QStringList{"O1"};
    }

    void kindsDecideWhatStays()
    {
        QFETCH(QString, script);
        QFETCH(QString, shown);
        QFETCH(QStringList, spoken);
        QWidget window;
        auto *label = new QLabel(&window);
        StatusLine status(label);
        for (const QChar step : script) {
            switch (step.toLatin1()) {
            case 'h':
                status.hover(QStringLiteral("H"));
                break;
            case 's':
                status.say(QStringLiteral("S"));
                break;
            case 'r':
                status.refuse(QStringLiteral("R"));
                break;
            case 'p':
                status.progress(QStringLiteral("P"));
                break;
            case '1':
            case '2':
                status.report(QStringLiteral("O") + step);
                break;
            case 'f':
                status.found(QStringLiteral("F"));
                break;
            case 'd':
                status.dropFound();
                break;
            case 'b':
                status.jobStarted();
                break;
            case 'e':
                status.jobEnded();
                break;
            }
        }
        QCOMPARE(label->text(), shown);
        const auto *announcer = window.findChild<Announcer *>();
        QVERIFY(announcer);
        QStringList heard = announcer->waiting();
        if (!announcer->shown().isEmpty())
            heard.prepend(announcer->shown());
        QCOMPARE(heard, spoken);
    }
};

QTEST_MAIN(tst_StatusLine)
#include "tst_status_line.moc"
