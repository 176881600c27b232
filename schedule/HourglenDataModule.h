#pragma once

#include <QObject>

// The schedule module: the schedule table, its data source and the trigger list.
class TDataModule_Hourglen final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDataModule_Hourglen)

public:
    explicit TDataModule_Hourglen(QObject* parent = nullptr);
    ~TDataModule_Hourglen() override;

private:
    void DataModuleCreate();
};

extern TDataModule_Hourglen* DataModule_Hourglen;
