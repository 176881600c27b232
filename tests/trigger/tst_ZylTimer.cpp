#include "common/TestMain.h"

#include "platform/TimerResolution.h"
#include "toolkit/base/Exception.h"
#include "trigger/ZylTimer.h"

#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>

Q_DECLARE_METATYPE(TSleepPlan)

namespace {

// What the handler saw, shared with the worker threads.
struct Ticks
{
    std::atomic<int> count{0};
    std::atomic<int> offUiThread{0};
    std::mutex lock;
    std::vector<int> nice;   // the worker's nice value at each tick
    std::vector<int> policy; // the worker's scheduling policy at each tick
    std::vector<TZylTimer*> senders;

    TNotifyEvent handler()
    {
        return [this](TZylTimer* sender) {
            {
                const std::lock_guard guard(lock);
                nice.push_back(getpriority(PRIO_PROCESS, 0));
                policy.push_back(sched_getscheduler(0));
                senders.push_back(sender);
            }
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                ++offUiThread;
            ++count;
        };
    }

    int lastNice()
    {
        const std::lock_guard guard(lock);
        return nice.empty() ? 0 : nice.back();
    }
    int lastPolicy()
    {
        const std::lock_guard guard(lock);
        return policy.empty() ? -1 : policy.back();
    }
};

// A timer stopped before its first tick, ready to be configured and enabled; its first worker has
// ended and been freed. Null when that worker does not go.
std::unique_ptr<TZylTimer> stoppedTimer(Ticks& ticks, double interval)
{
    auto timer = std::make_unique<TZylTimer>();
    timer->SetEnabled(false);
    timer->SetInterval(interval);
    timer->SetOnTimer(ticks.handler());
    if (!QTest::qWaitFor([&timer] { return timer->WorkerCount() == 0; }))
        return nullptr;
    return timer;
}

} // namespace

class TestZylTimer : public QObject
{
    Q_OBJECT

private slots:
    void sleepPlan_data();
    void sleepPlan();
    void sleepPlanFullSleepsAtTheirLimit();
    void constructionValues();
    void notCycledTicksOncePerEnabling();
    void repeatCountGivesThreeTicksPerEnabling();
    void equalEnabledWriteChangesNothing();
    void intervalChangeTakesEffectFromTheNextCycle();
    void disabledDuringSleepGivesNoFurtherTick();
    void falseThenTrueStartsAFreshSeries();
    void destroyDuringSleepGivesNoTick();
    void destroyWhileTickingStopsTheTicks();
    void synchronizedChoosesTheHandlerThread_data();
    void synchronizedChoosesTheHandlerThread();
    void handlerExceptionEndsTheWorker_data();
    void handlerExceptionEndsTheWorker();
    void priorityAppliesAtStartAndAtOnce();
    void timerResolutionNarrowsAWideSlack();
};

void TestZylTimer::sleepPlan_data()
{
    QTest::addColumn<double>("interval");
    QTest::addColumn<TSleepPlan>("expected");

    QTest::newRow("0.3") << 0.3 << TSleepPlan{false, 0, 300};
    QTest::newRow("3000000") << 3000000.0 << TSleepPlan{false, 1, 852516353};
    QTest::newRow("0.0625 half to even") << 0.0625 << TSleepPlan{false, 0, 62};
    QTest::newRow("0.0015 half to even") << 0.0015 << TSleepPlan{false, 0, 2};
    QTest::newRow("0.0025 half to even") << 0.0025 << TSleepPlan{false, 0, 2};
    QTest::newRow("0.0005 below a millisecond") << 0.0005 << TSleepPlan{false, 0, 0};
    QTest::newRow("0") << 0.0 << TSleepPlan{false, 0, 0};
    QTest::newRow("negative") << -5.0 << TSleepPlan{false, 0, 0};
    QTest::newRow("1 second") << 1.0 << TSleepPlan{false, 0, 1000};
    QTest::newRow("exactly the limit") << SleepLimitSeconds << TSleepPlan{false, 0, FullSleepMilliseconds};
    QTest::newRow("twice the limit, rest below a millisecond")
        << 2 * SleepLimitSeconds + 0.0004 << TSleepPlan{false, 2, 0};
    QTest::newRow("k does not fit") << 1e16 << TSleepPlan{true, 0, 0};
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << TSleepPlan{true, 0, 0};
}

void TestZylTimer::sleepPlan()
{
    QFETCH(double, interval);
    QFETCH(TSleepPlan, expected);
    const TSleepPlan plan = SleepPlan(interval);
    QCOMPARE(plan.RangeError, expected.RangeError);
    QCOMPARE(plan.FullSleeps, expected.FullSleeps);
    QCOMPARE(plan.RestMilliseconds, expected.RestMilliseconds);
}

void TestZylTimer::sleepPlanFullSleepsAtTheirLimit()
{
    // The largest count of full sleeps that fits in 32 bits unsigned still plans; one more does not.
    const TSleepPlan fits = SleepPlan(4294967295.5 * SleepLimitSeconds);
    QVERIFY(!fits.RangeError);
    QCOMPARE(fits.FullSleeps, 4294967295u);
    QVERIFY(SleepPlan(4294967296.5 * SleepLimitSeconds).RangeError);
}

void TestZylTimer::constructionValues()
{
    TZylTimer timer;
    QCOMPARE(timer.Enabled(), true);
    QCOMPARE(timer.Interval(), 1.0);
    QCOMPARE(timer.Cycled(), true);
    QCOMPARE(timer.RepeatCount(), 0u);
    QVERIFY(!timer.OnTimer());
    QCOMPARE(timer.Priority(), tpNormal);
    QCOMPARE(timer.Synchronized(), false);
    QCOMPARE(timer.TickCounter(), 0u);
    // Applying Enabled at construction starts a worker at once.
    QVERIFY(timer.Running());
    QCOMPARE(timer.WorkerCount(), 1);

    timer.SetEnabled(false);
    QVERIFY(!timer.Running());
    QTRY_COMPARE(timer.WorkerCount(), 0);
}

void TestZylTimer::notCycledTicksOncePerEnabling()
{
    Ticks ticks;
    auto timer = stoppedTimer(ticks, 0.005);
    QVERIFY(timer);
    timer->SetCycled(false);
    timer->SetEnabled(true);
    QTRY_COMPARE(ticks.count.load(), 1);
    QTRY_COMPARE(timer->WorkerCount(), 0);
    QCOMPARE(ticks.count.load(), 1);
    QCOMPARE(timer->Enabled(), true);
    QCOMPARE(timer->TickCounter(), 1u);
    QVERIFY(!timer->Running());

    // Writing true again changes nothing: the worker has ended and no new one comes.
    timer->SetEnabled(true);
    QCOMPARE(timer->WorkerCount(), 0);
    QCOMPARE(timer->TickCounter(), 1u);

    timer->SetEnabled(false);
    timer->SetEnabled(true);
    QTRY_COMPARE(ticks.count.load(), 2);
    QTRY_COMPARE(timer->WorkerCount(), 0);
    QCOMPARE(ticks.count.load(), 2);
}

void TestZylTimer::repeatCountGivesThreeTicksPerEnabling()
{
    Ticks ticks;
    auto timer = stoppedTimer(ticks, 0.002);
    QVERIFY(timer);
    timer->SetRepeatCount(3);
    timer->SetEnabled(true);
    QTRY_COMPARE(timer->WorkerCount(), 0);
    QCOMPARE(ticks.count.load(), 3);
    QCOMPARE(timer->TickCounter(), 3u);
    QCOMPARE(timer->Enabled(), true);

    timer->SetEnabled(false);
    QCOMPARE(timer->TickCounter(), 0u);
    timer->SetEnabled(true);
    QTRY_COMPARE(timer->WorkerCount(), 0);
    QCOMPARE(ticks.count.load(), 6);
    QCOMPARE(timer->TickCounter(), 3u);
}

void TestZylTimer::equalEnabledWriteChangesNothing()
{
    Ticks ticks;
    auto timer = stoppedTimer(ticks, 0.05);
    QVERIFY(timer);
    timer->SetEnabled(true);
    QTRY_VERIFY(timer->TickCounter() >= 2);
    const quint32 before = timer->TickCounter();
    timer->SetEnabled(true);
    // A restart would have reset the counter, and the fresh worker's first tick is 50 ms away.
    QVERIFY(timer->TickCounter() >= before);
    QCOMPARE(timer->WorkerCount(), 1);
    timer->SetEnabled(false);
    QCOMPARE(timer->TickCounter(), 0u);
    QTRY_COMPARE(timer->WorkerCount(), 0);
}

void TestZylTimer::intervalChangeTakesEffectFromTheNextCycle()
{
    Ticks ticks;
    auto timer = stoppedTimer(ticks, 0.002);
    QVERIFY(timer);
    timer->SetEnabled(true);
    QTRY_VERIFY(ticks.count.load() >= 3);
    // From the next cycle on the worker sleeps for years; the cycle already asleep may still tick.
    timer->SetInterval(1e9);
    QTRY_VERIFY(!timer->TickRunning());
    const int before = ticks.count.load();
    QTRY_COMPARE(timer->TickCounter(), quint32(ticks.count.load()));
    QCOMPARE(timer->WorkerCount(), 1);
    QVERIFY(timer->Running());

    timer->SetEnabled(false);
    QTRY_COMPARE(timer->WorkerCount(), 0);
    QVERIFY(ticks.count.load() <= before + 1);
}

void TestZylTimer::disabledDuringSleepGivesNoFurtherTick()
{
    Ticks ticks;
    auto timer = stoppedTimer(ticks, 3600);
    QVERIFY(timer);
    timer->SetEnabled(true);
    QTRY_VERIFY(timer->Running());
    timer->SetEnabled(false);
    // The sleeping worker is told to stop, wakes and ends without ticking.
    QTRY_COMPARE(timer->WorkerCount(), 0);
    QCOMPARE(ticks.count.load(), 0);
}

void TestZylTimer::falseThenTrueStartsAFreshSeries()
{
    Ticks ticks;
    auto timer = stoppedTimer(ticks, 0.1);
    QVERIFY(timer);
    timer->SetRepeatCount(1);
    timer->SetEnabled(true);
    timer->SetEnabled(false);
    timer->SetEnabled(true);
    QCOMPARE(timer->TickCounter(), 0u);
    // Only the second worker ticks, once; the first one never does.
    QTRY_COMPARE(timer->WorkerCount(), 0);
    QCOMPARE(ticks.count.load(), 1);
    QCOMPARE(timer->TickCounter(), 1u);
}

void TestZylTimer::destroyDuringSleepGivesNoTick()
{
    Ticks ticks;
    auto timer = stoppedTimer(ticks, 3600);
    QVERIFY(timer);
    timer->SetEnabled(true);
    QTRY_VERIFY(timer->Running());
    const std::shared_ptr<const TZylTimerShared> shared = timer->Shared();
    timer.reset();
    QTRY_COMPARE(TZylTimer::WorkerCount(*shared), 0);
    QCOMPARE(ticks.count.load(), 0);
}

void TestZylTimer::destroyWhileTickingStopsTheTicks()
{
    Ticks ticks;
    auto timer = stoppedTimer(ticks, 0.001);
    QVERIFY(timer);
    timer->SetEnabled(true);
    QTRY_VERIFY(ticks.count.load() >= 5);
    const std::shared_ptr<const TZylTimerShared> shared = timer->Shared();
    timer.reset();
    // A handler already running may finish; none starts after the destruction.
    QTRY_VERIFY(!TZylTimer::TickRunning(*shared));
    const int after = ticks.count.load();
    QTRY_COMPARE(TZylTimer::WorkerCount(*shared), 0);
    QCOMPARE(ticks.count.load(), after);
}

void TestZylTimer::synchronizedChoosesTheHandlerThread_data()
{
    QTest::addColumn<bool>("synchronized");
    QTest::newRow("direct") << false;
    QTest::newRow("synchronized") << true;
}

void TestZylTimer::synchronizedChoosesTheHandlerThread()
{
    QFETCH(bool, synchronized);
    Ticks ticks;
    auto timer = stoppedTimer(ticks, 0.002);
    QVERIFY(timer);
    timer->SetSynchronized(synchronized);
    timer->SetRepeatCount(2);
    timer->SetEnabled(true);
    QTRY_COMPARE(timer->WorkerCount(), 0);
    QCOMPARE(ticks.count.load(), 2);
    QCOMPARE(ticks.offUiThread.load(), synchronized ? 0 : 2);
    const std::lock_guard guard(ticks.lock);
    for (TZylTimer* sender : ticks.senders)
        QCOMPARE(sender, timer.get());
}

void TestZylTimer::handlerExceptionEndsTheWorker_data()
{
    synchronizedChoosesTheHandlerThread_data();
}

void TestZylTimer::handlerExceptionEndsTheWorker()
{
    QFETCH(bool, synchronized);
    std::atomic<int> calls{0};
    auto timer = std::make_unique<TZylTimer>();
    timer->SetEnabled(false);
    timer->SetInterval(0.002);
    timer->SetSynchronized(synchronized);
    timer->SetOnTimer([&calls](TZylTimer*) {
        ++calls;
        throw Exception(QStringLiteral("tick failed"));
    });
    timer->SetEnabled(true);
    QTRY_COMPARE(timer->WorkerCount(), 0);
    QCOMPARE(calls.load(), 1);
    QCOMPARE(timer->Enabled(), true);
    QVERIFY(!timer->Running());

    // As after ending by itself: false then true starts a new worker.
    timer->SetEnabled(false);
    timer->SetEnabled(true);
    QTRY_COMPARE(calls.load(), 2);
    QTRY_COMPARE(timer->WorkerCount(), 0);
}

void TestZylTimer::priorityAppliesAtStartAndAtOnce()
{
    if (getpriority(PRIO_PROCESS, 0) != 0 || sched_getscheduler(0) != SCHED_OTHER)
        QSKIP("the test runs at a non-default priority");
    Ticks ticks;
    auto timer = stoppedTimer(ticks, 0.002);
    QVERIFY(timer);
    timer->SetPriority(tpLower);
    timer->SetEnabled(true);
    QTRY_VERIFY(ticks.count.load() >= 1);
    {
        const std::lock_guard guard(ticks.lock);
        QCOMPARE(ticks.nice.front(), 5);
    }
    timer->SetPriority(tpLowest);
    QTRY_COMPARE(ticks.lastNice(), 10);
    timer->SetPriority(tpIdle);
    QTRY_COMPARE(ticks.lastPolicy(), SCHED_IDLE);
    QCOMPARE(timer->Priority(), tpIdle);
    timer->SetEnabled(false);
    QTRY_COMPARE(timer->WorkerCount(), 0);
    // Only the worker was changed.
    QCOMPARE(getpriority(PRIO_PROCESS, 0), 0);
}

void TestZylTimer::timerResolutionNarrowsAWideSlack()
{
    const long original = TimerResolutionRequest::currentSlackNanoseconds();
    QVERIFY(original > 0);
    QCOMPARE(prctl(PR_SET_TIMERSLACK, 5000000L, 0, 0, 0), 0);
    {
        const TimerResolutionRequest request;
        QCOMPARE(TimerResolutionRequest::currentSlackNanoseconds(), 1000000L);
    }
    QCOMPARE(TimerResolutionRequest::currentSlackNanoseconds(), 5000000L);
    QCOMPARE(prctl(PR_SET_TIMERSLACK, original, 0, 0, 0), 0);
    {
        // A slack already finer than a millisecond is left alone.
        const TimerResolutionRequest request;
        QCOMPARE(TimerResolutionRequest::currentSlackNanoseconds(), original);
    }
}

HOURGLEN_TEST_MAIN_CORE(TestZylTimer)
#include "tst_ZylTimer.moc"
