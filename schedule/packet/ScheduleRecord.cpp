#include "schedule/packet/ScheduleRecord.h"

namespace {

struct ScheduleFieldEntry
{
    const char* name;
    FieldKind kind;
    const char* typeWord;
    int size;
};

constexpr ScheduleFieldEntry ScheduleRecord[] = {
    {"taskname", FieldKind::String, "string", 254},  {"taskparm", FieldKind::String, "string", 254},
    {"launchdate", FieldKind::Date, "date", 0},      {"launchtime", FieldKind::Time, "time", 0},
    {"launchcbsun", FieldKind::String, "string", 2}, {"launchcbmon", FieldKind::String, "string", 2},
    {"launchcbtue", FieldKind::String, "string", 2}, {"launchcbwed", FieldKind::String, "string", 2},
    {"launchcbthu", FieldKind::String, "string", 2}, {"launchcbfri", FieldKind::String, "string", 2},
    {"launchcbsat", FieldKind::String, "string", 2}, {"taskmemo", FieldKind::Memo, "bin.hex", 0},
};

} // namespace

QList<PacketField> ScheduleRecordFields()
{
    QList<PacketField> fields;
    for (const ScheduleFieldEntry& entry : ScheduleRecord) {
        PacketField field;
        field.name = QLatin1String(entry.name);
        field.typeWord = QLatin1String(entry.typeWord);
        field.kind = entry.kind;
        field.size = entry.size;
        if (entry.kind == FieldKind::Memo)
            field.subtype = QStringLiteral("Text");
        fields.append(field);
    }
    return fields;
}
