#include "BoundedRead.h"

#include "schedule/packet/DataPacketCodec.h"
#include "schedule/packet/ScheduleRecord.h"
#include "toolkit/base/Exception.h"
#include "toolkit/table/TableFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

constexpr qint64 SizeLimit = 20 * 1000 * 1000;
constexpr double TimeLimitMs = 5000;
constexpr double MemoryLimitRatio = 50;

// A line of /proc/self/status in kilobytes.
qint64 statusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray wanted = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(wanted))
            return line.mid(wanted.size()).trimmed().split(' ').front().toLongLong();
    }
    return -1;
}

QByteArray head(const QByteArray& fields, const QByteArray& params = "<PARAMS/>")
{
    return "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" +
           fields + "</FIELDS>" + params + "</METADATA><ROWDATA>";
}

const QByteArray Tail = "</ROWDATA></DATAPACKET>";

QByteArray scheduleFields()
{
    TablePacket packet;
    packet.fields = ScheduleRecordFields();
    const QByteArray bytes = TDataPacketCodec().write(packet);
    const qsizetype from = bytes.indexOf("<FIELDS>") + 8;
    return bytes.mid(from, bytes.indexOf("</FIELDS>") - from);
}

QByteArray fieldList(int count, const char* type)
{
    QByteArray fields;
    for (int f = 0; f < count; ++f)
        fields += "<FIELD attrname=\"f" + QByteArray::number(f) + "\" fieldtype=\"" + type + "\"/>";
    return fields;
}

// Rows until the packet reaches the size.
QByteArray fill(QByteArray packet, const std::function<QByteArray(int)>& row, qint64 size)
{
    packet.reserve(size + 4096);
    for (int r = 0; packet.size() + Tail.size() < size; ++r)
        packet += row(r);
    return packet + Tail;
}

// A real schedule: tasks with parameters, weekdays and comments, with a change log.
QByteArray schedule(qint64 size)
{
    TablePacket packet;
    packet.fields = ScheduleRecordFields();
    const qint64 tasks = size / 420;
    for (int i = 0; i < tasks; ++i) {
        PacketRow row;
        row.state = RowState::Inserted;
        row.values.resize(12);
        row.values[0] = QStringLiteral("/home/user/bin/backup-job-%1.sh").arg(i);
        row.values[1] = QStringLiteral("--target \"/srv/backup/set %1\" --verbose").arg(i % 97);
        row.values[3] = QTime(i % 24, i % 60, (i * 7) % 60);
        for (int d = 0; d < 7; ++d)
            row.values[4 + d] = (i + d) % 4 == 0 ? QStringLiteral("1") : QStringLiteral("0");
        row.values[11] =
            QStringLiteral("Task %1: nightly backup of the project share, checked by the morning "
                           "shift.\r\nCall the operator when it fails twice.")
                .arg(i);
        packet.rows.append(row);
        packet.changeLog << uint(i + 1) << 0u << 4u;
    }
    return TDataPacketCodec().write(packet);
}

struct Case
{
    const char* name;
    bool mustRead; // a valid packet that fits the bounds
    std::function<QByteArray()> bytes;
};

QList<Case> cases()
{
    return {
        {"schedule_20mb", true, []() -> QByteArray { return schedule(SizeLimit); }},
        {"schedule_utf16_without_mark", true,
         []() -> QByteArray {
             QStringEncoder encoder(QStringConverter::Utf16LE);
             return QByteArray(encoder(QString::fromLatin1(schedule(SizeLimit / 2))));
         }},
        {"row_of_800000_attributes", false,
         []() -> QByteArray {
             QByteArray packet = head(fieldList(1, "string")) + "<ROW";
             for (int a = 0; a < 800000; ++a)
                 packet += " a" + QByteArray::number(a) + "=\"\"";
             return packet + "/>" + Tail;
         }},
        {"2000_fields_850000_empty_rows", false,
         []() -> QByteArray {
             return head(fieldList(2000, "i4")) + QByteArray("<ROW/>").repeated(850000) + Tail;
         }},
        {"1000000_empty_rows", false,
         []() -> QByteArray {
             return head(scheduleFields()) + QByteArray("<ROW/>").repeated(1000000) + Tail;
         }},
        {"2000_fields_full_rows", false,
         []() -> QByteArray {
             QByteArray row = "<ROW";
             for (int f = 0; f < 2000; ++f)
                 row += " f" + QByteArray::number(f) + "=\"" + QByteArray::number(f % 10) + "\"";
             row += "/>";
             return fill(
                 head(fieldList(2000, "i4")), [&](int) -> QByteArray { return row; }, SizeLimit);
         }},
        {"120_fields_full_rows", true,
         []() -> QByteArray {
             QByteArray row = "<ROW";
             for (int f = 0; f < 120; ++f)
                 row += " f" + QByteArray::number(f) + "=\"" + QByteArray::number(f % 10) + "\"";
             row += "/>";
             return fill(
                 head(fieldList(120, "i4")), [&](int) -> QByteArray { return row; }, SizeLimit);
         }},
        {"sparse_rows_of_50_fields", false,
         []() -> QByteArray {
             return fill(
                 head(fieldList(50, "string")),
                 [](int r) -> QByteArray { return "<ROW f" + QByteArray::number(r % 50) + "=\"x\"/>"; },
                 SizeLimit);
         }},
        {"one_value_of_20mb", true,
         []() -> QByteArray {
             return head(fieldList(1, "string")) + "<ROW f0=\"" + QByteArray(SizeLimit - 400, 'x') + "\"/>" +
                    Tail;
         }},
        {"control_characters", true,
         []() -> QByteArray {
             return head(fieldList(1, "string")) + "<ROW f0=\"" +
                    QByteArray("&#1;\x1B").repeated(SizeLimit / 5 - 100) + "\"/>" + Tail;
         }},
        {"deep_nesting", false,
         []() -> QByteArray {
             const int depth = int(SizeLimit / 8);
             return head(fieldList(1, "string")) + QByteArray("<x>").repeated(depth) +
                    QByteArray("</x>").repeated(depth) + Tail;
         }},
        {"400000_fields", true,
         []() -> QByteArray { return head(fieldList(400000, "string")) + "<ROW f0=\"x\"/>" + Tail; }},
        {"change_log_of_3000000_entries", true,
         []() -> QByteArray {
             return head(fieldList(1, "string"),
                         "<PARAMS CHANGE_LOG=\"" + QByteArray("1 0 4 ").repeated(3000000) + "\"/>") +
                    "<ROW RowState=\"4\" f0=\"x\"/>" + Tail;
         }},
        {"modified_rows_without_memos", false,
         []() -> QByteArray {
             QByteArray fields;
             for (int f = 0; f < 50; ++f)
                 fields += "<FIELD attrname=\"m" + QByteArray::number(f) +
                           "\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>";
             return fill(
                 head(fields), [](int) -> QByteArray { return QByteArray("<ROW RowState=\"8\"/>"); },
                 SizeLimit);
         }},
    };
}

void target(const QByteArray& name, double measured, double limit)
{
    std::printf("target %s: %.1f (limit %g) %s\n", name.constData(), measured, limit,
                measured <= limit ? "met" : "missed");
}

} // namespace

int ReadOnePacket(const char* fileName)
{
    const QString name = QString::fromLocal8Bit(fileName);
    // The peak from here on is what the read adds.
    const qint64 before = statusKb("VmRSS");
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    clear.close();
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpuStart = std::clock();
    QString outcome = QStringLiteral("read");
    QString message;
    qsizetype rows = 0;
    try {
        rows = TDataPacketCodec().read(TableFile::read(name)).rows.size();
    } catch (const Exception& error) {
        outcome = QStringLiteral("refused");
        message = error.message();
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const double cpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
    const qint64 added = statusKb("VmHWM") - before;
    std::printf("%s %.1f %lld %lld %.1f %s\n", qPrintable(outcome), ms, static_cast<long long>(added),
                static_cast<long long>(rows), cpuMs, qPrintable(message));
    return 0;
}

void RunBoundedReadCases(const char* program)
{
    QTemporaryDir dir;
    for (const Case& c : cases()) {
        const QString file = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".xml"));
        qint64 size = 0;
        {
            const QByteArray bytes = c.bytes();
            size = bytes.size();
            QFile out(file);
            if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != size)
                return;
        }
        QProcess child;
        child.start(QString::fromLocal8Bit(program), {QStringLiteral("--read"), file});
        const bool ended = child.waitForFinished(60000);
        if (!ended)
            child.kill(), child.waitForFinished();
        const QList<QByteArray> words = child.readAllStandardOutput().trimmed().split(' ');
        const bool answered = ended && words.size() >= 5;
        const QByteArray outcome = answered ? words[0] : QByteArray("unanswered");
        const double wallMs = answered ? words[1].toDouble() : 60000;
        // The reader's own processor time: on a shared machine the wall clock also counts others' work.
        const double ms = answered ? words[4].toDouble() : 60000;
        const double ratio = answered ? words[2].toDouble() * 1024 / double(size) : 1e9;
        std::printf("bounded read %s: %.1f MB, %s in %.1f ms of processor time (%.1f ms on the wall clock), "
                    "%.1f MB added (%s rows)%s%s\n",
                    c.name, size / 1e6, outcome.constData(), ms, wallMs,
                    answered ? words[2].toDouble() / 1024 : -1.0, answered ? words[3].constData() : "-",
                    words.size() > 5 ? ": " : "", words.size() > 5 ? words.mid(5).join(' ').constData() : "");
        const QByteArray name = QByteArray("bounded_read_") + c.name;
        // A packet that should be read counts as missed when it is refused.
        const bool wrongOutcome = !answered || (c.mustRead && outcome != "read") || outcome == "unanswered";
        target(name + "_ms", wrongOutcome ? TimeLimitMs * 1000 : ms, TimeLimitMs);
        target(name + "_memory_per_byte", ratio, MemoryLimitRatio);
    }
}
