#include "common/TestMain.h"
#include "platform/ProcessLauncher.h"
#include "support/LibStrng.h"
#include "trigger/LaunchCreateProcess.h"

#include <QtTest>

#include <cerrno>

class TestLaunchArguments : public QObject
{
    Q_OBJECT

private slots:
    void splitArguments_data();
    void splitArguments();
    void commandLine_data();
    void commandLine();
    void outcomeFromError_data();
    void outcomeFromError();
};

void TestLaunchArguments::splitArguments_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("blanks only") << QStringLiteral("   \t ") << QStringList();
    QTest::newRow("one") << QStringLiteral("-x") << QStringList{QStringLiteral("-x")};
    QTest::newRow("blanks between") << QStringLiteral("a  b\tc")
                                    << QStringList{QStringLiteral("a"), QStringLiteral("b"),
                                                   QStringLiteral("c")};
    QTest::newRow("quoted group") << QStringLiteral("\"a b\" c")
                                  << QStringList{QStringLiteral("a b"), QStringLiteral("c")};
    QTest::newRow("quoted and plain parts join")
        << QStringLiteral("a\"b c\"d") << QStringList{QStringLiteral("ab cd")};
    QTest::newRow("empty quotes") << QStringLiteral("\"\" x") << QStringList{QString(), QStringLiteral("x")};
    QTest::newRow("escaped quote") << QStringLiteral("\\\"q\\\"") << QStringList{QStringLiteral("\"q\"")};
    QTest::newRow("escaped quote inside quotes")
        << QStringLiteral("\"say \\\"hi\\\"\"") << QStringList{QStringLiteral("say \"hi\"")};
    QTest::newRow("other backslashes are plain")
        << QStringLiteral("C:\\dir\\ a\\b")
        << QStringList{QStringLiteral("C:\\dir\\"), QStringLiteral("a\\b")};
    QTest::newRow("unclosed quote runs to the end")
        << QStringLiteral("a \"b c") << QStringList{QStringLiteral("a"), QStringLiteral("b c")};
    QTest::newRow("single quotes are plain")
        << QStringLiteral("'a b'") << QStringList{QStringLiteral("'a"), QStringLiteral("b'")};
    QTest::newRow("shell characters are plain")
        << QStringLiteral("; | & $(echo hi) > out < in * ~ $HOME `id` a;b")
        << QStringList{QStringLiteral(";"),      QStringLiteral("|"),   QStringLiteral("&"),
                       QStringLiteral("$(echo"), QStringLiteral("hi)"), QStringLiteral(">"),
                       QStringLiteral("out"),    QStringLiteral("<"),   QStringLiteral("in"),
                       QStringLiteral("*"),      QStringLiteral("~"),   QStringLiteral("$HOME"),
                       QStringLiteral("`id`"),   QStringLiteral("a;b")};
    QTest::newRow("non-ASCII") << QStringLiteral("\u00e4\u00f6 \"\u20ac x\"")
                               << QStringList{QStringLiteral("\u00e4\u00f6"), QStringLiteral("\u20ac x")};
}

void TestLaunchArguments::splitArguments()
{
    QFETCH(QString, text);
    QFETCH(QStringList, arguments);
    QCOMPARE(ProcessLauncher::splitArguments(text), arguments);
}

void TestLaunchArguments::commandLine_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("parameter");
    QTest::addColumn<QString>("commandLine");

    const QString program = QStringLiteral("/opt/tools/run job");
    // The launch thread trims the parameter before the command line is built.
    QTest::newRow("empty") << program << QString() << program;
    QTest::newRow("blanks only") << program << QStringLiteral("    ") << program;
    QTest::newRow("two blanks around a switch") << program << QStringLiteral("  /s  ") << program + " /s";
    QTest::newRow("control characters") << program << QStringLiteral("\t-a b\r\n") << program + " -a b";
    QTest::newRow("inner blanks kept") << program << QStringLiteral("a   b") << program + " a   b";
}

void TestLaunchArguments::commandLine()
{
    QFETCH(QString, command);
    QFETCH(QString, parameter);
    QFETCH(QString, commandLine);
    QCOMPARE(LaunchCommandLine(command, LibStrng::Trim(parameter)), commandLine);
}

void TestLaunchArguments::outcomeFromError_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("status");

    QTest::newRow("missing") << ENOENT << int(LaunchOutcome::Status::NotFound);
    QTest::newRow("path through a file") << ENOTDIR << int(LaunchOutcome::Status::NotFound);
    QTest::newRow("no permission") << EACCES << int(LaunchOutcome::Status::NotExecutable);
    QTest::newRow("not a program") << ENOEXEC << int(LaunchOutcome::Status::NotExecutable);
    QTest::newRow("folder") << EISDIR << int(LaunchOutcome::Status::NotExecutable);
    QTest::newRow("too long") << E2BIG << int(LaunchOutcome::Status::Failed);
    QTest::newRow("no memory") << ENOMEM << int(LaunchOutcome::Status::Failed);
}

void TestLaunchArguments::outcomeFromError()
{
    QFETCH(int, error);
    QFETCH(int, status);
    const LaunchOutcome outcome = LaunchOutcome::fromError(error);
    QCOMPARE(int(outcome.status), status);
    QCOMPARE(outcome.error, error);
    QVERIFY(!outcome.started());
    QVERIFY(!outcome.reason.isEmpty());
    QVERIFY(outcome.describe().contains(outcome.reason));
}

HOURGLEN_TEST_MAIN_CORE(TestLaunchArguments)
#include "tst_LaunchArguments.moc"
