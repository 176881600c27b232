// The real program on a schedule file whose tasks, real scripts that record their arguments, fall
// due two seconds after it starts: each starts exactly once, with its arguments.

#include "common/TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

namespace {

const QString ProductFolder = QStringLiteral("/Quillfern/Hourglen/2.0.0.0/");

// One row of the schedule file, every weekday on, or dated when a date is given.
QByteArray Row(const QString& program, const QByteArray& parameter, const QTime& time, const QDate& date = {})
{
    QByteArray row =
        "<ROW RowState=\"4\" taskname=\"" + program.toUtf8() + "\" taskparm=\"" + parameter + '"';
    if (date.isValid())
        row += " launchdate=\"" + date.toString(QStringLiteral("yyyyMMdd")).toLatin1() + '"';
    row += " launchtime=\"" + time.toString(QStringLiteral("HH:mm:ss")).toLatin1() + "000\"";
    for (const char* day : {"sun", "mon", "tue", "wed", "thu", "fri", "sat"})
        row += QByteArray(" launchcb") + day + "=\"" + (date.isValid() ? "0" : "1") + '"';
    return row + "/>";
}

QByteArray ScheduleFile(const QByteArray& rows, int count)
{
    QByteArray file =
        "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"taskname\" fieldtype=\"string\" WIDTH=\"254\"/>"
        "<FIELD attrname=\"taskparm\" fieldtype=\"string\" WIDTH=\"254\"/>"
        "<FIELD attrname=\"launchdate\" fieldtype=\"date\"/><FIELD attrname=\"launchtime\" "
        "fieldtype=\"time\"/>";
    for (const char* day : {"sun", "mon", "tue", "wed", "thu", "fri", "sat"})
        file += QByteArray("<FIELD attrname=\"launchcb") + day + "\" fieldtype=\"string\" WIDTH=\"2\"/>";
    file +=
        "<FIELD attrname=\"taskmemo\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/></FIELDS><PARAMS CHANGE_LOG=\"";
    for (int i = 1; i <= count; ++i)
        file += QByteArray::number(i) + " 0 4" + (i < count ? " " : "");
    return file + "\"/></METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

// Names of the program's threads, from /proc.
QStringList ThreadNames(qint64 pid)
{
    QStringList names;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task) + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly))
            names << QString::fromLatin1(comm.readAll()).trimmed();
    }
    return names;
}

QStringList Runs(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // What comes before the first mark is nothing; each mark begins one run.
    return QString::fromUtf8(f.readAll()).split(QStringLiteral("--run\n")).mid(1);
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString script(const QString& name)
    {
        // Records each start: a mark, then one argument per line.
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write("#!/bin/sh\nout=\"$0.out\"\n{ printf -- '--run\\n'; for a in \"$@\"; do printf "
                       "'%s\\n' \"$a\"; "
                       "done; } >> \"$out\"\n");
            file.close();
            file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser);
        }
        return path;
    }

private slots:
    void dueTasksStartOnceWithTheirArguments()
    {
        QVERIFY(m_dir.isValid());
        const QString data = m_dir.filePath(QStringLiteral("data"));
        const QString config = m_dir.filePath(QStringLiteral("config"));
        QVERIFY(QDir().mkpath(data + ProductFolder));
        // Every script is written before the program can start any of them.
        const QString weekly = script(QStringLiteral("weekly job.sh"));
        const QString dated = script(QStringLiteral("dated.sh"));
        const QString plain = script(QStringLiteral("plain.sh"));
        const QDateTime due = QDateTime::currentDateTime().addSecs(2);
        const QByteArray rows = Row(weekly, "--mode &quot;two words&quot; $HOME;x", due.time()) +
                                Row(dated, "  -v  ", due.time(), due.date()) +
                                Row(plain, "", due.time().addSecs(1));
        QFile schedule(data + ProductFolder + QStringLiteral("Hourglen.xml"));
        QVERIFY(schedule.open(QIODevice::WriteOnly));
        schedule.write(ScheduleFile(rows, 3));
        schedule.close();

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), data);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(HOURGLEN_PROGRAM_FILE), QStringList());
        QVERIFY(program.waitForStarted());
        // The timer's worker runs once the main window has been created.
        QTRY_VERIFY_WITH_TIMEOUT(ThreadNames(program.processId()).contains(QStringLiteral("ZylTimer")),
                                 10000);
        if (QDateTime::currentDateTime() >= due)
            QSKIP("the program took longer than two seconds to start on this machine");

        struct Stop
        {
            QProcess& program;
            ~Stop()
            {
                program.terminate();
                if (!program.waitForFinished(10000)) {
                    program.kill();
                    program.waitForFinished();
                }
            }
        } stop{program};
        QTRY_COMPARE_WITH_TIMEOUT(Runs(weekly + QStringLiteral(".out")).size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(Runs(dated + QStringLiteral(".out")).size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(Runs(plain + QStringLiteral(".out")).size(), 1, 10000);
        // Every tick of the due seconds and of the two seconds after them has passed.
        QTRY_VERIFY_WITH_TIMEOUT(QDateTime::currentDateTime() > due.addSecs(3), 10000);
        QCOMPARE(program.state(), QProcess::Running);

        QCOMPARE(Runs(weekly + QStringLiteral(".out")),
                 QStringList{QStringLiteral("--mode\ntwo words\n$HOME;x\n")});
        QCOMPARE(Runs(dated + QStringLiteral(".out")), QStringList{QStringLiteral("-v\n")});
        QCOMPARE(Runs(plain + QStringLiteral(".out")), QStringList{QStringLiteral("")});
    }
};

HOURGLEN_TEST_MAIN(TestEndToEnd)
#include "tst_EndToEnd.moc"
