#include "common/TestMain.h"
#include "schedule/packet/DataPacketCodec.h"
#include "toolkit/base/Exception.h"

#include "common/ScheduleFixture.h"

#include <QTest>

using namespace ScheduleFixture;

class TestDataPacketWriter final : public QObject
{
    Q_OBJECT

private:
    static QByteArray write(const TablePacket& packet) { return TDataPacketCodec().write(packet); }

    // The ROW element written for one row of the schedule record with one value set.
    static QByteArray rowFor(int column, const QVariant& value)
    {
        TablePacket packet;
        packet.fields = scheduleFields();
        PacketRow row;
        row.values.resize(12);
        row.values[column] = value;
        packet.rows.append(row);
        const QByteArray bytes = write(packet);
        const qsizetype start = bytes.indexOf("<ROWDATA>") + 9;
        const qsizetype end = bytes.indexOf("/>", start);
        return bytes.mid(start, end + 2 - start);
    }

private slots:
    void wholeFileExample()
    {
        TablePacket packet;
        packet.fields = scheduleFields();
        PacketRow row = weekdayRow(RowState::Inserted, QStringLiteral("m"));
        row.values[TaskName] = QStringLiteral("C:\\Tools\\backup.bat");
        row.values[LaunchTime] = QTime(2, 0);
        packet.rows.append(row);
        packet.changeLog = {1, 0, 4};

        const QByteArray expected =
            "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
            "<FIELD attrname=\"taskname\" fieldtype=\"string\" WIDTH=\"254\"/>"
            "<FIELD attrname=\"taskparm\" fieldtype=\"string\" WIDTH=\"254\"/>"
            "<FIELD attrname=\"launchdate\" fieldtype=\"date\"/>"
            "<FIELD attrname=\"launchtime\" fieldtype=\"time\"/>"
            "<FIELD attrname=\"launchcbsun\" fieldtype=\"string\" WIDTH=\"2\"/>"
            "<FIELD attrname=\"launchcbmon\" fieldtype=\"string\" WIDTH=\"2\"/>"
            "<FIELD attrname=\"launchcbtue\" fieldtype=\"string\" WIDTH=\"2\"/>"
            "<FIELD attrname=\"launchcbwed\" fieldtype=\"string\" WIDTH=\"2\"/>"
            "<FIELD attrname=\"launchcbthu\" fieldtype=\"string\" WIDTH=\"2\"/>"
            "<FIELD attrname=\"launchcbfri\" fieldtype=\"string\" WIDTH=\"2\"/>"
            "<FIELD attrname=\"launchcbsat\" fieldtype=\"string\" WIDTH=\"2\"/>"
            "<FIELD attrname=\"taskmemo\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
            "</FIELDS><PARAMS CHANGE_LOG=\"1 0 4\"/></METADATA><ROWDATA>"
            "<ROW RowState=\"4\" taskname=\"C:&#092;Tools&#092;backup.bat\" launchtime=\"02:00:00000\" "
            "launchcbsun=\"0\" launchcbmon=\"1\" launchcbtue=\"0\" launchcbwed=\"0\" launchcbthu=\"0\" "
            "launchcbfri=\"0\" launchcbsat=\"0\"/>"
            "</ROWDATA></DATAPACKET>";
        QCOMPARE(write(packet), expected);
    }

    void newAndEmpty()
    {
        TablePacket packet;
        packet.fields = scheduleFields();
        const QByteArray expected = "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\">"
                                    "<METADATA><FIELDS>" +
                                    scheduleFieldsXml() +
                                    "</FIELDS><PARAMS/></METADATA><ROWDATA></ROWDATA></DATAPACKET>";
        QCOMPARE(write(packet), expected);
    }

    void withoutLogOnlyCurrentRowsWithoutState()
    {
        TablePacket packet;
        packet.fields = {field("a", "string", FieldKind::String, 5)};
        for (const auto& [state, value] : {std::pair{0, "kept"}, std::pair{RowState::Deleted, "gone"},
                                           std::pair{RowState::Original, "old"}, std::pair{8, "new"}}) {
            PacketRow row;
            row.state = state;
            row.values = {QString::fromLatin1(value)};
            packet.rows.append(row);
        }
        const QByteArray bytes = write(packet);
        QVERIFY(bytes.contains("<ROWDATA><ROW a=\"kept\"/><ROW a=\"new\"/></ROWDATA>"));
        QVERIFY(!bytes.contains("RowState"));
        QVERIFY(!bytes.contains("CHANGE_LOG"));
    }

    void withLogEveryStoredRow()
    {
        TablePacket packet;
        packet.fields = {field("a", "string", FieldKind::String, 5)};
        for (const auto& [state, value] : {std::pair{RowState::Original, "v1"}, std::pair{9, "v2"},
                                           std::pair{8, "v3"}, std::pair{6, "del"}}) {
            PacketRow row;
            row.state = state;
            row.values = {QString::fromLatin1(value)};
            packet.rows.append(row);
        }
        packet.changeLog = {2, 1, 8, 3, 2, 8, 4, 0, 4, 4, 0, 2};
        const QByteArray bytes = write(packet);
        QVERIFY(bytes.contains("<PARAMS CHANGE_LOG=\"2 1 8 3 2 8 4 0 4 4 0 2\"/>"));
        QVERIFY(bytes.contains("<ROWDATA><ROW RowState=\"1\" a=\"v1\"/><ROW RowState=\"9\" a=\"v2\"/>"
                               "<ROW RowState=\"8\" a=\"v3\"/><ROW RowState=\"6\" a=\"del\"/></ROWDATA>"));
    }

    void values_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QByteArray>("expected");
        const auto name = [](const char* text) { return QVariant(QString::fromUtf8(text)); };
        QTest::newRow("plain") << int(TaskName) << name("notepad") << QByteArray("taskname=\"notepad\"");
        QTest::newRow("empty text is a value") << int(TaskParm) << name("") << QByteArray("taskparm=\"\"");
        QTest::newRow("nine escapes")
            << int(TaskName) << name("\t\n\r\"&'<>\\")
            << QByteArray("taskname=\"&#009;&#010;&#013;&quot;&amp;&apos;&lt;&gt;&#092;\"");
        QTest::newRow("windows-1252 bytes")
            << int(TaskName) << name("café €Ÿ") << QByteArray("taskname=\"caf\xE9 \x80\x9F\"");
        QTest::newRow("beyond windows-1252")
            << int(TaskName) << name("Жук") << QByteArray("taskname=\"&#1046;&#1091;&#1082;\"");
        QTest::newRow("outside the basic plane")
            << int(TaskParm) << name("a\U0001F600b") << QByteArray("taskparm=\"a&#128512;b\"");
        QTest::newRow("date") << int(LaunchDate) << QVariant(QDate(2012, 4, 28))
                              << QByteArray("launchdate=\"20120428\"");
        QTest::newRow("year 990") << int(LaunchDate) << QVariant(QDate(990, 1, 1))
                                  << QByteArray("launchdate=\"09900101\"");
        QTest::newRow("time") << int(LaunchTime) << QVariant(QTime(14, 30, 5, 250))
                              << QByteArray("launchtime=\"14:30:05250\"");
        QTest::newRow("milliseconds")
            << int(LaunchTime) << QVariant(QTime(8, 15, 0, 375)) << QByteArray("launchtime=\"08:15:00375\"");
        QTest::newRow("midnight") << int(LaunchTime) << QVariant(QTime(0, 0))
                                  << QByteArray("launchtime=\"00:00:00000\"");
        QTest::newRow("memo") << int(TaskMemo) << name("Hello\r\nWorld")
                              << QByteArray("taskmemo=\"SGVsbG8NCldvcmxk\"");
        QTest::newRow("memo in windows-1252")
            << int(TaskMemo) << name("é") << QByteArray("taskmemo=\"6Q==\"");
        QTest::newRow("memo beyond windows-1252 as UTF-8 behind a mark")
            << int(TaskMemo) << name("Ж") << QByteArray("taskmemo=\"77u/0JY=\"");
        QTest::newRow("null left out") << int(TaskName) << QVariant() << QByteArray();
    }

    void values()
    {
        QFETCH(int, column);
        QFETCH(QVariant, value);
        QFETCH(QByteArray, expected);
        const QByteArray row = rowFor(column, value);
        QCOMPARE(row, expected.isEmpty() ? QByteArray("<ROW/>") : "<ROW " + expected + "/>");
    }

    void longMemoIsOneRun()
    {
        const QByteArray row = rowFor(TaskMemo, QString(500, QLatin1Char('x')));
        QVERIFY(!row.contains('\n'));
        QVERIFY(!row.contains('\r'));
        QCOMPARE(row, "<ROW taskmemo=\"" + QByteArray(500, 'x').toBase64() + "\"/>");
    }

    void controlCharacterIsRefused()
    {
        TablePacket packet;
        packet.fields = scheduleFields();
        PacketRow row;
        row.values.resize(12);
        row.values[TaskName] = QStringLiteral("a\x01");
        packet.rows.append(row);
        QVERIFY_THROWS_EXCEPTION(Exception, write(packet));
    }

    void fieldNameNoAttributeCanCarry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("blank inside") << QStringLiteral("a b");
        QTest::newRow("the row state") << QStringLiteral("RowState");
        QTest::newRow("beyond windows-1252") << QStringLiteral("\u0416uk");
        QTest::newRow("empty") << QString();
    }

    void fieldNameNoAttributeCanCarry()
    {
        QFETCH(QString, name);
        TablePacket packet;
        packet.fields = {field("ok", "string", FieldKind::String, 2)};
        packet.fields.append(packet.fields[0]);
        packet.fields[1].name = name;
        QVERIFY_THROWS_EXCEPTION(Exception, write(packet));
    }

    void memoOfModifiedVersion_data()
    {
        QTest::addColumn<QVariant>("before");
        QTest::addColumn<QVariant>("after");
        QTest::addColumn<QByteArray>("written"); // the new version's memo attribute, or empty when left out
        QTest::newRow("unchanged") << QVariant(QStringLiteral("same")) << QVariant(QStringLiteral("same"))
                                   << QByteArray();
        QTest::newRow("both null") << QVariant() << QVariant() << QByteArray();
        QTest::newRow("changed") << QVariant(QStringLiteral("old")) << QVariant(QStringLiteral("new"))
                                 << QByteArray(" taskmemo=\"bmV3\"");
        QTest::newRow("cleared") << QVariant(QStringLiteral("old")) << QVariant()
                                 << QByteArray(" taskmemo=\"\"");
        QTest::newRow("set") << QVariant() << QVariant(QStringLiteral("new"))
                             << QByteArray(" taskmemo=\"bmV3\"");
    }

    void memoOfModifiedVersion()
    {
        QFETCH(QVariant, before);
        QFETCH(QVariant, after);
        QFETCH(QByteArray, written);
        TablePacket packet;
        packet.fields = scheduleFields();
        PacketRow first = weekdayRow(RowState::Inserted | RowState::Original);
        first.values[TaskMemo] = before;
        PacketRow second = weekdayRow(RowState::Inserted | RowState::Modified);
        second.values[TaskMemo] = after;
        packet.rows = {first, second};
        packet.changeLog = {1, 0, 4, 2, 1, 8};
        const QByteArray bytes = write(packet);
        const qsizetype start = bytes.indexOf("<ROW RowState=\"12\"");
        QVERIFY(start > 0);
        const QByteArray row = bytes.mid(start, bytes.indexOf("/>", start) - start);
        QCOMPARE(row, "<ROW RowState=\"12\" launchcbsun=\"0\" launchcbmon=\"0\" launchcbtue=\"0\" "
                      "launchcbwed=\"0\" launchcbthu=\"0\" launchcbfri=\"0\" launchcbsat=\"0\"" +
                          written);
    }

    void fieldAttributesInOrder()
    {
        PacketField f = field("amount", "fixed", FieldKind::Fixed, 12, "Money");
        f.readonly = f.required = f.hidden = f.linkfield = true;
        f.params = {{QStringLiteral("EXTRA"), QStringLiteral("x"), QStringLiteral("string")},
                    {QStringLiteral("CALCULATED"), QStringLiteral("TRUE"), QStringLiteral("boolean")},
                    {QStringLiteral("DECIMALS"), QStringLiteral("2"), QStringLiteral("i2")},
                    {QStringLiteral("PROVFLAGS"), QStringLiteral("7"), QStringLiteral("i4"), true, true}};
        TablePacket packet;
        packet.fields = {f};
        const QByteArray bytes = write(packet);
        QVERIFY2(bytes.contains(
                     "<FIELD attrname=\"amount\" fieldtype=\"fixed\" readonly=\"true\" required=\"true\" "
                     "hidden=\"true\" linkfield=\"true\" SUBTYPE=\"Money\" DECIMALS=\"2\" WIDTH=\"12\" "
                     "CALCULATED=\"TRUE\" EXTRA=\"x\"><PARAM Name=\"PROVFLAGS\" Value=\"7\" Type=\"i4\" "
                     "Roundtrip=\"True\"/></FIELD>"),
                 bytes.constData());
    }

    void fieldWithoutTypeWordGetsOneOfItsKind()
    {
        TablePacket packet;
        packet.fields = {field("d", "", FieldKind::Date), field("m", "", FieldKind::Memo),
                         field("n", "", FieldKind::Integer)};
        const QByteArray bytes = write(packet);
        QVERIFY2(bytes.contains(
                     "<FIELD attrname=\"d\" fieldtype=\"date\"/><FIELD attrname=\"m\" "
                     "fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/><FIELD attrname=\"n\" fieldtype=\"i4\"/>"),
                 bytes.constData());
        const TablePacket back = TDataPacketCodec().read(bytes);
        QCOMPARE(back.fields[1].kind, FieldKind::Memo);
    }

    void renamedFieldKeepsItsAttrname()
    {
        PacketField f = field("Shown", "string", FieldKind::String, 4);
        f.attrname = QStringLiteral("stored");
        TablePacket packet;
        packet.fields = {f};
        packet.rows = {PacketRow{0, {QStringLiteral("v")}}};
        const QByteArray bytes = write(packet);
        QVERIFY(bytes.contains(
            "<FIELD attrname=\"stored\" fieldname=\"Shown\" fieldtype=\"string\" WIDTH=\"4\"/>"));
        QVERIFY(bytes.contains("<ROW stored=\"v\"/>"));
    }

    void tableParamsAfterChangeLog()
    {
        TablePacket packet;
        packet.fields = {field("a", "i4", FieldKind::Integer)};
        packet.rows = {PacketRow{4, {qlonglong(7)}}};
        packet.changeLog = {1, 0, 4};
        packet.params = {
            {QStringLiteral("LCID"), QStringLiteral("1033"), QStringLiteral("i2")},
            {QStringLiteral("MYOWN"), QStringLiteral("a&b"), QStringLiteral("string")},
            {QStringLiteral("Custom"), QStringLiteral("v"), QStringLiteral("string"), false, true}};
        const QByteArray bytes = write(packet);
        QVERIFY2(bytes.contains("<PARAMS CHANGE_LOG=\"1 0 4\" LCID=\"1033\" MYOWN=\"a&amp;b\">"
                                "<PARAM Name=\"Custom\" Value=\"v\" Type=\"string\"/></PARAMS></METADATA>"),
                 bytes.constData());
        QVERIFY(bytes.contains("<ROW RowState=\"4\" a=\"7\"/>"));
    }

    void otherKinds()
    {
        TablePacket packet;
        packet.fields = {
            field("b", "boolean", FieldKind::Boolean), field("r", "r8", FieldKind::Float),
            field("big", "r8", FieldKind::Float),      field("d", "dateTime", FieldKind::DateTime),
            field("f", "fixed", FieldKind::Fixed),     field("x", "bin.hex", FieldKind::Blob)};
        packet.rows = {PacketRow{0,
                                 {true, 4.5, 33000000.0, QDateTime(QDate(1995, 2, 2), QTime(1, 5, 3)),
                                  QStringLiteral("12.3400"), QByteArray("\x00\xFF", 2)}}};
        QVERIFY(write(packet).contains("<ROW b=\"TRUE\" r=\"4.5\" big=\"33000000\" "
                                       "d=\"19950202T01:05:03000\" f=\"12.3400\" x=\"AP8=\"/>"));
    }
};

HOURGLEN_TEST_MAIN_CORE(TestDataPacketWriter)
#include "tst_DataPacketWriter.moc"
