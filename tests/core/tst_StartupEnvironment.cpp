// The startup module, the environment record, the configuration folder, the date separator.
// This executable carries the program's version-information block, so reading its own file gives
// the product version "2.0.0.0", as the program's does.

#include "common/StartupTrace.h"
#include "common/TestMain.h"
#include "common/TraceCapture.h"

#include "core/ApplicationGlobal.h"
#include "core/DataModuleApplicationStartup.h"
#include "core/DataModuleDebug.h"
#include "core/DebugCallStack.h"
#include "core/FormatSettings.h"
#include "support/VersionInformation.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

namespace {

const QString Version = QStringLiteral("2.0.0.0");

bool isTraceLine(const QString& line)
{
    QString bare = line;
    while (bare.startsWith(u'\t'))
        bare.remove(0, 1);
    return bare.startsWith(QLatin1String("BEG    ")) || bare.startsWith(QLatin1String("END    "));
}

} // namespace

class TestStartupEnvironment : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TraceCapture> m_trace;
    QByteArray m_savedData, m_savedConfig, m_savedHome;

    QString dataHome() const { return m_dir->path() + QStringLiteral("/data"); }
    QString configHome() const { return m_dir->path() + QStringLiteral("/config"); }
    QString expectedConfigPath() const
    {
        return configHome() + QStringLiteral("/Quillfern/Hourglen/") + Version + u'/';
    }

    QStringList plainLines() const
    {
        QStringList plain;
        for (const QString& line : m_trace->lines()) {
            if (!isTraceLine(line))
                plain << line;
        }
        return plain;
    }

private slots:
    void init()
    {
        m_savedData = qgetenv("XDG_DATA_HOME");
        m_savedConfig = qgetenv("XDG_CONFIG_HOME");
        m_savedHome = qgetenv("HOME");
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir().mkpath(dataHome()));
        QVERIFY(QDir().mkpath(configHome()));
        qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
        m_trace = std::make_unique<TraceCapture>();
        ApplicationGlobal::Clear();
        VersionInformation::Clear();
    }

    void cleanup()
    {
        m_trace.reset();
        ApplicationGlobal::Clear();
        VersionInformation::Clear();
        qputenv("XDG_DATA_HOME", m_savedData);
        qputenv("XDG_CONFIG_HOME", m_savedConfig);
        qputenv("HOME", m_savedHome);
        m_dir.reset();
    }

    void folderPresent()
    {
        QVERIFY(QDir().mkpath(expectedConfigPath()));
        TDataModule_ApplicationStartup module;
        QCOMPARE(DataModule_ApplicationStartup, &module);
        QCOMPARE(module.objectName(), QStringLiteral("DataModule_ApplicationStartup"));
        QCOMPARE(m_trace->lines(), StartupTrace::ApplicationStartupBlock());
        QCOMPARE(ApplicationGlobal::ConfigPath, expectedConfigPath());
    }

    void folderMissingButCreatable()
    {
        TDataModule_ApplicationStartup module;
        const QString path = expectedConfigPath();
        QCOMPARE(plainLines(), (QStringList{"Configuration Path does not exist", path,
                                            path + QStringLiteral(" path built successfully")}));
        QVERIFY(QFileInfo(path).isDir());
        // The plain lines come inside the module's block, after the two folder look-ups.
        QCOMPARE(m_trace->lines().indexOf(QStringLiteral("Configuration Path does not exist")), 7);
        QCOMPARE(m_trace->lines().last(),
                 QStringLiteral("END    TDataModule_ApplicationStartup.DataModuleCreate"));
    }

    void folderNotCreatable()
    {
        // A regular file where a parent folder should be: no one, not even root, can create the path.
        const QString blocker = m_dir->path() + QStringLiteral("/blocker");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("XDG_CONFIG_HOME", (blocker + QStringLiteral("/config")).toLocal8Bit());
        FormatSettings.SetDateSeparator(u'.');

        TDataModule_ApplicationStartup module;
        const QString path = blocker + QStringLiteral("/config/Quillfern/Hourglen/") + Version + u'/';
        QCOMPARE(ApplicationGlobal::ConfigPath, path);
        QCOMPARE(plainLines(), (QStringList{"Configuration Path does not exist", path,
                                            path + QStringLiteral(" path force build failed")}));
        // Start-up goes on: the block is closed, the separator set, the data path filled.
        QCOMPARE(m_trace->lines().last(),
                 QStringLiteral("END    TDataModule_ApplicationStartup.DataModuleCreate"));
        QCOMPARE(FormatSettings.Get().DateSeparator, u'/');
        QCOMPARE(ApplicationGlobal::DataPath,
                 dataHome() + QStringLiteral("/Quillfern/Hourglen/") + Version + u'/');
        QCOMPARE(m_trace->module().Depth(), 0);
    }

    void pathsAndVersion()
    {
        TDataModule_ApplicationStartup module;
        QCOMPARE(VersionInformation::Values.ProductVersion, Version);
        QCOMPARE(ApplicationGlobal::DataPath, dataHome() + QStringLiteral("/Quillfern/Hourglen/2.0.0.0/"));
        QCOMPARE(ApplicationGlobal::ConfigPath,
                 configHome() + QStringLiteral("/Quillfern/Hourglen/2.0.0.0/"));
        QVERIFY(ApplicationGlobal::DataPath.endsWith(u'/'));
        // The shared data folder is neither tested nor created.
        QVERIFY(!QFileInfo::exists(ApplicationGlobal::DataPath));
    }

    void emptyProductVersion()
    {
        // A program file without a version block: the last component is empty.
        const QString plain = m_dir->path() + QStringLiteral("/plain.bin");
        QFile file(plain);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("no version here");
        file.close();
        TDataModule_ApplicationStartup module(plain);
        QCOMPARE(VersionInformation::Values.ProductVersion, QString());
        QCOMPARE(ApplicationGlobal::ConfigPath, configHome() + QStringLiteral("/Quillfern/Hourglen//"));
        QVERIFY(ApplicationGlobal::DataPath.endsWith(QLatin1String("/Hourglen//")));
    }

    void specialFolders_data()
    {
        QTest::addColumn<int>("csidl");
        QTest::addColumn<QString>("xdgData"); // "-" leaves the variable unset
        QTest::addColumn<QString>("xdgConfig");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("expected");
        QTest::newRow("common app data: XDG_DATA_HOME") << 0x23 << "/x/data"
                                                        << "/x/config"
                                                        << "/h"
                                                        << "/x/data";
        QTest::newRow("local app data: XDG_CONFIG_HOME") << 0x1C << "/x/data"
                                                         << "/x/config"
                                                         << "/h"
                                                         << "/x/config";
        QTest::newRow("trailing separator dropped") << 0x23 << "/x/data/"
                                                    << "-"
                                                    << "/h"
                                                    << "/x/data";
        QTest::newRow("common default ~/.local/share") << 0x23 << "-"
                                                       << "-"
                                                       << "/h"
                                                       << "/h/.local/share";
        QTest::newRow("local default ~/.config") << 0x1C << "-"
                                                 << "-"
                                                 << "/h"
                                                 << "/h/.config";
        QTest::newRow("relative XDG value ignored") << 0x1C << "-"
                                                    << "rel/config"
                                                    << "/h"
                                                    << "/h/.config";
        QTest::newRow("nothing known: empty") << 0x1C << "-"
                                              << "-"
                                              << ""
                                              << "";
        QTest::newRow("unknown identifier: empty") << 0x05 << "/x/data"
                                                   << "/x/config"
                                                   << "/h"
                                                   << "";
    }

    void specialFolders()
    {
        QFETCH(int, csidl);
        QFETCH(QString, xdgData);
        QFETCH(QString, xdgConfig);
        QFETCH(QString, home);
        QFETCH(QString, expected);
        QVERIFY(QDir().mkpath(expectedConfigPath()));
        TDataModule_ApplicationStartup module;
        auto set = [](const char* name, const QString& value) {
            if (value == u'-')
                qunsetenv(name);
            else
                qputenv(name, value.toLocal8Bit());
        };
        set("XDG_DATA_HOME", xdgData);
        set("XDG_CONFIG_HOME", xdgConfig);
        set("HOME", home);
        m_trace->lines().clear();
        QCOMPARE(module.GetSpecialFolderPath(csidl), expected);
        QCOMPARE(m_trace->lines(),
                 (QStringList{"BEG    TDataModule_ApplicationStartup.GetSpecialFolderPath",
                              "END    TDataModule_ApplicationStartup.GetSpecialFolderPath"}));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/x")));
    }

    void dateSeparatorWhateverTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("de_DE (.)") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("nl_NL (-)") << QLocale(QLocale::Dutch, QLocale::Netherlands);
        QTest::newRow("en_US (/)") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("C") << QLocale::c();
    }

    void dateSeparatorWhateverTheLocale()
    {
        QFETCH(QLocale, locale);
        FormatSettings.Set(TFormatSettings::FromLocale(locale));
        TDataModule_ApplicationStartup module;
        QCOMPARE(FormatSettings.Get().DateSeparator, u'/');
        const QDate date(2012, 4, 27);
        QCOMPARE(FormatDateTime(QStringLiteral("mm/dd/yyyy"), QDateTime(date, QTime(0, 0))),
                 QStringLiteral("04/27/2012"));
        FormatSettings.SetShortDateFormat(QStringLiteral("dd/mm/yyyy"));
        QCOMPARE(DateToStr(date), QStringLiteral("27/04/2012"));
        FormatSettings.Set(TFormatSettings());
    }
};

HOURGLEN_TEST_MAIN(TestStartupEnvironment)
#include "tst_StartupEnvironment.moc"
