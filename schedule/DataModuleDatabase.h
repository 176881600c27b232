#pragma once

#include "toolkit/widgets/ImageList.h"

#include <QObject>
#include <QString>

class ClientTable;

// The field-helper module: presentation of any table's fields, and the image list of the editor grid.
class TDataModule_Database final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDataModule_Database)

public:
    explicit TDataModule_Database(QObject* parent = nullptr);
    ~TDataModule_Database() override;

    // 0 sort arrow down, 1 its disabled look, 2 sort arrow up, 3 its disabled look, 4 a page.
    const ImageList& ImageList_ForData() const { return m_imageListForData; }

    // Each raises "<table>: Field '<name>' not found" for a name the table lacks, changing nothing.
    void SetFieldDisplayName(ClientTable& table, const QString& fieldName, const QString& displayName);
    void SetFieldDisplayWidth(ClientTable& table, const QString& fieldName, int displayWidth);
    void SetFieldVisible(ClientTable& table, bool visible);

private:
    ImageList m_imageListForData;
};

extern TDataModule_Database* DataModule_Database;
