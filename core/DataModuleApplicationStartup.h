#pragma once

#include <QObject>
#include <QString>

// Folder identifiers of the special-folder look-up.
inline constexpr int CSIDL_COMMON_APPDATA = 0x23; // the shared data folder's parent
inline constexpr int CSIDL_LOCAL_APPDATA = 0x1C;  // the per-user configuration folder's parent

// The startup module: reads the program file's version information, fills the
// environment record (DataPath, ConfigPath), creates the configuration folder and fixes the date
// separator. It holds no data of its own.
class TDataModule_ApplicationStartup final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDataModule_ApplicationStartup)

public:
    // programFile: the running program's full path; empty means the application's own file.
    explicit TDataModule_ApplicationStartup(const QString& programFile = QString(),
                                            QObject* parent = nullptr);
    ~TDataModule_ApplicationStartup() override;

    // The special folder's path without a trailing separator, or an empty text for an unknown
    // identifier or a folder that cannot be determined. The folder is never created.
    QString GetSpecialFolderPath(int csidl);

private:
    void DataModuleCreate();

    QString m_programFile;
};

extern TDataModule_ApplicationStartup* DataModule_ApplicationStartup;
