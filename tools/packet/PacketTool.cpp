// hourglen-packet FILE              prints the fields and the current rows of a data packet
// hourglen-packet --rewrite OUT FILE  reads FILE and writes it to OUT through the writer

#include "schedule/packet/DataPacketCodec.h"
#include "schedule/packet/DataPacketText.h"
#include "toolkit/base/Exception.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QTime>

#include <cstdio>

namespace {

QByteArray readFile(const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(name, file.errorString()));
    return file.readAll();
}

void writeFile(const QString& name, const QByteArray& bytes)
{
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(name, file.errorString()));
}

QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString cell(const PacketField& field, const QVariant& value)
{
    if (!value.isValid())
        return {};
    switch (field.kind) {
    case FieldKind::Date:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case FieldKind::Time:
        return value.toTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    case FieldKind::DateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    case FieldKind::Boolean:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case FieldKind::Integer:
        return QString::number(value.toLongLong());
    case FieldKind::Float:
        return QString::fromLatin1(DataPacketText::FormatFloat(value.toDouble()));
    case FieldKind::Blob:
        return QString::fromLatin1(value.toByteArray().toBase64());
    case FieldKind::String:
    case FieldKind::Fixed:
    case FieldKind::Memo:
    case FieldKind::Other:
        break;
    }
    return escaped(value.toString());
}

void print(const TablePacket& packet)
{
    QByteArray out;
    for (const PacketField& field : packet.fields)
        out += ("field\t" + escaped(field.name) + u'\t' + field.typeWord + u'\n').toUtf8();
    for (const PacketRow& row : packet.rows) {
        if (row.state & RowState::NotCurrent)
            continue;
        QString line = QStringLiteral("row");
        for (qsizetype f = 0; f < packet.fields.size(); ++f)
            line += u'\t' + cell(packet.fields[f], f < row.values.size() ? row.values[f] : QVariant());
        out += line.toUtf8() + '\n';
    }
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
}

int usage()
{
    std::fputs("usage: hourglen-packet FILE\n       hourglen-packet --rewrite OUT FILE\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool rewrite = !args.isEmpty() && args.front() == QLatin1String("--rewrite");
    if ((rewrite && args.size() != 3) || (!rewrite && args.size() != 1))
        return usage();
    try {
        const TDataPacketCodec codec;
        const TablePacket packet = codec.read(readFile(args.back()));
        if (rewrite)
            writeFile(args[1], codec.write(packet));
        else
            print(packet);
    } catch (const Exception& error) {
        std::fprintf(stderr, "%s\n", error.message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
