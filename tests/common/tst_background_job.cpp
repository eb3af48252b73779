#include "common/background_job.h"

#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>
#include <stdexcept>

using namespace corvantile;

namespace {

// What the owner of a job hears.
struct Heard
{
    int steps = 0;    // posted steps that ran
    int finished = 0; // times `finished` came
    bool cancelled = false;
    QString failure; // what the job said of its last end
};

} // namespace

class tst_BackgroundJob : public QObject
{
    Q_OBJECT

private slots:
    // One job at a time: a second begin is refused while one runs; a cancel ends it at once and
    // throws away what its thread still posts; the end is heard once; nothing is delivered
    // to an owner that is gone; work that does not stop when cancelled is waited for by the
    // next, never run beside it, and that wait ends when the next is cancelled too; a thread
    // that cannot be made, or work that throws, ends the job with why, and the next job runs;
    // and joinAll() leaves no thread, or does not wait past its limit for one that never stops.
    void oneJobAndItsEnd_data()
    {
        // b begin, r run, s run work that finishes even when cancelled, c cancel, w let the work
        // go and wait, d delete the job, j join all threads, f the next thread cannot be made,
        // t run work that throws, e wait for the job's end to be delivered, J join all threads
        // while stubborn work runs (not waited for past the limit)
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("secondBegin"); // what a begin while the work runs gives
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("finished");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<QString>("failure"); // how the last end's failure() begins
        QTest::newRow("work posts, then ends once")
            << "brw" << false << 2 << 1 << false << QString();
        QTest::newRow("cancelled: ended at once, nothing posted after")
            << "brcw" << false << 0 << 1 << true << QString();
        QTest::newRow("cancelled twice: ended once")
            << "brccw" << false << 0 << 1 << true << QString();
        QTest::newRow("begun, cancelled before its work is known")
            << "bcw" << false << 0 << 1 << true << QString();
        QTest::newRow("a new job after a cancelled one")
            << "brcbrw" << false << 2 << 2 << false << QString();
        QTest::newRow("the job is gone while its work runs")
            << "brdw" << false << 0 << 0 << false << QString();
        QTest::newRow("work that finishes though cancelled: the next waits for it")
            << "bscbrw" << false << 2 << 2 << false << QString();
        QTest::newRow("joined at the end while it runs: told to stop")
            << "brjw" << false << 2 << 1 << false << QString();
        QTest::newRow("joined after a cancel") << "brcjw" << false << 0 << 1 << true << QString();
        QTest::newRow("a thread that cannot be made: one failed end, the next job runs")
            << "bfrebrw" << false << 2 << 2 << false << QString();
        QTest::newRow("a thread that cannot be made: said why")
            << "bfre" << false << 0 << 1 << false << "Could not start the work: ";
        QTest::newRow("work that throws: said why")
            << "btw" << false << 0 << 1 << false << "Could not finish the work: ";
        QTest::newRow("joined at the end while stubborn work runs: not waited for past the limit")
            << "bsJ" << false << 2 << 1 << false << QString();
        QTest::newRow("waiting for stubborn work, then cancelled: the wait ends")
            << "bscbscbrw" << false << 2 << 3 << false << QString();
    }

    void oneJobAndItsEnd()
    {
        QFETCH(QString, script);
        QFETCH(bool, secondBegin);
        QFETCH(int, steps);
        QFETCH(int, finished);
        QFETCH(bool, cancelled);
        QFETCH(QString, failure);
        auto job = std::make_unique<BackgroundJob>();
        Heard heard;
        const auto listen = [&] {
            connect(job.get(), &BackgroundJob::finished, job.get(),
                    [&heard, &job](bool wasCancelled) {
                        ++heard.finished;
                        heard.cancelled = wasCancelled;
                        heard.failure = job->failure();
                    });
        };
        listen();
        // The work holds on until it is let go, then posts two steps; it stops early when
        // cancelled.
        auto letGo = std::make_shared<std::atomic<bool>>(false);
        // How many works run at once, at most.
        auto atOnce = std::make_shared<std::atomic<int>>(0);
        auto most = std::make_shared<std::atomic<int>>(0);
        bool stubborn = false; // the last work run ignores a cancel
        for (const QChar action : script) {
            switch (action.toLatin1()) {
            case 'b':
                QVERIFY(job->begin());
                heard.steps = 0;
                break;
            case 's':
            case 'r': {
                letGo->store(false);
                const bool ignoresCancel = action == QLatin1Char('s');
                job->run([letGo, atOnce, most, ignoresCancel,
                          &heard](const BackgroundJob::Post &post, JobProgress &progress) {
                    *most = std::max(most->load(), ++*atOnce);
                    while (!*letGo && (ignoresCancel || !progress.cancelled))
                        QThread::msleep(1);
                    --*atOnce;
                    for (int i = 0; i < 2; ++i)
                        post([&heard] { ++heard.steps; });
                });
                QCOMPARE(job->begin(), secondBegin);
                QVERIFY(job->busy());
                // Stubborn work is at work before it is cancelled; cancelled before its thread
                // began, it would never run, and there would be nothing to wait for.
                if (ignoresCancel)
                    QTRY_COMPARE(atOnce->load(), 1);
                // Work run after stubborn work that was cancelled waits for it.
                if (stubborn)
                    QVERIFY(job->waitsForEarlier());
                stubborn = ignoresCancel;
                break;
            }
            case 'f':
                BackgroundJob::failThreadStarts(1);
                break;
            case 't':
                job->run([](const BackgroundJob::Post &, JobProgress &) {
                    throw std::runtime_error("out of bands");
                });
                break;
            case 'e':
                QTRY_VERIFY(!job->busy());
                break;
            case 'J':
                // The work ignores the cancel and is held: a join that waited for it would
                // never return.
                BackgroundJob::joinAll(100);
                letGo->store(true);
                QTRY_COMPARE(heard.finished, 1); // it ends on its own, and is heard
                break;
            case 'j':
                if (job && job->busy())
                    QTRY_COMPARE(atOnce->load(), 1); // joined once at work
                BackgroundJob::joinAll();
                QVERIFY(!BackgroundJob::workStillRunning());
                break;
            case 'c':
                job->cancel();
                QVERIFY(!job->busy());
                break;
            case 'd':
                job.reset();
                break;
            case 'w':
                letGo->store(true);
                // Every thread ends, then what it posted, if anything, is delivered.
                QTRY_VERIFY(!BackgroundJob::workStillRunning());
                QCoreApplication::sendPostedEvents();
                break;
            }
        }
        QCOMPARE(heard.steps, steps);
        QCOMPARE(heard.finished, finished);
        QCOMPARE(heard.cancelled, cancelled);
        QVERIFY2(failure.isEmpty() ? heard.failure.isEmpty() : heard.failure.startsWith(failure),
                 qPrintable(heard.failure));
        QCOMPARE_LE(most->load(), 1);
        QTRY_VERIFY(!BackgroundJob::workStillRunning());
    }
};

QTEST_GUILESS_MAIN(tst_BackgroundJob)
#include "tst_background_job.moc"
