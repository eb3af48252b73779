#include "common/background_job.h"

#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>

using namespace corvantile;

namespace {

// What the owner of a job hears.
struct Heard
{
    int steps = 0;    // posted steps that ran
    int finished = 0; // times `finished` came
    bool cancelled = false;
};

} // namespace

class tst_BackgroundJob : public QObject
{
    Q_OBJECT

private slots:
    // One job at a time: a second begin is refused while one runs; a cancel ends it at once and
    // throws away what its thread still posts; the end is heard once; nothing is delivered
    // to an owner that is gone; work that does not stop when cancelled is waited for by the
    // next, never run beside it; and joinAll() leaves no thread.
    void oneJobAndItsEnd_data()
    {
        // b begin, r run, s run work that finishes even when cancelled, c cancel, w let the work
        // go and wait, d delete the job, j join all threads
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("secondBegin"); // what a begin while the work runs gives
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("finished");
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("work posts, then ends once") << "brw" << false << 2 << 1 << false;
        QTest::newRow("cancelled: ended at once, nothing posted after")
            << "brcw" << false << 0 << 1 << true;
        QTest::newRow("cancelled twice: ended once") << "brccw" << false << 0 << 1 << true;
        QTest::newRow("begun, cancelled before its work is known")
            << "bcw" << false << 0 << 1 << true;
        QTest::newRow("a new job after a cancelled one") << "brcbrw" << false << 2 << 2 << false;
        QTest::newRow("the job is gone while its work runs") << "brdw" << false << 0 << 0 << false;
        QTest::newRow("work that finishes though cancelled: the next waits for it")
            << "bscbrw" << false << 2 << 2 << false;
        QTest::newRow("joined at the end while it runs: told to stop")
            << "brjw" << false << 2 << 1 << false;
        QTest::newRow("joined after a cancel") << "brcjw" << false << 0 << 1 << true;
    }

    void oneJobAndItsEnd()
    {
        QFETCH(QString, script);
        QFETCH(bool, secondBegin);
        QFETCH(int, steps);
        QFETCH(int, finished);
        QFETCH(bool, cancelled);
        auto job = std::make_unique<BackgroundJob>();
        Heard heard;
        const auto listen = [&] {
            connect(job.get(), &BackgroundJob::finished, job.get(), [&heard](bool wasCancelled) {
                ++heard.finished;
                heard.cancelled = wasCancelled;
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
        QCOMPARE_LE(most->load(), 1);
        QTRY_VERIFY(!BackgroundJob::workStillRunning());
    }
};

QTEST_GUILESS_MAIN(tst_BackgroundJob)
#include "tst_background_job.moc"
