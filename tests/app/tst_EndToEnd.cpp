// The real program on a schedule file whose tasks, real scripts that record their arguments, fall
// due two seconds after it starts: each starts exactly once, with its arguments, even when a second
// copy is started beside it; SIGTERM ends it cleanly and its window's placement is saved.

#include "common/TestMain.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

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

// The keys and values of one section of an INI file, read as plain text.
QMap<QString, QString> IniSection(const QString& file, const QString& section)
{
    QMap<QString, QString> keys;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return keys;
    bool inside = false;
    for (const QString& raw : QString::fromUtf8(f.readAll()).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'['))
            inside = line == u'[' + section + u']';
        else if (inside && line.contains(u'='))
            keys.insert(line.section(u'=', 0, 0).trimmed(), line.section(u'=', 1).trimmed());
    }
    return keys;
}

// What a sanitizer writes when it finds a fault (a leak, a bad access, undefined behaviour).
bool HasSanitizerReport(const QByteArray& errors)
{
    return errors.contains("Sanitizer") || errors.contains("runtime error:");
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // Records each start: a mark, then one argument per line.
    static QString script(const QString& folder, const QString& name)
    {
        const QString path = folder + u'/' + name;
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

    static void startProgram(QProcess& program, const QString& data, const QString& config,
                             const QString& home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), data);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(HOURGLEN_PROGRAM_FILE), QStringList());
    }

private slots:
    void dueTasksStartOnceBesideASecondStart()
    {
        QVERIFY(m_dir.isValid());
        // The tasks fall due two seconds ahead. The first copy must be up, and the second copy
        // must have come and gone, before that second; a machine too slow for that gets a new
        // folder with a longer lead, so a copy that went on running would still meet the due time.
        QString data, config, weekly, dated, plain, errorsOfSecond;
        QDateTime due;
        QProcess program;
        struct Stop
        {
            QProcess& program;
            ~Stop()
            {
                if (program.state() == QProcess::NotRunning)
                    return;
                program.terminate();
                if (!program.waitForFinished(20000)) {
                    program.kill();
                    program.waitForFinished();
                }
            }
        } stop{program};
        bool inTime = false;
        for (const int lead : {2, 5, 10, 20, 40}) {
            const QString folder = m_dir.filePath(QStringLiteral("lead%1").arg(lead));
            data = folder + QStringLiteral("/data");
            config = folder + QStringLiteral("/config");
            QVERIFY(QDir().mkpath(data + ProductFolder));
            // Every script is written before the program can start any of them.
            weekly = script(folder, QStringLiteral("weekly job.sh"));
            dated = script(folder, QStringLiteral("dated.sh"));
            plain = script(folder, QStringLiteral("plain.sh"));
            due = QDateTime::currentDateTime().addSecs(lead);
            const QByteArray rows = Row(weekly, "--mode &quot;two words&quot; $HOME;x", due.time()) +
                                    Row(dated, "  -v  ", due.time(), due.date()) +
                                    Row(plain, "", due.time().addSecs(1));
            QFile schedule(data + ProductFolder + QStringLiteral("Hourglen.xml"));
            QVERIFY(schedule.open(QIODevice::WriteOnly));
            schedule.write(ScheduleFile(rows, 3));
            schedule.close();

            const QString home = folder + QStringLiteral("/home");
            startProgram(program, data, config, home);
            QVERIFY2(program.waitForStarted(30000), qPrintable(program.errorString()));
            // The timer's worker runs once the main window has been created.
            QTRY_VERIFY_WITH_TIMEOUT(ThreadNames(program.processId()).contains(QStringLiteral("ZylTimer")),
                                     30000);

            // A second copy on the same data folder ends at once, with one line on standard error.
            QProcess second;
            startProgram(second, data, config, home);
            QVERIFY2(second.waitForStarted(30000), qPrintable(second.errorString()));
            QVERIFY2(second.waitForFinished(30000), "the second copy went on running");
            const QByteArray errors = second.readAllStandardError();
            QVERIFY2(!HasSanitizerReport(errors), errors.constData());
            QCOMPARE(second.exitStatus(), QProcess::NormalExit);
            QCOMPARE(second.exitCode(), 0);
            QVERIFY2(errors.endsWith('\n') && errors.count('\n') == 1, errors.constData());
            QVERIFY2(errors.contains("already running"), errors.constData());
            QCOMPARE(second.readAllStandardOutput(), QByteArray());
            QCOMPARE(program.state(), QProcess::Running);

            if (QDateTime::currentDateTime() < due) {
                inTime = true;
                break;
            }
            qInfo("The program was not up %d s ahead of its tasks; trying a longer lead.", lead);
            program.terminate();
            QVERIFY(program.waitForFinished(20000));
            program.readAllStandardError();
        }
        QVERIFY2(inTime, "the program never came up before its tasks fell due");

        QTRY_COMPARE_WITH_TIMEOUT(Runs(weekly + QStringLiteral(".out")).size(), 1, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(Runs(dated + QStringLiteral(".out")).size(), 1, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(Runs(plain + QStringLiteral(".out")).size(), 1, 30000);
        // Every tick of the due seconds and of the two seconds after them has passed.
        QTRY_VERIFY_WITH_TIMEOUT(QDateTime::currentDateTime() > due.addSecs(3), 30000);
        QCOMPARE(program.state(), QProcess::Running);

        QCOMPARE(Runs(weekly + QStringLiteral(".out")),
                 QStringList{QStringLiteral("--mode\ntwo words\n$HOME;x\n")});
        QCOMPARE(Runs(dated + QStringLiteral(".out")), QStringList{QStringLiteral("-v\n")});
        QCOMPARE(Runs(plain + QStringLiteral(".out")), QStringList{QStringLiteral("")});

        // SIGTERM closes the main window as Exit does: the timer stops, the placement is saved and
        // the program ends by itself, with nothing left for the leak check. A thread that does not
        // end (a timer worker never stopped) holds the exit for ten seconds, so the deadline stays
        // below that.
        program.terminate();
        QVERIFY2(program.waitForFinished(8000), "the program did not end within 8 s of SIGTERM");
        const QByteArray errors = program.readAllStandardError();
        QVERIFY2(!HasSanitizerReport(errors), errors.constData());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        const QMap<QString, QString> placement =
            IniSection(config + ProductFolder + QStringLiteral("HOURGLEN"), QStringLiteral("Form_Hourglen"));
        const QRegularExpression number(QStringLiteral("^-?[0-9]+$"));
        for (const char* key : {"(TForm)_Height", "(TForm)_Width", "(TForm)_Left", "(TForm)_Top"})
            QVERIFY2(number.match(placement.value(QLatin1String(key))).hasMatch(), key);
        QVERIFY(placement.value(QStringLiteral("(TForm)_Height")).toInt() > 0);
        QVERIFY(placement.value(QStringLiteral("(TForm)_Width")).toInt() > 0);
        // The window was shown, which used up the centring on first show.
        QCOMPARE(placement.value(QStringLiteral("(TForm)_Position")), QStringLiteral("0"));
        QCOMPARE(placement.size(), 5);
    }
};

HOURGLEN_TEST_MAIN(TestEndToEnd)
#include "tst_EndToEnd.moc"
