#include "schedule/HourglenDataModule.h"

#include "core/DataModuleDebug.h"

TDataModule_Hourglen* DataModule_Hourglen = nullptr;

TDataModule_Hourglen::TDataModule_Hourglen(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("DataModule_Hourglen"));
    DataModule_Hourglen = this;
    DataModuleCreate();
}

TDataModule_Hourglen::~TDataModule_Hourglen()
{
    if (DataModule_Hourglen == this)
        DataModule_Hourglen = nullptr;
}

void TDataModule_Hourglen::DataModuleCreate()
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.DataModuleCreate"));
    TraceEnd();
}
