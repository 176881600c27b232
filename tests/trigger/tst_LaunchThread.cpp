#include "LaunchFixture.h"
#include "common/FakeProcessLauncher.h"
#include "common/TestMain.h"

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <future>

namespace {
const QString CreateName = QStringLiteral("TThreadProcessLaunch.Create");
const QString ExecuteName = QStringLiteral("TThreadProcessLaunch.Execute");
const QString StartName = QStringLiteral("TThreadProcessLaunch.ThreadWinExecAndWait32");

QString begin(const QString& name, int depth = 0)
{
    return QString(depth, u'\t') + QStringLiteral("BEG    ") + name;
}
QString end(const QString& name, int depth = 0)
{
    return QString(depth, u'\t') + QStringLiteral("END    ") + name;
}
} // namespace

// The launch thread with a launcher that only records: its steps, its trace and its end.
class TestLaunchThread : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void launchStartsTheFileWithTheTrimmedParameter_data();
    void launchStartsTheFileWithTheTrimmedParameter();
    void traceOfALaunch();
    void missingFileOrFolderStartsNothing_data();
    void missingFileOrFolderStartsNothing();
    void failedStartAddsOneLine();
    void terminateBeforeStartSkipsTheBody();
    void launchNeverWaitsForTheUiThread();
    void severalThreadsAtOnce();
    void winExecAndWait32StartsAtOnce();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_program;
    std::unique_ptr<TraceCapture> m_trace;
    std::shared_ptr<FakeProcessLauncher> m_launcher;
};

void TestLaunchThread::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_program = m_dir->filePath(QStringLiteral("my job.sh"));
    QFile file(m_program);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    m_trace = std::make_unique<TraceCapture>();
    m_launcher = std::make_shared<FakeProcessLauncher>();
}

void TestLaunchThread::cleanup()
{
    m_trace.reset();
    m_launcher.reset();
    m_dir.reset();
}

void TestLaunchThread::launchStartsTheFileWithTheTrimmedParameter_data()
{
    QTest::addColumn<QString>("parameter");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("blanks only") << QStringLiteral("   ") << QStringList();
    QTest::newRow("two blanks around a switch")
        << QStringLiteral("  /s  ") << QStringList{QStringLiteral("/s")};
    QTest::newRow("quoted") << QStringLiteral(" \"a b\" c\t")
                            << QStringList{QStringLiteral("a b"), QStringLiteral("c")};
}

void TestLaunchThread::launchStartsTheFileWithTheTrimmedParameter()
{
    QFETCH(QString, parameter);
    QFETCH(QStringList, arguments);
    LaunchEnd ended;
    startLaunch(m_program, parameter, ended, m_launcher);
    QTRY_VERIFY(ended.ended);
    QVERIFY(ended.onUiThread);
    const auto launches = m_launcher->launches();
    QCOMPARE(launches.size(), size_t(1));
    QCOMPARE(launches.front().program, m_program);
    QCOMPARE(launches.front().arguments, arguments);
}

void TestLaunchThread::traceOfALaunch()
{
    LaunchEnd ended;
    startLaunch(m_program, QStringLiteral("-x"), ended, m_launcher);
    QTRY_VERIFY(ended.ended);
    QTRY_COMPARE(m_trace->lines().size(), 6);
    const QStringList expected{begin(CreateName),   end(CreateName),   begin(ExecuteName),
                               begin(StartName, 1), end(StartName, 1), end(ExecuteName)};
    QCOMPARE(m_trace->lines(), expected);
}

void TestLaunchThread::missingFileOrFolderStartsNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file") << QStringLiteral("gone.sh") << QStringLiteral("not found");
    QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("not executable");
}

void TestLaunchThread::missingFileOrFolderStartsNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
    const QString path = m_dir->filePath(name);
    LaunchEnd ended;
    startLaunch(path, QStringLiteral(" -q "), ended, m_launcher);
    QTRY_VERIFY(ended.ended);
    QVERIFY(m_launcher->launches().empty());
    // The execution block holds no block, only the plain failure line.
    QTRY_COMPARE(m_trace->lines().size(), 5);
    QCOMPARE(m_trace->lines().at(2), begin(ExecuteName));
    const QString line = m_trace->lines().at(3);
    QVERIFY2(line.startsWith(QStringLiteral("Cannot start \"") + path + u'"'), qPrintable(line));
    QVERIFY2(line.contains(reason), qPrintable(line));
    QVERIFY2(line.endsWith(path + QStringLiteral(" -q")), qPrintable(line));
    QCOMPARE(m_trace->lines().at(4), end(ExecuteName));
}

void TestLaunchThread::failedStartAddsOneLine()
{
    m_launcher->setOutcome(LaunchOutcome::fromError(ENOEXEC));
    LaunchEnd ended;
    startLaunch(m_program, QString(), ended, m_launcher);
    QTRY_VERIFY(ended.ended);
    QCOMPARE(m_launcher->launches().size(), size_t(1)); // not retried
    QTRY_COMPARE(m_trace->lines().size(), 7);
    QCOMPARE(m_trace->lines().at(3), begin(StartName, 1));
    const QString line = m_trace->lines().at(4);
    QVERIFY2(line.startsWith(QStringLiteral("Cannot start \"") + m_program + u'"'), qPrintable(line));
    QVERIFY2(line.contains(QStringLiteral("not executable")), qPrintable(line));
    QCOMPARE(m_trace->lines().at(5), end(StartName, 1));
}

void TestLaunchThread::terminateBeforeStartSkipsTheBody()
{
    LaunchEnd ended;
    auto* thread = new TThreadProcessLaunch(m_program, QString(), m_launcher);
    thread->setOnTerminate([&ended](Thread&) {
        ended.onUiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        ended.ended = true;
    });
    thread->terminate();
    thread->start();
    QTRY_VERIFY(ended.ended);
    QVERIFY(ended.onUiThread);
    QVERIFY(m_launcher->launches().empty());
    QCOMPARE(m_trace->lines(), (QStringList{begin(CreateName), end(CreateName)}));
}

void TestLaunchThread::launchNeverWaitsForTheUiThread()
{
    // The user-interface thread is blocked until the launcher has been called; a launch path that
    // needed that thread (for its trace or its end) would never get there.
    struct Signalling final : ProcessLauncher
    {
        std::promise<void> called;
        LaunchOutcome start(const QString&, const QStringList&) override
        {
            called.set_value();
            return LaunchOutcome{LaunchOutcome::Status::Started, 0, {}};
        }
    };
    auto launcher = std::make_shared<Signalling>();
    std::future<void> called = launcher->called.get_future();
    LaunchEnd ended;
    startLaunch(m_program, QString(), ended, launcher);
    QCOMPARE(called.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    QTRY_VERIFY(ended.ended);
    QTRY_COMPARE(m_trace->lines().size(), 6);
}

void TestLaunchThread::severalThreadsAtOnce()
{
    constexpr int Count = 16;
    std::vector<std::unique_ptr<LaunchEnd>> ends;
    for (int i = 0; i < Count; ++i) {
        ends.push_back(std::make_unique<LaunchEnd>());
        startLaunch(m_program, QString::number(i), *ends.back(), m_launcher);
    }
    for (const auto& e : ends)
        QTRY_VERIFY(e->ended);
    auto launches = m_launcher->launches();
    QCOMPARE(launches.size(), size_t(Count));
    QStringList seen;
    for (const auto& launch : launches)
        seen += launch.arguments;
    seen.sort();
    QStringList expected;
    for (int i = 0; i < Count; ++i)
        expected.append(QString::number(i));
    expected.sort();
    QCOMPARE(seen, expected);
    // Blocks of different threads interleave, but every block is closed.
    QTRY_COMPARE(m_trace->lines().size(), Count * 6);
    QCOMPARE(m_trace->linesContaining(QStringLiteral("BEG    ")).size(), Count * 3);
    QCOMPARE(DataModule_Debug->Depth(), 0);
}

void TestLaunchThread::winExecAndWait32StartsAtOnce()
{
    // The caller checked the file and trimmed the parameter; the parameter goes on as given.
    QCOMPARE(WinExecAndWait32(m_program, QStringLiteral("a \"b c\""), 1, *m_launcher), 0);
    const auto launches = m_launcher->launches();
    QCOMPARE(launches.size(), size_t(1));
    QCOMPARE(launches.front().program, m_program);
    QCOMPARE(launches.front().arguments, (QStringList{QStringLiteral("a"), QStringLiteral("b c")}));
    QCOMPARE(m_trace->lines(), (QStringList{begin(QStringLiteral("WinExecAndWait32")),
                                            end(QStringLiteral("WinExecAndWait32"))}));

    m_launcher->setOutcome(LaunchOutcome::fromError(EACCES));
    QCOMPARE(WinExecAndWait32(m_program, QString(), 1, *m_launcher), 0);
    QCOMPARE(m_trace->linesContaining(QStringLiteral("Cannot start")).size(), 1);
}

HOURGLEN_TEST_MAIN(TestLaunchThread)
#include "tst_LaunchThread.moc"
