#include "common/TestMain.h"
#include "schedule/packet/DataPacketCodec.h"
#include "toolkit/base/Exception.h"

#include "common/ScheduleFixture.h"
#include "common/SharedPackets.h"

#include <QDir>
#include <QTest>

#include <cmath>
#include <random>

using namespace ScheduleFixture;

// The reader over a few thousand mutated packets: each either loads or is refused with an Exception,
// and whatever loads is a packet the engine can trust and the writer can write back.
class TestDataPacketMutations final : public QObject
{
    Q_OBJECT

private:
    QList<QByteArray> m_seeds;

    static QByteArray schedulePacket()
    {
        TablePacket packet;
        packet.fields = scheduleFields();
        for (int i = 0; i < 4; ++i) {
            PacketRow row = weekdayRow(RowState::Inserted, QStringLiteral("mw"));
            row.values[TaskName] = QStringLiteral("C:\\Tools\\job%1.bat & <x>").arg(i);
            row.values[LaunchDate] = QDate(2020 + i, 1 + i, 10);
            row.values[LaunchTime] = QTime(i, 15, 30, 125);
            row.values[TaskMemo] = QStringLiteral("memo %1\r\nЖ €").arg(i);
            packet.rows.append(row);
            packet.changeLog << uint(i + 1) << 0u << 4u;
        }
        packet.rows[0].state |= RowState::Original;
        PacketRow modified = packet.rows[0];
        modified.state = RowState::Inserted | RowState::Modified;
        modified.values[TaskParm] = QStringLiteral("-v");
        packet.rows.append(modified);
        packet.changeLog << 5u << 1u << 8u << 3u << 0u << 2u;
        packet.rows[2].state |= RowState::Deleted;
        return TDataPacketCodec().write(packet);
    }

    static QByteArray mutate(QByteArray bytes, std::mt19937& random)
    {
        static const QByteArray tokens[] = {"<",
                                            ">",
                                            "\"",
                                            "'",
                                            "&",
                                            "&#",
                                            "&#x",
                                            ";",
                                            "&#092;",
                                            "&#1046;",
                                            "&#99999999;",
                                            "&#xD800;",
                                            "&amp;",
                                            "=",
                                            "/>",
                                            "</ROW>",
                                            "<ROW/>",
                                            "<ROW RowState=\"8\"/>",
                                            "RowState=\"12\" ",
                                            " taskmemo=\"\"",
                                            "<FIELD attrname=\"x\" fieldtype=\"i4\"/>",
                                            "<PARAM Name=\"a\" Value=\"b\"/>",
                                            "CHANGE_LOG=\"1 0 8\" ",
                                            "<![CDATA[x]]>",
                                            "<!-- c -->",
                                            "<?pi x?>",
                                            "\xEF\xBB\xBF",
                                            "\xC3\xA9",
                                            "\xE9",
                                            "\x80",
                                            "\x00",
                                            "encoding=\"UTF-8\" ",
                                            "99991231",
                                            "25:61:99999",
                                            "====",
                                            "SGVsbG8=",
                                            "\r\n",
                                            "<METADATA>",
                                            "</ROWDATA>",
                                            "<DATAPACKET>"};
        const auto pick = [&random](qsizetype n) {
            return n <= 0 ? qsizetype(0)
                          : qsizetype(std::uniform_int_distribution<qsizetype>(0, n - 1)(random));
        };
        const int steps = 1 + int(pick(4));
        for (int s = 0; s < steps; ++s) {
            const qsizetype at = pick(bytes.size() + 1);
            switch (pick(7)) {
            case 0:
                if (at < bytes.size())
                    bytes[at] = char(pick(256));
                break;
            case 1:
                bytes.insert(at, char(pick(256)));
                break;
            case 2:
                bytes.remove(at, 1 + pick(64));
                break;
            case 3: {
                const qsizetype from = pick(bytes.size());
                bytes.insert(at, bytes.mid(from, 1 + pick(200)));
                break;
            }
            case 4:
                bytes.insert(at, tokens[pick(std::size(tokens))]);
                break;
            case 5:
                bytes.truncate(at);
                break;
            default:
                if (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9')
                    bytes[at] = char('0' + pick(10));
                else
                    bytes.insert(at, QByteArray::number(qint64(pick(1000000))));
                break;
            }
        }
        return bytes;
    }

    static bool hasNaN(const TablePacket& packet)
    {
        for (const PacketRow& row : packet.rows) {
            for (const QVariant& value : row.values) {
                if (value.typeId() == QMetaType::Double && std::isnan(value.toDouble()))
                    return true;
            }
        }
        return false;
    }

    void addSeeds(const QString& folder)
    {
        const QDir dir(folder);
        for (const QString& name : dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name)) {
            const QByteArray bytes = readFile(dir.filePath(name));
            if (!bytes.isEmpty())
                m_seeds.append(bytes);
        }
    }

private slots:
    void initTestCase()
    {
        // Our own packets first, so the test runs wherever the project is; the packets of other
        // programs add to them where they are beside the project.
        addSeeds(QStringLiteral(HOURGLEN_TEST_DATA "/schedule"));
        m_seeds.append(schedulePacket());
        QVERIFY2(m_seeds.size() >= 6, "the project's own packets are missing from tests/data/schedule");
        if (SharedPackets::available())
            addSeeds(SharedPackets::folder());
        else
            qInfo("the packets of other programs are not beside the project; mutating our own only");
    }

    void seedsLoad()
    {
        for (const QByteArray& seed : std::as_const(m_seeds)) {
            try {
                TDataPacketCodec().read(seed);
            } catch (const Exception& error) {
                if (!error.message().contains(QLatin1String("field type")))
                    QFAIL(qPrintable(error.message()));
            }
        }
    }

    void mutatedPackets()
    {
        std::mt19937 random(20261210u);
        const TDataPacketCodec codec;
        int loaded = 0;
        int refused = 0;
        for (int i = 0; i < 3000; ++i) {
            const QByteArray input = mutate(m_seeds[i % m_seeds.size()], random);
            TablePacket packet;
            try {
                packet = codec.read(input);
            } catch (const Exception&) {
                ++refused;
                continue;
            }
            ++loaded;
            // What loads is whole: a value per field in every row, a change log within the rows.
            for (const PacketRow& row : std::as_const(packet.rows))
                QCOMPARE(row.values.size(), packet.fields.size());
            QCOMPARE(packet.changeLog.size() % 3, 0);
            for (qsizetype c = 0; c < packet.changeLog.size(); c += 3) {
                QVERIFY(packet.changeLog[c] >= 1 && packet.changeLog[c] <= uint(packet.rows.size()));
                QVERIFY(packet.changeLog[c + 1] <= uint(packet.rows.size()));
            }
            QByteArray written;
            try {
                written = codec.write(packet);
            } catch (const Exception&) {
                continue; // a name the code page cannot hold; nothing is written
            }
            TablePacket back;
            try {
                back = codec.read(written);
            } catch (const Exception& error) {
                QFAIL(qPrintable(QStringLiteral("mutation %1: the writer's own file is refused: %2")
                                     .arg(i)
                                     .arg(error.message())));
            }
            if (packet.changeLog.isEmpty()) {
                // Without a log only the current rows are written, and without their states.
                QList<PacketRow> current;
                for (PacketRow row : std::as_const(packet.rows)) {
                    if (row.state & RowState::NotCurrent)
                        continue;
                    row.state = 0;
                    current.append(row);
                }
                packet.rows = current;
            }
            if (!hasNaN(packet) && !(back == packet)) {
                // A cleared memo of a modified version may come back empty instead of null.
                QCOMPARE(back.fields, packet.fields);
                QCOMPARE(back.params, packet.params);
                QCOMPARE(back.changeLog, packet.changeLog);
                QCOMPARE(back.rows.size(), packet.rows.size());
                for (qsizetype r = 0; r < back.rows.size(); ++r) {
                    for (qsizetype f = 0; f < back.fields.size(); ++f) {
                        const QVariant& a = back.rows[r].values[f];
                        const QVariant& b = packet.rows[r].values[f];
                        if (a == b || (packet.rows[r].state & RowState::Modified && !b.isValid() &&
                                       a.toString().isEmpty()))
                            continue;
                        QFAIL(
                            qPrintable(QStringLiteral("mutation %1: row %2 field %3 differs after a rewrite")
                                           .arg(i)
                                           .arg(r)
                                           .arg(f)));
                    }
                }
            }
        }
        qInfo("%d mutated packets loaded, %d refused", loaded, refused);
        QVERIFY(loaded > 0);
        QVERIFY(refused > 0);
    }
};

HOURGLEN_TEST_MAIN_CORE(TestDataPacketMutations)
#include "tst_DataPacketMutations.moc"
