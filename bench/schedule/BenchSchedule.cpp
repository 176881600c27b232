// A schedule of 10,000 tasks with comments and a change log of 10,000 entries: how long the writer
// and the reader take, beside a plain QXmlStreamReader pass over the same bytes.

#include "schedule/packet/DataPacketCodec.h"
#include "schedule/packet/ScheduleRecord.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QTime>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Tasks = 10000;
constexpr int Rounds = 7;

TablePacket schedule()
{
    TablePacket packet;
    packet.fields = ScheduleRecordFields();
    packet.rows.reserve(Tasks);
    packet.changeLog.reserve(3 * Tasks);
    for (int i = 0; i < Tasks; ++i) {
        PacketRow row;
        row.state = RowState::Inserted;
        row.values.resize(12);
        row.values[0] = QStringLiteral("C:\\Tools\\Nightly\\backup-job-%1.bat").arg(i);
        row.values[1] = QStringLiteral("--target \"D:\\Backup\\Set %1\" --verbose").arg(i % 97);
        if (i % 3 == 0)
            row.values[2] = QDate(2026, 1 + i % 12, 1 + i % 28);
        row.values[3] = QTime(i % 24, i % 60, (i * 7) % 60, i % 1000);
        for (int d = 0; d < 7; ++d)
            row.values[4 + d] = (i % 3 != 0 && (i + d) % 4 == 0) ? QStringLiteral("1") : QStringLiteral("0");
        row.values[11] =
            QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Task %1: nightly "
                           "backup of the project share, checked by the morning shift.\\par\r\n}\r\n")
                .arg(i);
        packet.rows.append(row);
        packet.changeLog << uint(i + 1) << 0u << 4u;
    }
    return packet;
}

// The fastest of several rounds, in milliseconds.
double best(const std::function<void()>& work)
{
    double fastest = 1e300;
    for (int r = 0; r < Rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        fastest = std::min(fastest, timer.nsecsElapsed() / 1e6);
    }
    return fastest;
}

void target(const char* name, double ratio, double limit)
{
    std::printf("target %s: %.3f (limit %g) %s\n", name, ratio, limit, ratio <= limit ? "met" : "missed");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const TDataPacketCodec codec;
    const TablePacket packet = schedule();
    QByteArray bytes;
    qsizetype rows = 0;
    qsizetype elements = 0;

    const double write = best([&] { bytes = codec.write(packet); });
    const double read = best([&] { rows = codec.read(bytes).rows.size(); });
    const double parse = best([&] {
        QXmlStreamReader xml(bytes);
        qsizetype count = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement)
                ++count;
        }
        elements = xml.hasError() ? -1 : count;
    });

    std::printf(
        "schedule: %d tasks, change log of %lld entries, %lld bytes, %lld rows read, %lld elements parsed\n",
        Tasks, static_cast<long long>(packet.changeLog.size() / 3), static_cast<long long>(bytes.size()),
        static_cast<long long>(rows), static_cast<long long>(elements));
    std::printf("write %.2f ms, read %.2f ms, plain QXmlStreamReader pass %.2f ms (best of %d)\n", write,
                read, parse, Rounds);
    target("read_vs_parser", read / parse, 3);
    target("write_vs_read", write / read, 1);
    return 0;
}
