#include "common/TestMain.h"
#include "schedule/packet/DataPacketCodec.h"
#include "toolkit/base/Exception.h"

#include "common/ScheduleFixture.h"
#include "common/SharedPackets.h"

#include <QTest>

using namespace ScheduleFixture;

// What the writer writes, the reader reads back unchanged: the schedule record and the real packets
// of other programs.
class TestDataPacketRoundTrip final : public QObject
{
    Q_OBJECT

private:
    static TablePacket roundTrip(const TablePacket& packet)
    {
        const TDataPacketCodec codec;
        return codec.read(codec.write(packet));
    }

    static QString shared(const char* name) { return SharedPackets::file(name); }

private slots:
    void value_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QVariant>("value");
        const auto text = [](const char* t) { return QVariant(QString::fromUtf8(t)); };
        QTest::newRow("ampersand") << int(TaskName) << text("Tom & Jerry");
        QTest::newRow("less-than and greater-than") << int(TaskName) << text("<a> b>c");
        QTest::newRow("double quote") << int(TaskName) << text("say \"hi\"");
        QTest::newRow("apostrophe") << int(TaskName) << text("it's");
        QTest::newRow("backslash path") << int(TaskName) << text("C:\\Program Files\\x.exe");
        QTest::newRow("tab") << int(TaskParm) << text("a\tb");
        QTest::newRow("line breaks in a string") << int(TaskParm) << text("one\r\ntwo\nthree\r");
        QTest::newRow("every escaped character") << int(TaskParm) << text("\t\n\r\"&'<>\\");
        QTest::newRow("entity-like text") << int(TaskParm) << text("&amp; &#092; &lt;");
        QTest::newRow("empty string") << int(TaskParm) << text("");
        QTest::newRow("windows-1252 letters") << int(TaskName) << text("Grüße € „quoted“ ™");
        QTest::newRow("beyond windows-1252 in a string") << int(TaskName) << text("Жук 中文 😀");
        QTest::newRow("year 990") << int(LaunchDate) << QVariant(QDate(990, 1, 1));
        QTest::newRow("year 9999") << int(LaunchDate) << QVariant(QDate(9999, 12, 31));
        QTest::newRow("milliseconds") << int(LaunchTime) << QVariant(QTime(8, 15, 0, 375));
        QTest::newRow("last millisecond of the day") << int(LaunchTime) << QVariant(QTime(23, 59, 59, 999));
        QTest::newRow("memo with line breaks")
            << int(TaskMemo) << text("{\\rtf1 line one\\par\r\nline two}\r\n");
        QTest::newRow("memo in windows-1252") << int(TaskMemo) << text("café € done");
        QTest::newRow("memo beyond windows-1252") << int(TaskMemo) << text("Привет, 世界 😀\r\n");
        QTest::newRow("memo that looks like a mark") << int(TaskMemo) << text("ï»¿ three letters");
        QTest::newRow("long memo") << int(TaskMemo) << QVariant(QString(5000, QLatin1Char('z')));
        QTest::newRow("empty memo") << int(TaskMemo) << text("");
    }

    void value()
    {
        QFETCH(int, column);
        QFETCH(QVariant, value);
        TablePacket packet;
        packet.fields = scheduleFields();
        PacketRow row = weekdayRow(RowState::Inserted, QStringLiteral("mf"));
        row.values[column] = value;
        packet.rows.append(row);
        packet.changeLog = {1, 0, 4};
        const TablePacket back = roundTrip(packet);
        QCOMPARE(back.rows.size(), 1);
        QCOMPARE(back.rows[0].values[column], value);
        QCOMPARE(back, packet);
    }

    void changeLogVersions()
    {
        // Row 1 modified twice (states 1, 9, 8), row 4 inserted and deleted, a memo kept and one cleared.
        TablePacket packet;
        packet.fields = scheduleFields();
        PacketRow v1 = weekdayRow(RowState::Original, QStringLiteral("s"));
        v1.values[TaskName] = QStringLiteral("/bin/true");
        v1.values[TaskMemo] = QStringLiteral("kept");
        PacketRow v2 = v1;
        v2.state = RowState::Original | RowState::Modified;
        v2.values[TaskParm] = QStringLiteral("-x");
        PacketRow v3 = v2;
        v3.state = RowState::Modified;
        v3.values[LaunchTime] = QTime(6, 30);
        PacketRow other = weekdayRow(RowState::Inserted | RowState::Original);
        other.values[TaskMemo] = QStringLiteral("to be cleared");
        PacketRow otherNew = weekdayRow(RowState::Inserted | RowState::Modified);
        PacketRow gone = weekdayRow(RowState::Inserted | RowState::Deleted);
        packet.rows = {v1, v2, v3, other, otherNew, gone};
        packet.changeLog = {2, 1, 8, 3, 2, 8, 4, 0, 4, 5, 4, 8, 6, 0, 4, 6, 0, 2};

        const TDataPacketCodec codec;
        const QByteArray bytes = codec.write(packet);
        // The unchanged memo is left out of both later versions of row 1.
        QCOMPARE(bytes.count("taskmemo=\"a2VwdA==\""), 1);
        TablePacket back = codec.read(bytes);
        QCOMPARE(back.rows[2].values[TaskMemo], QVariant(QStringLiteral("kept")));
        QCOMPARE(back.rows[4].values[TaskMemo], QVariant(QString(QLatin1String(""))));
        // A cleared memo comes back empty rather than null; everything else is as written.
        back.rows[4].values[TaskMemo] = QVariant();
        QCOMPARE(back, packet);
        QCOMPARE(codec.write(back), bytes);
    }

    void sharedPackets_data()
    {
        HOURGLEN_SKIP_WITHOUT_SHARED_PACKETS();
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("current");
        QTest::newRow("country_basic") << shared("country_basic.xml") << 18;
        QTest::newRow("customers_memo_plaintext") << shared("customers_memo_plaintext.xml") << 30;
        QTest::newRow("orders_datetime_mixed") << shared("orders_datetime_mixed.xml") << 205;
        QTest::newRow("countries_changelog_memo_utf8") << shared("countries_changelog_memo_utf8.xml") << 18;
        QTest::newRow("empty_rowdata") << shared("empty_rowdata.xml") << 0;
        QTest::newRow("field_param_child") << shared("field_param_child.xml") << 55;
    }

    void sharedPackets()
    {
        QFETCH(QString, file);
        QFETCH(int, current);
        const QByteArray bytes = readFile(file);
        QVERIFY2(!bytes.isEmpty(), qPrintable(file));
        const TDataPacketCodec codec;
        const TablePacket packet = codec.read(bytes);
        const auto count = std::count_if(packet.rows.cbegin(), packet.rows.cend(), [](const PacketRow& row) {
            return !(row.state & RowState::NotCurrent);
        });
        QCOMPARE(int(count), current);
        QCOMPARE(roundTrip(packet), packet);
    }

    void sharedValues()
    {
        HOURGLEN_SKIP_WITHOUT_SHARED_PACKETS();
        const TDataPacketCodec codec;
        const TablePacket country = codec.read(readFile(shared("country_basic.xml")));
        QCOMPARE(country.fields[3].kind, FieldKind::Float);
        QCOMPARE(country.rows[0].values,
                 (QList<QVariant>{QStringLiteral("Argentina"), QStringLiteral("Buenos Aires"),
                                  QStringLiteral("South America"), 2777815.0, 32300003.0}));
        QCOMPARE(country.params.size(), 3);
        QCOMPARE(country.params[2],
                 (PacketParam{QStringLiteral("LCID"), QStringLiteral("2057"), QStringLiteral("i2")}));
        QVERIFY(country.changeLog.isEmpty());
        // With no change log and no states, a rewrite gives the file's own bytes back.
        QCOMPARE(codec.write(country), readFile(shared("country_basic.xml")));

        const TablePacket customers = codec.read(readFile(shared("customers_memo_plaintext.xml")));
        QCOMPARE(customers.fields[0].kind, FieldKind::Integer);
        QVERIFY(customers.fields[0].readonly);
        QCOMPARE(customers.fields[0].subtype, QStringLiteral("Autoinc"));
        QCOMPARE(customers.fields[13].kind, FieldKind::Memo);
        QCOMPARE(customers.rows[0].values[0], QVariant(qlonglong(1)));
        QCOMPARE(
            customers.rows[0].values[13],
            QVariant(QStringLiteral("VIP status since 1995.  Check on availability for translations (French, "
                                    "Indonesian)")));
        QCOMPARE(customers.rows[1].values[4], QVariant(QStringLiteral("Via Dell'Anguillara 10")));
        QVERIFY(!customers.rows[1].values[5].isValid());

        const TablePacket orders = codec.read(readFile(shared("orders_datetime_mixed.xml")));
        QVERIFY(orders.fields[1].required);
        QCOMPARE(orders.fields[2].typeWord, QStringLiteral("dateTime"));
        QCOMPARE(orders.rows[0].values[2], QVariant(QDateTime(QDate(1988, 4, 12), QTime(0, 0))));
        QCOMPARE(orders.rows[0].values[3], QVariant(QDateTime(QDate(1988, 5, 3), QTime(12, 0))));
        QCOMPARE(orders.fields[17].subtype, QStringLiteral("Money"));

        const TablePacket countries = codec.read(readFile(shared("countries_changelog_memo_utf8.xml")));
        QCOMPARE(countries.rows.size(), 19);
        QCOMPARE(countries.changeLog.size(), 57);
        QCOMPARE(countries.changeLog.mid(54), (QList<uint>{19, 1, 8}));
        QCOMPARE(countries.rows[0].state, 5);
        QCOMPARE(countries.rows[18].state, 12);
        QCOMPARE(countries.rows[1].values[5], QVariant(QStringLiteral("This is memo 2")));
        QCOMPARE(
            countries.rows[18].values[5],
            QVariant(QStringLiteral("This is memo line 1\r\nThis is memo line 2\r\nThis is memo line 3\r\n"
                                    "This is memo line 4\r\n")));

        const TablePacket empty = codec.read(readFile(shared("empty_rowdata.xml")));
        QCOMPARE(empty.fields.size(), 7);
        QCOMPARE(empty.fields[4].kind, FieldKind::Date);
        QVERIFY(empty.rows.isEmpty());

        const TablePacket child = codec.read(readFile(shared("field_param_child.xml")));
        QCOMPARE(child.fields[0].params,
                 (QList<PacketParam>{
                     {QStringLiteral("PROVFLAGS"), QStringLiteral("7"), QStringLiteral("i4"), true, true}}));
        QCOMPARE(child.rows[0].values[12], QVariant(QDateTime(QDate(1995, 2, 2), QTime(1, 5, 3))));
        QCOMPARE(codec.write(child), readFile(shared("field_param_child.xml")));
    }
};

HOURGLEN_TEST_MAIN_CORE(TestDataPacketRoundTrip)
#include "tst_DataPacketRoundTrip.moc"
