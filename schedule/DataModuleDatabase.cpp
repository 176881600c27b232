#include "schedule/DataModuleDatabase.h"

#include "core/DataModuleDebug.h"
#include "toolkit/table/ClientTable.h"

TDataModule_Database* DataModule_Database = nullptr;

namespace {

ImageList LoadImageListForData()
{
    ImageList list(QSize(16, 16));
    for (const char* name : {"sort_down", "sort_down_disabled", "sort_up", "sort_up_disabled", "page"})
        list.add(QImage(QStringLiteral(":/schedule/images/%1.png").arg(QLatin1String(name))));
    return list;
}

} // namespace

TDataModule_Database::TDataModule_Database(QObject* parent) : QObject(parent)
{
    Q_INIT_RESOURCE(DataImages); // the resource lives in a static library
    setObjectName(QStringLiteral("DataModule_Database"));
    m_imageListForData = LoadImageListForData();
    DataModule_Database = this;
}

TDataModule_Database::~TDataModule_Database()
{
    if (DataModule_Database == this)
        DataModule_Database = nullptr;
}

void TDataModule_Database::SetFieldDisplayName(ClientTable& table, const QString& fieldName,
                                               const QString& displayName)
{
    TraceBegin(QStringLiteral("TDataModule_Database.SetFieldDisplayName"));
    table.fieldByName(fieldName).setDisplayLabel(displayName);
    TraceEnd();
}

void TDataModule_Database::SetFieldDisplayWidth(ClientTable& table, const QString& fieldName,
                                                int displayWidth)
{
    TraceBegin(QStringLiteral("TDataModule_Database.SetFieldDisplayWidth"));
    table.fieldByName(fieldName).setDisplayWidth(displayWidth);
    TraceEnd();
}

void TDataModule_Database::SetFieldVisible(ClientTable& table, bool visible)
{
    TraceBegin(QStringLiteral("TDataModule_Database.SetFieldVisible"));
    for (TableField* field : table.fields())
        field->setVisible(visible);
    TraceEnd();
}
