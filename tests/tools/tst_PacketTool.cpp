#include "common/TestMain.h"
#include "schedule/packet/DataPacketCodec.h"

#include "common/ScheduleFixture.h"
#include "common/SharedPackets.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// hourglen-packet driven as a user runs it.
class TestPacketTool final : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    static Run run(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral(HOURGLEN_PACKET_TOOL), arguments);
        Run result;
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return result;
        result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    static QString data(const char* name)
    {
        return QStringLiteral(HOURGLEN_TEST_DATA "/schedule/") + QString::fromLatin1(name);
    }

    // The tool rewrites file as the writer would, and the rewritten file prints as the original does.
    static void checkRewrite(const QString& file)
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString out = dir.filePath(QStringLiteral("out.xml"));
        const Run result = run({QStringLiteral("--rewrite"), out, file});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.err, QByteArray());
        const TDataPacketCodec codec;
        const QByteArray expected = codec.write(codec.read(ScheduleFixture::readFile(file)));
        QCOMPARE(ScheduleFixture::readFile(out), expected);
        QCOMPARE(run({out}).out, run({file}).out);
    }

private slots:
    void printsFieldsAndCurrentRows()
    {
        const Run result = run({data("tool_values.xml")});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.err, QByteArray());
        const QByteArray expected =
            "field\ttaskname\tstring\n"
            "field\tlaunchdate\tdate\n"
            "field\tlaunchtime\ttime\n"
            "field\ttaskmemo\tbin.hex\n"
            "field\tdone\tboolean\n"
            "field\tseen\tdateTime\n"
            "field\tcount\ti4\n"
            "row\tC:\\\\Tools\\tx\\ny\\rz\t0990-01-01\t08:15:00.375\tline 1\\r\\nline 2\ttrue\t"
            "2012-04-28 14:30:05.250\t-3\n"
            "row\tcaf\xC3\xA9 & <b>\t\t\t\tfalse\t\t\n";
        QCOMPARE(result.out, expected);
    }

    void rewritesThroughTheWriter_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("tool values") << data("tool_values.xml");
        QTest::newRow("schedule after edits, with a change log") << data("edited_schedule.xml");
        QTest::newRow("many field types in windows-1252") << data("typed_fields.xml");
        QTest::newRow("fields and no rows") << data("no_rows.xml");
    }

    void rewritesThroughTheWriter()
    {
        QFETCH(QString, file);
        checkRewrite(file);
    }

    void rewritesSharedPackets_data()
    {
        HOURGLEN_SKIP_WITHOUT_SHARED_PACKETS();
        QTest::addColumn<QString>("file");
        QTest::newRow("changelog from another program")
            << SharedPackets::file("countries_changelog_memo_utf8.xml");
        QTest::newRow("param child") << SharedPackets::file("field_param_child.xml");
    }

    void rewritesSharedPackets()
    {
        QFETCH(QString, file);
        checkRewrite(file);
    }

    void refusedPacket_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("unknown type word")
            << QStringList{data("bad_type.xml")} << QByteArray("Invalid field type.\n");
        QTest::newRow("empty file") << QStringList{data("empty.xml")}
                                    << QByteArray("Missing data provider or data packet\n");
        QTest::newRow("rewrite of a refused packet")
            << QStringList{QStringLiteral("--rewrite"), QStringLiteral("unused.xml"), data("bad_type.xml")}
            << QByteArray("Invalid field type.\n");
    }

    void refusedPacket()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, message);
        const Run result = run(arguments);
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.out, QByteArray());
        QCOMPARE(result.err, message);
        QVERIFY(!QFile::exists(QStringLiteral("unused.xml")));
    }

    void missingFileIsRefused()
    {
        const Run result = run({data("no_such_file.xml")});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.startsWith("Cannot open file"), result.err.constData());
    }
};

HOURGLEN_TEST_MAIN_CORE(TestPacketTool)
#include "tst_PacketTool.moc"
