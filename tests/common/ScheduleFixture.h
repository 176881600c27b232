#pragma once

#include "toolkit/table/TablePacket.h"

#include <QFile>
#include <QString>

// The schedule record as the table defines it, for building packets by hand.
namespace ScheduleFixture {

enum Column
{
    TaskName,
    TaskParm,
    LaunchDate,
    LaunchTime,
    LaunchCbSun,
    LaunchCbMon,
    LaunchCbTue,
    LaunchCbWed,
    LaunchCbThu,
    LaunchCbFri,
    LaunchCbSat,
    TaskMemo
};

inline PacketField field(const char* name, const char* typeWord, FieldKind kind, int size = 0,
                         const char* subtype = "")
{
    PacketField f;
    f.name = QString::fromLatin1(name);
    f.typeWord = QString::fromLatin1(typeWord);
    f.kind = kind;
    f.size = size;
    f.subtype = QString::fromLatin1(subtype);
    return f;
}

// Written out here, apart from the table's own definition, so the byte tests check the format itself.
inline QList<PacketField> scheduleFields()
{
    QList<PacketField> fields{field("taskname", "string", FieldKind::String, 254),
                              field("taskparm", "string", FieldKind::String, 254),
                              field("launchdate", "date", FieldKind::Date),
                              field("launchtime", "time", FieldKind::Time)};
    for (const char* day : {"launchcbsun", "launchcbmon", "launchcbtue", "launchcbwed", "launchcbthu",
                            "launchcbfri", "launchcbsat"})
        fields.append(field(day, "string", FieldKind::String, 2));
    fields.append(field("taskmemo", "bin.hex", FieldKind::Memo, 0, "Text"));
    return fields;
}

// A row with every value null but the weekday flags, which are "0" unless named in days.
inline PacketRow weekdayRow(int state, const QString& days = {})
{
    PacketRow row;
    row.state = state;
    row.values.resize(12);
    const QString letters = QStringLiteral("smtwhfa"); // sun mon tue wed thu fri sat
    for (int d = 0; d < 7; ++d)
        row.values[LaunchCbSun + d] = days.contains(letters[d]) ? QStringLiteral("1") : QStringLiteral("0");
    return row;
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The fixed head of every FIELDS list of a schedule file.
inline QByteArray scheduleFieldsXml()
{
    QByteArray xml = "<FIELD attrname=\"taskname\" fieldtype=\"string\" WIDTH=\"254\"/>"
                     "<FIELD attrname=\"taskparm\" fieldtype=\"string\" WIDTH=\"254\"/>"
                     "<FIELD attrname=\"launchdate\" fieldtype=\"date\"/>"
                     "<FIELD attrname=\"launchtime\" fieldtype=\"time\"/>";
    for (const char* day : {"launchcbsun", "launchcbmon", "launchcbtue", "launchcbwed", "launchcbthu",
                            "launchcbfri", "launchcbsat"})
        xml += QByteArray("<FIELD attrname=\"") + day + "\" fieldtype=\"string\" WIDTH=\"2\"/>";
    xml += "<FIELD attrname=\"taskmemo\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>";
    return xml;
}

} // namespace ScheduleFixture
