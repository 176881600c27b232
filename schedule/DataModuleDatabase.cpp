#include "schedule/DataModuleDatabase.h"

TDataModule_Database* DataModule_Database = nullptr;

TDataModule_Database::TDataModule_Database(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("DataModule_Database"));
    DataModule_Database = this;
}

TDataModule_Database::~TDataModule_Database()
{
    if (DataModule_Database == this)
        DataModule_Database = nullptr;
}
