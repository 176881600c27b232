#include "core/DataModuleApplicationStartup.h"

#include "core/ApplicationGlobal.h"
#include "core/DataModuleDebug.h"
#include "core/FormatSettings.h"
#include "platform/StandardFolders.h"
#include "support/VersionInformation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

TDataModule_ApplicationStartup* DataModule_ApplicationStartup = nullptr;

namespace {
// Resource texts of this module.
const QString CompanyName = QStringLiteral("Quillfern");
const QString PathFormat = QStringLiteral("%1/%2/%3/%4/");
const QString PathMissing = QStringLiteral("Configuration Path does not exist");
const QString PathBuilt = QStringLiteral("%1 path built successfully");
const QString PathFailed = QStringLiteral("%1 path force build failed");
} // namespace

TDataModule_ApplicationStartup::TDataModule_ApplicationStartup(const QString& programFile, QObject* parent)
    : QObject(parent), m_programFile(programFile)
{
    setObjectName(QStringLiteral("DataModule_ApplicationStartup"));
    if (m_programFile.isEmpty())
        m_programFile = QCoreApplication::applicationFilePath();
    DataModule_ApplicationStartup = this;
    DataModuleCreate();
}

TDataModule_ApplicationStartup::~TDataModule_ApplicationStartup()
{
    if (DataModule_ApplicationStartup == this)
        DataModule_ApplicationStartup = nullptr;
}

QString TDataModule_ApplicationStartup::GetSpecialFolderPath(int csidl)
{
    TraceBegin(QStringLiteral("TDataModule_ApplicationStartup.GetSpecialFolderPath"));
    QString path;
    if (csidl == CSIDL_COMMON_APPDATA)
        path = SpecialFolders::path(SpecialFolders::Folder::CommonAppData);
    else if (csidl == CSIDL_LOCAL_APPDATA)
        path = SpecialFolders::path(SpecialFolders::Folder::LocalAppData);
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    TraceEnd();
    return path;
}

void TDataModule_ApplicationStartup::DataModuleCreate()
{
    TraceBegin(QStringLiteral("TDataModule_ApplicationStartup.DataModuleCreate"));
    VersionInformation::FileVersionInformation(m_programFile);
    const QString version = VersionInformation::Values.ProductVersion;

    ApplicationGlobal::DataPath = PathFormat.arg(GetSpecialFolderPath(CSIDL_COMMON_APPDATA), CompanyName,
                                                 QString::fromUtf16(AppName), version);
    ApplicationGlobal::ConfigPath = PathFormat.arg(GetSpecialFolderPath(CSIDL_LOCAL_APPDATA), CompanyName,
                                                   QString::fromUtf16(AppName), version);

    const QString& config = ApplicationGlobal::ConfigPath;
    if (!QFileInfo(config).isDir()) {
        DebugLine(PathMissing);
        DebugLine(config);
        DebugLine((QDir().mkpath(config) ? PathBuilt : PathFailed).arg(config));
    }

    FormatSettings.SetDateSeparator(u'/');
    TraceEnd();
}
