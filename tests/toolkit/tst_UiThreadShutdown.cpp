// Calls into the user-interface thread while the application object ends: a self-freeing thread
// whose end comes after the message loop is still freed, and no call reaches an application object
// that is being destroyed. Each case makes and destroys its own application object.

#include "common/TestMain.h"
#include "toolkit/base/Thread.h"
#include "toolkit/base/UiThread.h"

#include <QTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <latch>
#include <memory>
#include <thread>

namespace {

// Waits for cond without an event loop, at most ten seconds.
template <typename Cond> bool waitFor(Cond cond)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

struct Log
{
    std::atomic<int> ends{0};
    std::atomic<bool> bodyDone{false};
    std::atomic<bool> destroyed{false};
};

class HeldThread final : public Thread
{
public:
    HeldThread(Log& log, std::latch& release) : Thread("HeldThread"), m_log(log), m_release(release)
    {
        setFreeOnTerminate(true);
        setOnTerminate([&log](Thread&) { ++log.ends; });
    }
    ~HeldThread() override { m_log.destroyed = true; }

protected:
    void execute() override
    {
        m_release.wait();
        m_log.bodyDone = true;
    }

private:
    Log& m_log;
    std::latch& m_release;
};

int g_argc = 1;
char g_name[] = "tst_uithreadshutdown";
char* g_argv[] = {g_name, nullptr};

} // namespace

class TestUiThreadShutdown : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QCOMPARE(QCoreApplication::instance(), nullptr); }

    // The message loop has returned and no event is processed any more; the thread ends, and the
    // application object goes with its end notification still queued or not yet posted. Either
    // way the thread is freed and its notification, which could only reach a dead owner, is dropped.
    void selfFreeingThreadEndingAfterTheLoop()
    {
        Log log;
        std::latch release(1);
        {
            auto app = std::make_unique<QCoreApplication>(g_argc, g_argv);
            QVERIFY(UiThread::available());
            (new HeldThread(log, release))->start();
            QTimer::singleShot(0, app.get(), &QCoreApplication::quit);
            QCOMPARE(QCoreApplication::exec(), 0);
            release.count_down();
            QVERIFY(waitFor([&] { return log.bodyDone.load(); }));
        }
        QVERIFY(!UiThread::available());
        QVERIFY(waitFor([&] { return log.destroyed.load(); }));
        QCOMPARE(log.ends.load(), 0);
        QVERIFY(waitFor([] { return Thread::liveCount() == 0; }));
    }

    // Before the application object goes, its end notification runs on the user-interface thread.
    void endNotificationBeforeTheApplicationGoes()
    {
        Log log;
        std::latch release(1);
        auto app = std::make_unique<QCoreApplication>(g_argc, g_argv);
        (new HeldThread(log, release))->start();
        release.count_down();
        QTRY_VERIFY(log.destroyed.load());
        QCOMPARE(log.ends.load(), 1);
    }

    // A worker posts without pause while the application object is destroyed: every call either
    // runs or is dropped, exactly once, and none reaches a dead object (the sanitizers watch).
    void postsWhileTheApplicationIsDestroyed()
    {
        std::atomic<int> posted{0};
        std::atomic<int> ran{0};
        std::atomic<int> dropped{0};
        std::atomic<bool> stop{false};
        auto app = std::make_unique<QCoreApplication>(g_argc, g_argv);
        std::thread worker([&] {
            while (!stop.load()) {
                ++posted;
                UiThread::post([&ran] { ++ran; }, [&dropped] { ++dropped; });
            }
        });
        QTRY_VERIFY(ran.load() > 100);
        app.reset();
        const int atDestruction = posted.load();
        QVERIFY(waitFor([&] { return posted.load() > atDestruction + 100; }));
        stop = true;
        worker.join();
        QCOMPARE(ran.load() + dropped.load(), posted.load());
        QVERIFY(dropped.load() > 0);
    }

    // A worker waits in a synchronous call while the application object is destroyed without
    // running it: the worker is let go, and a call reports whether it ran.
    void runBlockingWhileTheApplicationIsDestroyed()
    {
        std::atomic<int> calls{0};
        std::atomic<int> mismatches{0};
        std::atomic<bool> stop{false};
        auto app = std::make_unique<QCoreApplication>(g_argc, g_argv);
        std::thread worker([&] {
            while (!stop.load()) {
                bool fnRan = false;
                const bool reported = UiThread::runBlocking([&fnRan] { fnRan = true; });
                if (reported != fnRan)
                    ++mismatches;
                ++calls;
            }
        });
        QTRY_VERIFY(calls.load() > 10);
        // No event is processed from here on: the worker's next call waits until the application
        // object goes.
        app.reset();
        const int atDestruction = calls.load();
        QVERIFY(waitFor([&] { return calls.load() > atDestruction + 10; }));
        stop = true;
        worker.join();
        QCOMPARE(mismatches.load(), 0);
    }

    // A later application object takes calls again.
    void aSecondApplicationObjectTakesCalls()
    {
        for (int round = 0; round < 2; ++round) {
            auto app = std::make_unique<QCoreApplication>(g_argc, g_argv);
            std::atomic<bool> onUi{false};
            std::thread worker([&] {
                UiThread::post(
                    [&onUi] { onUi = QThread::currentThread() == QCoreApplication::instance()->thread(); });
            });
            worker.join();
            QTRY_VERIFY(onUi.load());
            QVERIFY(UiThread::isCurrent());
        }
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir& home = TestEnvironment::makeHome();
    if (!home.isValid())
        return 2;
    TestUiThreadShutdown tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_UiThreadShutdown.moc"
