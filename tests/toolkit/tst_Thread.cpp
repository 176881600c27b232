#include "common/TestMain.h"
#include "toolkit/base/Exception.h"
#include "toolkit/base/Thread.h"
#include "toolkit/base/UiThread.h"

#include <QDeadlineTimer>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Waits, without processing events, until the thread's body has ended; false once the deadline
// has passed (a body that never ends fails the test instead of hanging it).
bool finishedWithin(const Thread& thread, std::chrono::milliseconds limit = std::chrono::seconds(60))
{
    const QDeadlineTimer deadline(limit);
    while (!thread.finished()) {
        if (deadline.hasExpired())
            return false;
        std::this_thread::yield();
    }
    return true;
}

bool onUiThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// What one thread did, kept outside it since a thread may free itself.
struct Log
{
    std::atomic<int> bodyRuns{0};
    std::atomic<int> ends{0};
    std::atomic<bool> endOnUiThread{false};
    std::atomic<bool> endSawFinished{false};
    std::atomic<bool> destroyed{false};
};

class TestThreadBody final : public Thread
{
public:
    TestThreadBody(Log& log, std::function<void()> body = {})
        : Thread("TestThread"), m_log(log), m_body(std::move(body))
    {
        setOnTerminate([&log](Thread& thread) {
            log.endOnUiThread = onUiThread();
            log.endSawFinished = thread.finished();
            ++log.ends;
        });
    }
    ~TestThreadBody() override { m_log.destroyed = true; }

protected:
    void execute() override
    {
        ++m_log.bodyRuns;
        if (m_body)
            m_body();
    }

private:
    Log& m_log;
    std::function<void()> m_body;
};

} // namespace

class TestThread : public QObject
{
    Q_OBJECT

private slots:
    void createdSuspended();
    void terminateBeforeStartSkipsTheBody();
    void freeOnTerminateFreesAfterTheEndNotification();
    void freeOnTerminateStartedFromAnotherThread();
    void ownerDestroysAnEndedThread();
    void bodyExceptionIsKept();
    void runBlockingFromAWorkerWaitsForTheUiThread();
    void runBlockingOnTheUiThreadRunsAtOnce();
    void runBlockingHandsTheExceptionBack();
    void postReturnsAtOnceAndRunsOnTheUiThread();
};

void TestThread::createdSuspended()
{
    Log log;
    auto thread = std::make_unique<TestThreadBody>(log);
    QVERIFY(!thread->started());
    QCoreApplication::processEvents();
    QCOMPARE(log.bodyRuns.load(), 0);
    thread->start();
    QVERIFY(thread->started());
    QTRY_COMPARE(log.ends.load(), 1);
    QCOMPARE(log.bodyRuns.load(), 1);
    QVERIFY(log.endOnUiThread);
    QVERIFY(log.endSawFinished);
}

void TestThread::terminateBeforeStartSkipsTheBody()
{
    Log log;
    auto thread = std::make_unique<TestThreadBody>(log);
    thread->terminate();
    thread->start();
    QTRY_COMPARE(log.ends.load(), 1);
    QCOMPARE(log.bodyRuns.load(), 0);
    QVERIFY(log.endOnUiThread);
    QVERIFY(thread->terminated());
}

void TestThread::freeOnTerminateFreesAfterTheEndNotification()
{
    Log log;
    auto* thread = new TestThreadBody(log);
    thread->setFreeOnTerminate(true);
    thread->start();
    QTRY_VERIFY(log.destroyed);
    QCOMPARE(log.ends.load(), 1);
    QCOMPARE(log.bodyRuns.load(), 1);

    Log skipped;
    auto* early = new TestThreadBody(skipped);
    early->setFreeOnTerminate(true);
    early->terminate();
    early->start();
    QTRY_VERIFY(skipped.destroyed);
    QCOMPARE(skipped.ends.load(), 1);
    QCOMPARE(skipped.bodyRuns.load(), 0);
}

void TestThread::freeOnTerminateStartedFromAnotherThread()
{
    // As the interval timer's tick starts launch threads: the start and the free on the user-interface
    // thread must not overlap.
    constexpr int Count = 40;
    std::vector<std::unique_ptr<Log>> logs;
    for (int i = 0; i < Count; ++i)
        logs.push_back(std::make_unique<Log>());
    std::thread starter([&logs] {
        for (auto& log : logs) {
            auto* thread = new TestThreadBody(*log);
            thread->setFreeOnTerminate(true);
            thread->start();
        }
    });
    starter.join();
    for (auto& log : logs) {
        QTRY_VERIFY(log->destroyed);
        QCOMPARE(log->ends.load(), 1);
    }
}

void TestThread::ownerDestroysAnEndedThread()
{
    Log log;
    auto thread = std::make_unique<TestThreadBody>(log);
    thread->start();
    QVERIFY(finishedWithin(*thread));
    // The destructor waits for the body's thread; the end notification still queued is dropped.
    thread.reset();
    QVERIFY(log.destroyed);
    QCoreApplication::processEvents();
    QCOMPARE(log.ends.load(), 0);
    QCOMPARE(log.bodyRuns.load(), 1);
}

void TestThread::bodyExceptionIsKept()
{
    Log log;
    auto thread =
        std::make_unique<TestThreadBody>(log, [] { throw Exception(QStringLiteral("body failed")); });
    thread->start();
    QTRY_COMPARE(log.ends.load(), 1);
    QVERIFY(thread->fatalException());
    try {
        std::rethrow_exception(thread->fatalException());
    } catch (const Exception& error) {
        QCOMPARE(error.message(), QStringLiteral("body failed"));
    }
}

void TestThread::runBlockingFromAWorkerWaitsForTheUiThread()
{
    std::atomic<bool> ranOnUi{false};
    std::atomic<bool> doneWhenReturned{false};
    std::atomic<bool> workerSawUiThread{true};
    Log log;
    auto thread = std::make_unique<TestThreadBody>(log, [&] {
        workerSawUiThread = UiThread::isCurrent();
        bool done = false;
        UiThread::runBlocking([&] {
            ranOnUi = onUiThread();
            done = true;
        });
        doneWhenReturned = done;
    });
    thread->start();
    QTRY_COMPARE(log.ends.load(), 1);
    QVERIFY(!workerSawUiThread);
    QVERIFY(ranOnUi);
    QVERIFY(doneWhenReturned);
}

void TestThread::runBlockingOnTheUiThreadRunsAtOnce()
{
    QVERIFY(UiThread::isCurrent());
    bool ran = false;
    UiThread::runBlocking([&ran] { ran = true; });
    QVERIFY(ran);
}

void TestThread::runBlockingHandsTheExceptionBack()
{
    std::atomic<bool> caught{false};
    Log log;
    auto thread = std::make_unique<TestThreadBody>(log, [&caught] {
        try {
            UiThread::runBlocking([] { throw Exception(QStringLiteral("handed back")); });
        } catch (const Exception& error) {
            caught = error.message() == QLatin1String("handed back");
        }
    });
    thread->start();
    QTRY_COMPARE(log.ends.load(), 1);
    QVERIFY(caught);
    QVERIFY(!thread->fatalException());

    // On the user-interface thread the exception comes straight through.
    QVERIFY_THROWS_EXCEPTION(Exception,
                             UiThread::runBlocking([] { throw Exception(QStringLiteral("direct")); }));
}

void TestThread::postReturnsAtOnceAndRunsOnTheUiThread()
{
    std::atomic<bool> ranOnUi{false};
    std::atomic<bool> ran{false};
    Log log;
    auto thread = std::make_unique<TestThreadBody>(log, [&] {
        UiThread::post([&] {
            ranOnUi = onUiThread();
            ran = true;
        });
    });
    thread->start();
    // This thread processes no events meanwhile, so the body can only end if post did not wait.
    QVERIFY(finishedWithin(*thread));
    QVERIFY(!ran);
    QTRY_VERIFY(ran);
    QVERIFY(ranOnUi);
    QTRY_COMPARE(log.ends.load(), 1);
}

HOURGLEN_TEST_MAIN_CORE(TestThread)
#include "tst_Thread.moc"
