#pragma once

// The main function of every test executable. Before the application object exists it points
// XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR and HOME at a temporary folder of the test's own,
// so no test touches the real home or runtime folder, and it selects the offscreen platform.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

namespace TestEnvironment {

inline QString& root()
{
    static QString path;
    return path;
}

inline QTemporaryDir& makeHome()
{
    static QTemporaryDir dir;
    root() = dir.path();
    const QByteArray base = dir.path().toLocal8Bit();
    const QByteArray data = base + "/data";
    const QByteArray config = base + "/config";
    const QByteArray home = base + "/home";
    const QByteArray runtime = base + "/runtime";
    for (const QByteArray& folder : {data, config, home, runtime})
        QDir().mkpath(QString::fromLocal8Bit(folder));
    QFile::setPermissions(QString::fromLocal8Bit(runtime),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("XDG_RUNTIME_DIR", runtime.constData(), 1);
    setenv("XDG_DATA_HOME", data.constData(), 1);
    setenv("XDG_CONFIG_HOME", config.constData(), 1);
    setenv("HOME", home.constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return dir;
}

} // namespace TestEnvironment

#define HOURGLEN_TEST_MAIN(TestClass)                                                                        \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        QTemporaryDir& home = TestEnvironment::makeHome();                                                   \
        if (!home.isValid())                                                                                 \
            return 2;                                                                                        \
        QApplication app(argc, argv);                                                                        \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                             \
        TestClass tc;                                                                                        \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }

// For tests that need no widgets.
#define HOURGLEN_TEST_MAIN_CORE(TestClass)                                                                   \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        QTemporaryDir& home = TestEnvironment::makeHome();                                                   \
        if (!home.isValid())                                                                                 \
            return 2;                                                                                        \
        QCoreApplication app(argc, argv);                                                                    \
        TestClass tc;                                                                                        \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }
