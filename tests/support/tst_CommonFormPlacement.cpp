// The window placement store: the INI file's name, reading and writing a window's placement,
// centring on show, and a write that fails.

#include "common/TestMain.h"

#include "core/ApplicationGlobal.h"
#include "core/DataModuleDebug.h"
#include "core/DebugCallStack.h"
#include "support/CommonFormPlacement.h"
#include "toolkit/widgets/ErrorReport.h"

#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

namespace {

const QString Section = QStringLiteral("Form_SetSchedule");
const QSize DesignSize(640, 520);
const QSize MinimumSize(574, 474);
const QPoint DesignPosition(30, 40);

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray sectionOf(int height, int width, int left, int top, int position)
{
    return "[" + Section.toUtf8() + "]\n(TForm)_Height=" + QByteArray::number(height) +
           "\n(TForm)_Width=" + QByteArray::number(width) + "\n(TForm)_Left=" + QByteArray::number(left) +
           "\n(TForm)_Top=" + QByteArray::number(top) + "\n(TForm)_Position=" + QByteArray::number(position) +
           "\n";
}

} // namespace

class TestCommonFormPlacement : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TCallStackInstance> m_stack;
    std::unique_ptr<TDataModule_Debug> m_debug;
    QStringList m_lines;
    QStringList m_reports;
    ErrorReport::Reporter m_previousReporter;

    QString iniPath() const { return m_dir->filePath(QStringLiteral("TASKS.ini")); }

    // A window like the schedule editor at its creation: its design size and position, its minimum.
    std::unique_ptr<QWidget> makeForm() const
    {
        auto form = std::make_unique<QWidget>();
        form->setObjectName(Section);
        form->setMinimumSize(MinimumSize);
        form->resize(DesignSize);
        form->move(DesignPosition);
        return form;
    }

    QPoint centredPosition(const QWidget& form) const
    {
        const QRect area = form.screen()->availableGeometry();
        const QSize size = form.frameGeometry().size();
        return {area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2};
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        ApplicationGlobal::ConfigPath = m_dir->path() + u'/';
        CommonFormPlacement::SetProgramFilePath(QStringLiteral("/opt/quillfern/Tasks.exe"));
        m_stack = std::make_unique<TCallStackInstance>();
        m_debug = std::make_unique<TDataModule_Debug>(QStringList{});
        m_lines.clear();
        connect(m_debug.get(), &TDataModule_Debug::lineHanded, this,
                [this](const QString& l) { m_lines << l; });
        m_reports.clear();
        m_previousReporter =
            ErrorReport::setReporter([this](const QString& message) { m_reports << message; });
    }

    void cleanup()
    {
        ErrorReport::setReporter(m_previousReporter);
        m_debug.reset();
        m_stack.reset();
        CommonFormPlacement::SetProgramFilePath(QString());
        ApplicationGlobal::Clear();
        m_dir.reset();
    }

    void iniFileName_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("mixed-case extension") << "/usr/bin/x.Exe"
                                              << "X.ini";
        QTest::newRow("extension twice") << "/usr/bin/a.exe.exe"
                                         << "A.ini.ini";
        QTest::newRow("no extension") << "/usr/bin/prog"
                                      << "PROG";
        QTest::newRow("the program") << "/usr/local/bin/hourglen"
                                     << "HOURGLEN";
        QTest::newRow("folder named like a program") << "/opt/x.exe/tasks"
                                                     << "TASKS";
        QTest::newRow("only a to z upper-cased")
            << QStringLiteral("/b/\u00e9t\u00e9.exe") << QStringLiteral("\u00e9T\u00e9.ini");
        QTest::newRow("extension inside the name") << "/b/my.exetool"
                                                   << "MY.iniTOOL";
    }

    void iniFileName()
    {
        QFETCH(QString, program);
        QFETCH(QString, fileName);
        CommonFormPlacement::SetProgramFilePath(program);
        const QString expected = ApplicationGlobal::ConfigPath + fileName;
        QCOMPARE(CommonFormPlacement::ReturnIniFileNameFullName(), expected);
        QCOMPARE(m_lines, (QStringList{"BEG    CommonFormPlacement.ReturnIniFileNameFullName",
                                       "Result =>" + expected + "<",
                                       "END    CommonFormPlacement.ReturnIniFileNameFullName"}));
    }

    void iniFileNameOfTheRunningProgram()
    {
        CommonFormPlacement::SetProgramFilePath(QString());
        QCOMPARE(CommonFormPlacement::ReturnIniFileNameFullName(),
                 ApplicationGlobal::ConfigPath + QStringLiteral("TST_COMMONFORMPLACEMENT"));
    }

    // No file: the window keeps its design size, is centred when shown, and is then written with
    // "(TForm)_Position" 0, the five keys in their order.
    void firstRunCentresAndWritesTheShownPosition()
    {
        auto form = makeForm();
        CommonFormPlacement::ReadFormParameters(form.get());
        QCOMPARE(form->size(), DesignSize);
        QCOMPARE(form->pos(), DesignPosition);
        QVERIFY(CommonFormPlacement::CentreOnShow(form.get()));
        QCOMPARE(m_lines, (QStringList{"BEG    CommonFormPlacement.ReadFormParameters",
                                       "\tBEG    CommonFormPlacement.ReturnIniFileNameFullName",
                                       "Result =>" + iniPath() + "<",
                                       "\tEND    CommonFormPlacement.ReturnIniFileNameFullName",
                                       "END    CommonFormPlacement.ReadFormParameters"}));

        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(form->pos(), centredPosition(*form));
        QVERIFY(form->pos() != DesignPosition);
        QVERIFY(!CommonFormPlacement::CentreOnShow(form.get()));

        CommonFormPlacement::WriteFormParameters(form.get());
        QCOMPARE(readAll(iniPath()),
                 sectionOf(DesignSize.height(), DesignSize.width(), form->x(), form->y(), 0));
        QVERIFY(m_reports.isEmpty());

        // The next creation shows the window where it was, no longer centred.
        auto next = makeForm();
        next->resize(700, 600);
        next->move(5, 5);
        CommonFormPlacement::ReadFormParameters(next.get());
        QVERIFY(!CommonFormPlacement::CentreOnShow(next.get()));
        next->show();
        QVERIFY(QTest::qWaitForWindowExposed(next.get()));
        QCOMPARE(next->geometry(), form->geometry());
    }

    // A window read with the flag but written before it was shown still asks to be centred.
    void unshownWindowKeepsItsCentringRequest()
    {
        auto form = makeForm();
        CommonFormPlacement::ReadFormParameters(form.get());
        CommonFormPlacement::WriteFormParameters(form.get());
        QCOMPARE(readAll(iniPath()), sectionOf(DesignSize.height(), DesignSize.width(), DesignPosition.x(),
                                               DesignPosition.y(), 1));
    }

    void readsNumbers_data()
    {
        QTest::addColumn<QByteArray>("height");
        QTest::addColumn<QByteArray>("width");
        QTest::addColumn<QSize>("expected");
        const int w = DesignSize.width();
        const int h = DesignSize.height();
        QTest::newRow("decimal") << QByteArray("600") << QByteArray("800") << QSize(800, 600);
        QTest::newRow("hexadecimal") << QByteArray("0X1F4") << QByteArray("0x300") << QSize(768, 500);
        QTest::newRow("not a number") << QByteArray("abc") << QByteArray("abc") << DesignSize;
        QTest::newRow("negative: the smallest size") << QByteArray("-5") << QByteArray("-5") << MinimumSize;
        QTest::newRow("below the smallest size") << QByteArray("10") << QByteArray("573") << MinimumSize;
        QTest::newRow("plus sign") << QByteArray("+480") << QByteArray("+700") << QSize(700, 480);
        QTest::newRow("blanks around") << QByteArray("  490 ") << QByteArray("\t710") << QSize(710, 490);
        QTest::newRow("bare prefix") << QByteArray("0x") << QByteArray("0X") << DesignSize;
        QTest::newRow("not hexadecimal") << QByteArray("0xZ1") << QByteArray("0x1g") << DesignSize;
        QTest::newRow("prefix after a sign") << QByteArray("-0x10") << QByteArray("+0x300") << DesignSize;
        QTest::newRow("trailing letters") << QByteArray("500px") << QByteArray("7 00") << DesignSize;
        QTest::newRow("empty") << QByteArray("") << QByteArray("") << DesignSize;
        QTest::newRow("beyond int") << QByteArray("2147483648") << QByteArray("-99999999999999999999")
                                    << DesignSize;
        QTest::newRow("hexadecimal beyond int")
            << QByteArray("0x80000000") << QByteArray("0xFFFFFFFFFF") << QSize(w, h);
        QTest::newRow("most negative") << QByteArray("-2147483648") << QByteArray("-0") << MinimumSize;
        QTest::newRow("leading zeros") << QByteArray("000500") << QByteArray("0x0000300") << QSize(768, 500);
    }

    void readsNumbers()
    {
        QFETCH(QByteArray, height);
        QFETCH(QByteArray, width);
        QFETCH(QSize, expected);
        writeAll(iniPath(), "[" + Section.toUtf8() + "]\n(TForm)_Height=" + height +
                                "\n(TForm)_Width=" + width + "\n(TForm)_Left=abc\n");
        auto form = makeForm();
        CommonFormPlacement::ReadFormParameters(form.get());
        QCOMPARE(form->size(), expected);
        QCOMPARE(form->pos(), DesignPosition);
        QVERIFY(CommonFormPlacement::CentreOnShow(form.get()));
    }

    void readsTheCentringFlag_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("centre");
        QTest::newRow("0") << QByteArray("(TForm)_Position=0") << false;
        QTest::newRow("1") << QByteArray("(TForm)_Position=1") << true;
        QTest::newRow("any other number") << QByteArray("(TForm)_Position=-7") << true;
        QTest::newRow("hexadecimal 0") << QByteArray("(TForm)_Position=0x0") << false;
        QTest::newRow("not a number") << QByteArray("(TForm)_Position=no") << true;
        QTest::newRow("missing") << QByteArray("Other=0") << true;
    }

    void readsTheCentringFlag()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, centre);
        writeAll(iniPath(), "[" + Section.toUtf8() + "]\n" + line + "\n");
        auto form = makeForm();
        CommonFormPlacement::ReadFormParameters(form.get());
        QCOMPARE(CommonFormPlacement::CentreOnShow(form.get()), centre);
    }

    // Stored left and top with the flag set: the window is centred, the stored position not seen.
    void centringFlagOverridesTheStoredPosition()
    {
        writeAll(iniPath(), sectionOf(500, 600, 3, 4, 1));
        auto form = makeForm();
        CommonFormPlacement::ReadFormParameters(form.get());
        QCOMPARE(form->pos(), QPoint(3, 4));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(form->size(), QSize(600, 500));
        QCOMPARE(form->pos(), centredPosition(*form));
        QVERIFY(form->pos() != QPoint(3, 4));

        // Only the first showing centres: moved by the user, hidden and shown again, it stays.
        form->move(11, 12);
        form->hide();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(form->pos(), QPoint(11, 12));
    }

    // Nothing keeps a window on the visible screen: far off to the left it stays there.
    void offScreenPositionIsKept()
    {
        writeAll(iniPath(), sectionOf(500, 600, -3000, 25000, 0));
        auto form = makeForm();
        CommonFormPlacement::ReadFormParameters(form.get());
        form->show();
        QCoreApplication::processEvents();
        QVERIFY(form->isVisible());
        QCOMPARE(form->pos(), QPoint(-3000, 25000));
        CommonFormPlacement::WriteFormParameters(form.get());
        QCOMPARE(readAll(iniPath()), sectionOf(500, 600, -3000, 25000, 0));
    }

    // Numbers at the ends of the range and garbage bytes do no harm: a size beyond the whole desktop
    // is brought back to it (a window that large would ask for a buffer of petabytes), coordinates to
    // those a window system holds; the window shows.
    void extremeValuesDoNoHarm()
    {
        writeAll(iniPath(), "\x01\xff garbage [[[\n=\n[" + Section.toUtf8() +
                                "]\n(TForm)_Height=2147483647\n(TForm)_Width=0x7FFFFFFF\n"
                                "(TForm)_Left=-2147483648\n(TForm)_Top=2147483647\n(TForm)_Position=0\n");
        auto form = makeForm();
        CommonFormPlacement::ReadFormParameters(form.get());
        const QSize desktop = QGuiApplication::primaryScreen()->virtualSize();
        QCOMPARE(form->size(), desktop.expandedTo(MinimumSize));
        QCOMPARE(form->pos(), QPoint(-32768, 32767));
        QVERIFY(!CommonFormPlacement::CentreOnShow(form.get()));
        form->show();
        QCoreApplication::processEvents();
        QVERIFY(form->isVisible());

        // A window that allows less than the desktop keeps to its own largest size.
        auto small = makeForm();
        small->setMaximumSize(600, 500);
        CommonFormPlacement::ReadFormParameters(small.get());
        QCOMPARE(small->size(), QSize(600, 500));
    }

    // Other sections, keys and comments stay; the window's own keys are replaced in place.
    void writeKeepsTheRestOfTheFile()
    {
        const QByteArray before = "; placement of the program's windows\n"
                                  "\n"
                                  "[Form_Hourglen]\n"
                                  "(TForm)_Height=300\n"
                                  "Colour=navy\n"
                                  "\n"
                                  "; the schedule editor\n"
                                  "[Form_SetSchedule]\n"
                                  "; size at the last close\n"
                                  "(TForm)_Height=1\n"
                                  "Remark=kept\n"
                                  "(TForm)_Width=2\n";
        writeAll(iniPath(), before);
        auto form = makeForm();
        form->move(-20, 15);
        CommonFormPlacement::WriteFormParameters(form.get());
        QVERIFY(m_reports.isEmpty());
        const QByteArray after = readAll(iniPath());
        QCOMPARE(after, QByteArray("; placement of the program's windows\n"
                                   "\n"
                                   "\n"
                                   "[Form_Hourglen]\n"
                                   "(TForm)_Height=300\n"
                                   "Colour=navy\n"
                                   "\n"
                                   "\n"
                                   "; the schedule editor\n"
                                   "[Form_SetSchedule]\n"
                                   "\n"
                                   "; size at the last close\n"
                                   "(TForm)_Height=520\n"
                                   "Remark=kept\n"
                                   "(TForm)_Width=640\n"
                                   "(TForm)_Left=-20\n"
                                   "(TForm)_Top=15\n"
                                   "(TForm)_Position=0\n"));
        // The layout settles: writing again changes nothing.
        CommonFormPlacement::WriteFormParameters(form.get());
        QCOMPARE(readAll(iniPath()), after);
    }

    // The configuration folder is gone: the message names the file, and the caller goes on.
    void failedWriteIsReported()
    {
        ApplicationGlobal::ConfigPath = m_dir->filePath(QStringLiteral("missing")) + u'/';
        const QString path = ApplicationGlobal::ConfigPath + QStringLiteral("TASKS.ini");
        auto form = makeForm();
        CommonFormPlacement::WriteFormParameters(form.get());
        QCOMPARE(m_reports, QStringList{QStringLiteral("Error writing to the following configuration file:") +
                                        QChar(10) + QChar(13) + QChar(10) + QChar(13) + path});
        QVERIFY(!QFile::exists(path));
        const QString result = "Result =>" + path + "<";
        QCOMPARE(m_lines, (QStringList{"BEG    CommonFormPlacement.WriteFormParameters",
                                       "\tBEG    CommonFormPlacement.ReturnIniFileNameFullName", result,
                                       "\tEND    CommonFormPlacement.ReturnIniFileNameFullName",
                                       "\tBEG    CommonFormPlacement.ReturnIniFileNameFullName", result,
                                       "\tEND    CommonFormPlacement.ReturnIniFileNameFullName",
                                       "END    CommonFormPlacement.WriteFormParameters"}));
    }

    // Something at the file's place that cannot be read as one is reported and left alone.
    void unreadableFileIsNotReplaced()
    {
        QVERIFY(QDir().mkdir(iniPath()));
        writeAll(iniPath() + "/inside", "kept");
        auto form = makeForm();
        CommonFormPlacement::ReadFormParameters(form.get());
        QCOMPARE(form->size(), DesignSize);
        CommonFormPlacement::WriteFormParameters(form.get());
        QCOMPARE(m_reports.size(), 1);
        QVERIFY(m_reports.first().endsWith(iniPath()));
        QVERIFY(QFileInfo(iniPath()).isDir());
        QVERIFY(QFile::exists(iniPath() + "/inside"));
    }

    // Several windows share the file, one section each.
    void windowsKeepTheirOwnSections()
    {
        auto editor = makeForm();
        auto main = makeForm();
        main->setObjectName(QStringLiteral("Form_Hourglen"));
        main->setMinimumSize(100, 100);
        main->resize(300, 200);
        main->move(7, 8);
        CommonFormPlacement::WriteFormParameters(editor.get());
        CommonFormPlacement::WriteFormParameters(main.get());
        main->resize(310, 210);
        main->move(9, 10);
        CommonFormPlacement::WriteFormParameters(main.get());

        auto editorAgain = makeForm();
        editorAgain->resize(900, 700);
        auto mainAgain = makeForm();
        mainAgain->setObjectName(QStringLiteral("Form_Hourglen"));
        CommonFormPlacement::ReadFormParameters(editorAgain.get());
        CommonFormPlacement::ReadFormParameters(mainAgain.get());
        QCOMPARE(editorAgain->geometry(), editor->geometry());
        QCOMPARE(mainAgain->size(), MinimumSize); // the stored 310 x 210 is below this window's own minimum
        QCOMPARE(mainAgain->pos(), QPoint(9, 10));
    }
};

HOURGLEN_TEST_MAIN(TestCommonFormPlacement)
#include "tst_CommonFormPlacement.moc"
