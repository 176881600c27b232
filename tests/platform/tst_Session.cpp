// The program's place in the session: the instance lock, the hand-over channel and the signals
// that ask the program to end.

#include "common/TestMain.h"
#include "platform/session/InstanceChannel.h"
#include "platform/session/InstanceLock.h"
#include "platform/session/TerminationSignals.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <thread>

namespace {

void dummyHandler(int) {}

// Whether the process pid has path open.
bool hasOpen(qint64 pid, const QString& path)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    const QStringList entries = fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (QFileInfo(fds.filePath(entry)).symLinkTarget() == path)
            return true;
    }
    return false;
}

// Asks the channel at socket to activate its window, as a second start does. The request waits for
// the answer, which this thread's event loop gives, so it is made from a worker.
void requestFromWorker(const QString& socket, QSignalSpy& asked)
{
    bool answered = false;
    std::thread client([&] { answered = InstanceChannel::requestActivation(socket, 20000); });
    QTRY_COMPARE(asked.count(), 1);
    client.join();
    QVERIFY(answered);
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void oneHolderAtATime()
    {
        const QString file = path(QStringLiteral("a.lock"));
        {
            InstanceLock first(file);
            QCOMPARE(first.tryLock(), InstanceLock::Result::Acquired);
            QVERIFY(first.held());
            InstanceLock second(file);
            QCOMPARE(second.tryLock(), InstanceLock::Result::Busy);
            QVERIFY(!second.held());
            QFile content(file);
            QVERIFY(content.open(QIODevice::ReadOnly));
            QCOMPARE(content.readAll(), QByteArray::number(QCoreApplication::applicationPid()) + '\n');
        }
        // Let go and taken away.
        QVERIFY(!QFileInfo::exists(file));
        InstanceLock third(file);
        QCOMPARE(third.tryLock(), InstanceLock::Result::Acquired);
    }

    // Another process holds it (the system's flock tool, which runs a shell under the lock); once
    // those processes are killed, the lock file they leave blocks nobody.
    void lockOfAKilledProcessDoesNotBlock()
    {
        const QString file = path(QStringLiteral("b.lock"));
        QProcess holder;
        holder.start(QStringLiteral("flock"),
                     {QStringLiteral("-n"), file, QStringLiteral("sh"), QStringLiteral("-c"),
                      QStringLiteral("echo $$; exec sleep 60")});
        if (!holder.waitForStarted(10000))
            QSKIP("the flock tool is not installed");
        QTRY_VERIFY(holder.canReadLine());
        const qint64 shell = holder.readLine().trimmed().toLongLong();
        QVERIFY(shell > 0);
        InstanceLock lock(file);
        QCOMPARE(lock.tryLock(), InstanceLock::Result::Busy);
        ::kill(static_cast<pid_t>(shell), SIGKILL);
        holder.kill();
        QVERIFY(holder.waitForFinished(10000));
        QVERIFY(QFileInfo::exists(file));
        QTRY_COMPARE(lock.tryLock(), InstanceLock::Result::Acquired);
    }

    // Programs started while the lock is held do not inherit it, so they cannot keep it after the
    // program has ended.
    void startedProgramsDoNotInheritTheLock()
    {
        const QString file = path(QStringLiteral("c.lock"));
        InstanceLock lock(file);
        QCOMPARE(lock.tryLock(), InstanceLock::Result::Acquired);
        QVERIFY(hasOpen(QCoreApplication::applicationPid(), file));
        QProcess child;
        child.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(child.waitForStarted(10000));
        QTRY_VERIFY(QFileInfo(QStringLiteral("/proc/%1/exe").arg(child.processId()))
                        .symLinkTarget()
                        .endsWith(QLatin1String("sleep")));
        QVERIFY(!hasOpen(child.processId(), file));
        child.kill();
        child.waitForFinished(10000);
    }

    void lockInAMissingFolderFails()
    {
        InstanceLock lock(path(QStringLiteral("missing/d.lock")));
        QCOMPARE(lock.tryLock(), InstanceLock::Result::Failed);
        QCOMPARE(lock.error(), QStringLiteral("No such file or directory"));
    }

    void namesAndFolders()
    {
        QCOMPARE(InstanceLock::nameFor(QStringLiteral("/a/")), InstanceLock::nameFor(QStringLiteral("/a/")));
        QVERIFY(InstanceLock::nameFor(QStringLiteral("/a/")) != InstanceLock::nameFor(QStringLiteral("/b/")));
        QCOMPARE(InstanceLock::nameFor(QStringLiteral("/a/")).size(), 16);

        // A folder reached through a link, before and after it exists, is the same folder.
        QVERIFY(QDir().mkpath(path(QStringLiteral("real"))));
        QVERIFY(QFile::link(path(QStringLiteral("real")), path(QStringLiteral("link"))));
        const QString canonical = QFileInfo(path(QStringLiteral("real"))).canonicalFilePath();
        QCOMPARE(InstanceLock::normalisedFolder(path(QStringLiteral("link/Quillfern/x/../Hourglen/"))),
                 canonical + QStringLiteral("/Quillfern/Hourglen"));
        QVERIFY(QDir().mkpath(path(QStringLiteral("real/Quillfern/Hourglen"))));
        QCOMPARE(InstanceLock::normalisedFolder(path(QStringLiteral("link/Quillfern/Hourglen/"))),
                 canonical + QStringLiteral("/Quillfern/Hourglen"));
    }

    void handOver()
    {
        const QString socket = path(QStringLiteral("e.socket"));
        // Nobody listens: the answer is no, at once.
        QVERIFY(!InstanceChannel::requestActivation(socket, 5000));

        InstanceChannel channel(socket);
        QVERIFY(channel.listen());
        QSignalSpy asked(&channel, &InstanceChannel::activationRequested);
        requestFromWorker(socket, asked);
        if (QTest::currentTestFailed())
            return;

        // Anything else is not a request.
        QLocalSocket stranger;
        stranger.connectToServer(socket);
        QVERIFY(stranger.waitForConnected(5000));
        stranger.write("hello there\n");
        QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(asked.count(), 1);
    }

    // A socket file left by a process that has ended is replaced.
    void staleSocketReplaced()
    {
        const QString socket = path(QStringLiteral("f.socket"));
        {
            QFile left(socket);
            QVERIFY(left.open(QIODevice::WriteOnly));
        }
        InstanceChannel channel(socket);
        QVERIFY(channel.listen());
        QSignalSpy asked(&channel, &InstanceChannel::activationRequested);
        requestFromWorker(socket, asked);
    }

    void terminationSignals()
    {
        struct sigaction dummy
        {};
        dummy.sa_handler = dummyHandler;
        sigemptyset(&dummy.sa_mask);
        struct sigaction saved
        {};
        QCOMPARE(::sigaction(SIGHUP, &dummy, &saved), 0);
        {
            TerminationSignals caught;
            QVERIFY(caught.installed());
            TerminationSignals another;
            QVERIFY(!another.installed());
            QSignalSpy received(&caught, &TerminationSignals::received);
            QCOMPARE(::raise(SIGHUP), 0);
            QTRY_COMPARE(received.count(), 1);
            QCOMPARE(received.first().first().toInt(), SIGHUP);
            // A second one of the same kind would end the program at once.
            struct sigaction now
            {};
            QCOMPARE(::sigaction(SIGHUP, nullptr, &now), 0);
            QVERIFY(now.sa_handler == SIG_DFL);
            // The others are still caught.
            QCOMPARE(::raise(SIGTERM), 0);
            QTRY_COMPARE(received.count(), 2);
            QCOMPARE(received.at(1).first().toInt(), SIGTERM);
        }
        // The handlers from before come back.
        struct sigaction after
        {};
        QCOMPARE(::sigaction(SIGHUP, nullptr, &after), 0);
        QVERIFY(after.sa_handler == dummyHandler);
        ::sigaction(SIGHUP, &saved, nullptr);
    }
};

HOURGLEN_TEST_MAIN_CORE(TestSession)
#include "tst_Session.moc"
