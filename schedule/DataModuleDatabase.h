#pragma once

#include <QObject>

// The field-helper module: presentation of any table's fields, and the image list of the editor grid.
class TDataModule_Database final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDataModule_Database)

public:
    explicit TDataModule_Database(QObject* parent = nullptr);
    ~TDataModule_Database() override;
};

extern TDataModule_Database* DataModule_Database;
