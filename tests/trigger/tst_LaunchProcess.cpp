#include "LaunchFixture.h"
#include "common/TestMain.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// What a recording script wrote about itself.
struct Record
{
    bool valid = false;
    qint64 pid = 0;
    qint64 session = 0;
    QString folder;
    QString mark;
    qint64 startNanoseconds = 0;
    QStringList arguments;
};

Record readRecord(const QString& path)
{
    Record record;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return record;
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (lines.size() < 7 || !lines.last().isEmpty())
        return record;
    lines.removeLast();
    record.pid = lines.at(0).toLongLong();
    record.session = lines.at(1).toLongLong();
    record.folder = lines.at(2);
    record.mark = lines.at(3);
    record.startNanoseconds = lines.at(4).toLongLong();
    const int count = lines.at(5).toInt();
    record.arguments = lines.mid(6);
    record.valid = record.arguments.size() == count;
    return record;
}

bool writeFile(const QString& path, const QByteArray& content, QFile::Permissions permissions)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    return file.setPermissions(permissions);
}

// Real processes start slowly on a loaded machine, and under the sanitizers.
constexpr int ProcessTimeout = 30000;

const QFile::Permissions Executable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
const QFile::Permissions Plain = QFile::ReadOwner | QFile::WriteOwner;

// Shell-quotes a path for the scripts' own text.
QByteArray quoted(const QString& path)
{
    QByteArray text = QFile::encodeName(path);
    text.replace("'", "'\\''");
    return "'" + text + "'";
}

} // namespace

// Real launches of small scripts that record how they were started.
class TestLaunchProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void argumentsArriveAsPlainText_data();
    void argumentsArriveAsPlainText();
    void childRunsDetachedWithOurEnvironmentAndFolder();
    void pathWithBlanksStartsThatFile();
    void unstartableFilesStartNothing_data();
    void unstartableFilesStartNothing();
    void severalLaunchThreadsAtOnce();
    void noZombieAfterManyLaunches();
    void eachMethodStartsDetachedAndReaped_data();
    void eachMethodStartsDetachedAndReaped();
    void scriptWithoutInterpreterLineStarts_data();
    void scriptWithoutInterpreterLineStarts();
    void scriptWithoutInterpreterLineThroughTheLaunchThread();

private:
    // A script that writes its record to recordPath; returns its path. Without the interpreter
    // line, only the shell fallback can start it.
    QString recordingScript(const QString& name, const QString& recordPath, bool interpreterLine = true);
    QStringList zombieChildren() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TraceCapture> m_trace;
};

void TestLaunchProcess::initTestCase()
{
    // Set before any thread of ours runs; the started programs inherit it.
    qputenv("HOURGLEN_LAUNCH_MARK", "inherited");
}

void TestLaunchProcess::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_trace = std::make_unique<TraceCapture>();
}

void TestLaunchProcess::cleanup()
{
    m_trace.reset();
    m_dir.reset();
}

QString TestLaunchProcess::recordingScript(const QString& name, const QString& recordPath,
                                           bool interpreterLine)
{
    const QString path = m_dir->filePath(name);
    const QByteArray record = quoted(recordPath);
    const QByteArray script = QByteArray(interpreterLine ? "#!/bin/sh\n" : "") +
                              "{\n"
                              "  echo $$\n"
                              "  sed 's/.*) //' /proc/$$/stat | cut -d' ' -f4\n"
                              "  pwd\n"
                              "  printf '%s\\n' \"$HOURGLEN_LAUNCH_MARK\"\n"
                              "  date +%s%N\n"
                              "  printf '%s\\n' \"$#\"\n"
                              "  for a in \"$@\"; do printf '%s\\n' \"$a\"; done\n"
                              "} > " +
                              record + ".part && mv " + record + ".part " + record + "\n";
    if (!writeFile(path, script, Executable))
        return {};
    return path;
}

QStringList TestLaunchProcess::zombieChildren() const
{
    QStringList zombies;
    const QString self = QString::number(getpid());
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isPid = false;
        entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromLatin1(stat.readAll());
        const QStringList fields = text.mid(text.lastIndexOf(u')') + 2).split(u' ');
        if (fields.size() > 1 && fields.at(1) == self && fields.at(0) == QLatin1String("Z"))
            zombies.append(entry);
    }
    return zombies;
}

void TestLaunchProcess::argumentsArriveAsPlainText_data()
{
    QTest::addColumn<QString>("parameter");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("blanks only") << QStringLiteral("   ") << QStringList();
    QTest::newRow("two blanks around a switch")
        << QStringLiteral("  /s  ") << QStringList{QStringLiteral("/s")};
    QTest::newRow("quoted arguments")
        << QStringLiteral("\"first one\" \"\" x\"y z\"")
        << QStringList{QStringLiteral("first one"), QString(), QStringLiteral("xy z")};
    QTest::newRow("shell characters")
        << QStringLiteral("; | & $(touch pwned) > out < in * ~ $HOME `id` 'q'")
        << QStringList{QStringLiteral(";"),       QStringLiteral("|"),      QStringLiteral("&"),
                       QStringLiteral("$(touch"), QStringLiteral("pwned)"), QStringLiteral(">"),
                       QStringLiteral("out"),     QStringLiteral("<"),      QStringLiteral("in"),
                       QStringLiteral("*"),       QStringLiteral("~"),      QStringLiteral("$HOME"),
                       QStringLiteral("`id`"),    QStringLiteral("'q'")};
}

void TestLaunchProcess::argumentsArriveAsPlainText()
{
    QFETCH(QString, parameter);
    QFETCH(QStringList, arguments);
    const QString recordPath = m_dir->filePath(QStringLiteral("record"));
    const QString script = recordingScript(QStringLiteral("record.sh"), recordPath);
    QVERIFY(!script.isEmpty());
    const qint64 launched = QDateTime::currentMSecsSinceEpoch();
    LaunchEnd ended;
    startLaunch(script, parameter, ended);
    QTRY_VERIFY_WITH_TIMEOUT(ended.ended, ProcessTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recordPath), ProcessTimeout);
    const Record record = readRecord(recordPath);
    QVERIFY(record.valid);
    QCOMPARE(record.arguments, arguments);
    // Started by this launch, not left over from another.
    QVERIFY(record.startNanoseconds / 1000000 >= launched - 1000);
    QVERIFY(!QFile::exists(QStringLiteral("pwned")));
    QVERIFY(!QFile::exists(QStringLiteral("out")));
    QVERIFY(m_trace->linesContaining(QStringLiteral("Cannot start")).isEmpty());
}

void TestLaunchProcess::childRunsDetachedWithOurEnvironmentAndFolder()
{
    const QString recordPath = m_dir->filePath(QStringLiteral("record"));
    const QString script = recordingScript(QStringLiteral("record.sh"), recordPath);
    LaunchEnd ended;
    startLaunch(script, QString(), ended);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recordPath), ProcessTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(ended.ended, ProcessTimeout);
    const Record record = readRecord(recordPath);
    QVERIFY(record.valid);
    QCOMPARE(record.session, record.pid); // a session of its own
    QVERIFY(record.session != getsid(0));
    QCOMPARE(QDir(record.folder).canonicalPath(), QDir::current().canonicalPath());
    QCOMPARE(record.mark, QStringLiteral("inherited"));
}

void TestLaunchProcess::pathWithBlanksStartsThatFile()
{
    const QString recordPath = m_dir->filePath(QStringLiteral("record"));
    const QString decoyRecord = m_dir->filePath(QStringLiteral("decoy-record"));
    // A prefix of the path that names a program of its own must not be what starts.
    QVERIFY(!recordingScript(QStringLiteral("my"), decoyRecord).isEmpty());
    const QString script = recordingScript(QStringLiteral("my job.sh"), recordPath);
    LaunchEnd ended;
    startLaunch(script, QStringLiteral("job.sh"), ended);
    QTRY_VERIFY_WITH_TIMEOUT(ended.ended, ProcessTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recordPath), ProcessTimeout);
    QCOMPARE(readRecord(recordPath).arguments, QStringList{QStringLiteral("job.sh")});
    QVERIFY(!QFile::exists(decoyRecord));
}

void TestLaunchProcess::unstartableFilesStartNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file") << QStringLiteral("missing") << QStringLiteral("not found");
    QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("not executable");
    QTest::newRow("no execute permission") << QStringLiteral("plain") << QStringLiteral("not executable");
}

void TestLaunchProcess::unstartableFilesStartNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QString recordPath = m_dir->filePath(QStringLiteral("record"));
    QString path = m_dir->filePath(kind);
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(m_dir->path()).mkdir(kind));
    } else if (kind == QLatin1String("plain")) {
        const QString script = recordingScript(QStringLiteral("plain"), recordPath);
        QVERIFY(QFile::setPermissions(script, Plain));
    }
    LaunchEnd ended;
    startLaunch(path, QStringLiteral("arg"), ended);
    QTRY_VERIFY_WITH_TIMEOUT(ended.ended, ProcessTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_trace->linesContaining(QStringLiteral("Cannot start")).size(), 1,
                              ProcessTimeout);
    const QString line = m_trace->linesContaining(QStringLiteral("Cannot start")).front();
    QVERIFY2(line.contains(u'"' + path + u'"'), qPrintable(line));
    QVERIFY2(line.contains(reason), qPrintable(line));
    QVERIFY(!QFile::exists(recordPath));
    QCOMPARE(DataModule_Debug->Depth(), 0);
}

void TestLaunchProcess::severalLaunchThreadsAtOnce()
{
    constexpr int Count = 8;
    std::vector<std::unique_ptr<LaunchEnd>> ends;
    QStringList records;
    QStringList scripts;
    // Every script is written before the first launch: a file still open for writing in this
    // process while another thread starts a child cannot be executed (the system says busy).
    for (int i = 0; i < Count; ++i) {
        records.append(m_dir->filePath(QStringLiteral("record%1").arg(i)));
        scripts.append(recordingScript(QStringLiteral("task %1.sh").arg(i), records.back()));
        QVERIFY(!scripts.back().isEmpty());
    }
    for (int i = 0; i < Count; ++i) {
        ends.push_back(std::make_unique<LaunchEnd>());
        startLaunch(scripts.at(i), QStringLiteral("\"task %1\"").arg(i), *ends.back());
    }
    for (int i = 0; i < Count; ++i) {
        QTRY_VERIFY_WITH_TIMEOUT(ends[i]->ended, ProcessTimeout);
        QVERIFY2(m_trace->linesContaining(QStringLiteral("Cannot start")).isEmpty(),
                 qPrintable(m_trace->linesContaining(QStringLiteral("Cannot start")).join(u'\n')));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(records.at(i)), ProcessTimeout);
        const Record record = readRecord(records.at(i));
        QVERIFY(record.valid);
        QCOMPARE(record.arguments, QStringList{QStringLiteral("task %1").arg(i)});
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_trace->lines().size(), Count * 6, ProcessTimeout);
    QCOMPARE(DataModule_Debug->Depth(), 0);
}

void TestLaunchProcess::noZombieAfterManyLaunches()
{
    // The check sees a zombie child when there is one.
    const pid_t unreaped = fork();
    if (unreaped == 0)
        _exit(0);
    QVERIFY(unreaped > 0);
    QTRY_COMPARE_WITH_TIMEOUT(zombieChildren(), QStringList{QString::number(unreaped)}, ProcessTimeout);
    QCOMPARE(waitpid(unreaped, nullptr, 0), unreaped);
    // Children of earlier launches may still be on their way to their reaper.
    QTRY_COMPARE_WITH_TIMEOUT(zombieChildren(), QStringList(), ProcessTimeout);

    const QString program = m_dir->filePath(QStringLiteral("quick.sh"));
    QVERIFY(writeFile(program, "#!/bin/sh\nexit 0\n", Executable));
    constexpr int Batches = 30;
    constexpr int PerBatch = 10;
    for (int batch = 0; batch < Batches; ++batch) {
        std::vector<std::unique_ptr<LaunchEnd>> ends;
        for (int i = 0; i < PerBatch; ++i) {
            ends.push_back(std::make_unique<LaunchEnd>());
            startLaunch(program, QString::number(i), *ends.back());
        }
        for (const auto& e : ends)
            QTRY_VERIFY_WITH_TIMEOUT(e->ended, ProcessTimeout);
    }
    QVERIFY(m_trace->linesContaining(QStringLiteral("Cannot start")).isEmpty());
    // Every program has ended by now, or ends soon; each is reaped as it ends.
    QTRY_COMPARE_WITH_TIMEOUT(zombieChildren(), QStringList(), ProcessTimeout);
}

void TestLaunchProcess::eachMethodStartsDetachedAndReaped_data()
{
    QTest::addColumn<int>("method");
    QTest::newRow("spawn") << int(SystemProcessLauncher::Method::Spawn);
    QTest::newRow("double fork") << int(SystemProcessLauncher::Method::DoubleFork);
}

void TestLaunchProcess::eachMethodStartsDetachedAndReaped()
{
    QFETCH(int, method);
    SystemProcessLauncher launcher{SystemProcessLauncher::Method(method)};
    constexpr int Count = 5;
    QStringList records;
    for (int i = 0; i < Count; ++i) {
        records.append(m_dir->filePath(QStringLiteral("record%1").arg(i)));
        const QString script = recordingScript(QStringLiteral("task %1.sh").arg(i), records.back());
        QVERIFY(!script.isEmpty());
        QVERIFY(launcher.start(script, {QStringLiteral("a b"), QStringLiteral("$HOME")}).started());
    }
    for (const QString& path : records) {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), ProcessTimeout);
        const Record record = readRecord(path);
        QVERIFY(record.valid);
        QCOMPARE(record.arguments, (QStringList{QStringLiteral("a b"), QStringLiteral("$HOME")}));
        QCOMPARE(record.session, record.pid);
        QCOMPARE(record.mark, QStringLiteral("inherited"));
    }
    const LaunchOutcome missing = launcher.start(m_dir->filePath(QStringLiteral("missing")), {});
    QCOMPARE(int(missing.status), int(LaunchOutcome::Status::NotFound));
    QTRY_COMPARE_WITH_TIMEOUT(zombieChildren(), QStringList(), ProcessTimeout);
}

void TestLaunchProcess::scriptWithoutInterpreterLineStarts_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("name");
    QTest::newRow("spawn") << int(SystemProcessLauncher::Method::Spawn) << QStringLiteral("plain script");
    QTest::newRow("double fork") << int(SystemProcessLauncher::Method::DoubleFork)
                                 << QStringLiteral("plain script");
    // Started by a relative name from its own folder: the shell must not read "-x" as an option.
    QTest::newRow("name like an option") << int(SystemProcessLauncher::Method::Spawn) << QStringLiteral("-x");
}

// The system refuses a script without a "#!" line; the shell reads it, and every argument arrives as
// it was given, shell characters and all.
void TestLaunchProcess::scriptWithoutInterpreterLineStarts()
{
    QFETCH(int, method);
    QFETCH(QString, name);
    SystemProcessLauncher launcher{SystemProcessLauncher::Method(method)};
    const QString recordPath = m_dir->filePath(QStringLiteral("record"));
    const QString script = recordingScript(name, recordPath, false);
    QVERIFY(!script.isEmpty());
    const QStringList arguments{QStringLiteral(";"),
                                QStringLiteral("|"),
                                QStringLiteral("&"),
                                QStringLiteral("$(touch pwned)"),
                                QStringLiteral("> out"),
                                QStringLiteral("<"),
                                QStringLiteral("*"),
                                QStringLiteral("~"),
                                QStringLiteral("$HOME"),
                                QStringLiteral("`touch pwned`"),
                                QStringLiteral("'single' \"double\""),
                                QString(),
                                QStringLiteral("-c")};

    const QString before = QDir::currentPath();
    const bool relative = name.startsWith(u'-');
    if (relative)
        QVERIFY(QDir::setCurrent(m_dir->path()));
    const LaunchOutcome outcome = launcher.start(relative ? name : script, arguments);
    QVERIFY(QDir::setCurrent(before));
    QVERIFY2(outcome.started(), qPrintable(outcome.describe()));

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recordPath), ProcessTimeout);
    const Record record = readRecord(recordPath);
    QVERIFY(record.valid);
    QCOMPARE(record.arguments, arguments);
    QCOMPARE(record.session, record.pid);
    for (const QString& folder : {before, m_dir->path()}) {
        QVERIFY(!QFile::exists(folder + QStringLiteral("/pwned")));
        QVERIFY(!QFile::exists(folder + QStringLiteral("/out")));
    }
    QTRY_COMPARE_WITH_TIMEOUT(zombieChildren(), QStringList(), ProcessTimeout);
}

// The same file from the schedule's side: the launch thread starts it with its parameter text.
void TestLaunchProcess::scriptWithoutInterpreterLineThroughTheLaunchThread()
{
    const QString recordPath = m_dir->filePath(QStringLiteral("record"));
    const QString script = recordingScript(QStringLiteral("nightly"), recordPath, false);
    QVERIFY(!script.isEmpty());
    LaunchEnd ended;
    startLaunch(script, QStringLiteral("\"a b\" ; $(id) | x"), ended);
    QTRY_VERIFY_WITH_TIMEOUT(ended.ended, ProcessTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recordPath), ProcessTimeout);
    QCOMPARE(readRecord(recordPath).arguments,
             (QStringList{QStringLiteral("a b"), QStringLiteral(";"), QStringLiteral("$(id)"),
                          QStringLiteral("|"), QStringLiteral("x")}));
    QVERIFY(m_trace->linesContaining(QStringLiteral("Cannot start")).isEmpty());
}

HOURGLEN_TEST_MAIN(TestLaunchProcess)
#include "tst_LaunchProcess.moc"
