// The debug window component.

#include "common/TestMain.h"

#include "debugview/DebugBox.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>

namespace {

QSize screenSize()
{
    return QGuiApplication::primaryScreen()->geometry().size();
}

QStringList viewLines(const TkvtDebugBox& box)
{
    const QString text = box.View()->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

// kvtDebugBox1 as the trace module makes it: its stored values in the order Caption, Visible,
// Width, Height.
void configureAsInstance(TkvtDebugBox& box)
{
    box.SetCaption(QStringLiteral("Debug Box"));
    box.SetVisible(false);
    box.SetWidth(500);
    box.SetHeight(1000);
}

} // namespace

Q_DECLARE_METATYPE(TPositions)

class TestDebugBox : public QObject
{
    Q_OBJECT

private slots:
    void constructorValues()
    {
        TkvtDebugBox box;
        QCOMPARE(box.Caption(), QStringLiteral("Debug Box"));
        QCOMPARE(box.Position(), poTopRight);
        QVERIFY(!box.Visible());
        QVERIFY(box.Populating());
        QCOMPARE(box.Width(), 320);
        QCOMPARE(box.Height(), screenSize().height() - 25);
        QVERIFY(!box.TimeStamp());
        QVERIFY(!box.Window()->isVisible());
        QVERIFY(box.View()->toPlainText().isEmpty());
    }

    void windowKind()
    {
        TkvtDebugBox box;
        QWidget* window = box.Window();
        QCOMPARE(window->windowTitle(), QStringLiteral("Debug Box"));
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(flags.testFlag(Qt::Window));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!window->testAttribute(Qt::WA_QuitOnClose));
        QCOMPARE(box.View()->lineWrapMode(), QPlainTextEdit::NoWrap);
        QVERIFY(!box.View()->isReadOnly());
        QCOMPARE(box.View()->parentWidget(), window);
        box.SetCaption(QStringLiteral("Other"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Other"));
    }

    void instanceShownAtTopRight()
    {
        TkvtDebugBox box;
        configureAsInstance(box);
        QVERIFY(!box.Window()->isVisible());
        box.SetVisible(true);
        QWidget* window = box.Window();
        QVERIFY(window->isVisible());
        QCOMPARE(window->size(), QSize(500, 1000));
        QCOMPARE(window->pos(), QPoint(screenSize().width() - 500, 0));
    }

    void droppedWhileHidden()
    {
        TkvtDebugBox box;
        configureAsInstance(box);
        for (int i = 0; i < 100; ++i)
            box.AddLine(QStringLiteral("line %1").arg(i));
        QVERIFY(box.View()->toPlainText().isEmpty());
        QVERIFY(!box.Window()->isVisible());
        // Nothing is queued for later either.
        box.SetVisible(true);
        QVERIFY(box.View()->toPlainText().isEmpty());
        box.AddLine(QStringLiteral("now"));
        QCOMPARE(viewLines(box), QStringList{"now"});
    }

    void droppedWhileNotPopulating()
    {
        TkvtDebugBox box;
        configureAsInstance(box);
        box.SetVisible(true);
        box.AddLine(QStringLiteral("first"));
        box.SetPopulating(false);
        box.AddLine(QStringLiteral("dropped"));
        QVERIFY(box.Window()->isVisible());
        box.SetPopulating(true);
        box.AddLine(QStringLiteral("second"));
        QCOMPARE(viewLines(box), (QStringList{"first", "second"}));
    }

    void closedWindowStillCounts()
    {
        TkvtDebugBox box;
        configureAsInstance(box);
        box.SetVisible(true);
        box.Window()->close();
        QVERIFY(!box.Window()->isVisible());
        QVERIFY(box.Visible());
        box.AddLine(QStringLiteral("still appended"));
        QCOMPARE(viewLines(box), QStringList{"still appended"});
    }

    void linesUnchangedWithoutMarkerProcessing()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        const QString line = QStringLiteral("\t\tBEG    REDTForm_SetSchedule.FormCreate");
        box.AddLine(line);
        QCOMPARE(viewLines(box), QStringList{line});
    }

    void markerProcessorHook()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        QStringList seen;
        box.SetMarkerProcessor([&seen](const QString& text) -> QString {
            seen << text;
            return QStringLiteral("<") + text + u'>';
        });
        box.AddLine(QStringLiteral("a"));
        QCOMPARE(viewLines(box), QStringList{"<a>"});
        // With TimeStamp no marker processing takes place.
        box.SetTimeStamp(true);
        box.AddLine(QStringLiteral("b"));
        QCOMPARE(seen, QStringList{"a"});
    }

    void timeStamp()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        box.SetTimeStamp(true);
        box.AddLine(QStringLiteral("REDTForm_X.Y text"));
        const QStringList lines = viewLines(box);
        QCOMPARE(lines.size(), 1);
        static const QRegularExpression form(
            QStringLiteral("^\\d{2}:\\d{2}:\\d{2}:\\d{3} - REDTForm_X\\.Y text$"));
        QVERIFY2(form.match(lines.first()).hasMatch(), qPrintable(lines.first()));
    }

    void timeStampFromTheTimeSource()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        box.SetTimeStamp(true);
        box.SetTimeSource([] { return QTime(7, 8, 9, 45); });
        box.AddLine(QStringLiteral("text"));
        QCOMPARE(viewLines(box), QStringList{"07:08:09:045 - text"});
    }

    void timeStamped_data()
    {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("millisecond");
        QTest::addColumn<QString>("expected");
        QTest::newRow("midnight") << 0 << 0 << 0 << 0 << "00:00:00:000 - x";
        QTest::newRow("single digits") << 7 << 8 << 9 << 5 << "07:08:09:005 - x";
        QTest::newRow("two-digit ms") << 12 << 30 << 45 << 67 << "12:30:45:067 - x";
        QTest::newRow("last of the day") << 23 << 59 << 59 << 999 << "23:59:59:999 - x";
    }

    void timeStamped()
    {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, second);
        QFETCH(int, millisecond);
        QFETCH(QString, expected);
        QCOMPARE(TkvtDebugBox::TimeStamped(hour, minute, second, millisecond, QStringLiteral("x")), expected);
    }

    void corners_data()
    {
        QTest::addColumn<TPositions>("position");
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("bottom");
        QTest::newRow("poTopLeft") << poTopLeft << false << false;
        QTest::newRow("poBottomLeft") << poBottomLeft << false << true;
        QTest::newRow("poTopRight") << poTopRight << true << false;
        QTest::newRow("poBottomRight") << poBottomRight << true << true;
    }

    void corners()
    {
        QFETCH(TPositions, position);
        QFETCH(bool, right);
        QFETCH(bool, bottom);
        TkvtDebugBox box;
        box.SetWidth(300);
        box.SetHeight(200);
        box.SetPosition(position);
        box.SetVisible(true);
        const QSize screen = screenSize();
        const QPoint expected(right ? screen.width() - 300 : 0, bottom ? screen.height() - 200 : 0);
        QCOMPARE(box.Window()->pos(), expected);
        QCOMPARE(box.Window()->size(), QSize(300, 200));
    }

    void sizeChangesKeepTheBottomRightCorner()
    {
        TkvtDebugBox box;
        box.SetPosition(poBottomRight);
        box.SetWidth(300);
        box.SetHeight(200);
        box.SetVisible(true);
        const QSize screen = screenSize();
        auto bottomRight = [&] {
            return box.Window()->pos() + QPoint(box.Window()->width(), box.Window()->height());
        };
        QCOMPARE(bottomRight(), QPoint(screen.width(), screen.height()));
        box.SetWidth(410);
        QCOMPARE(box.Window()->width(), 410);
        QCOMPARE(bottomRight(), QPoint(screen.width(), screen.height()));
        box.SetHeight(250);
        QCOMPARE(box.Window()->height(), 250);
        QCOMPARE(bottomRight(), QPoint(screen.width(), screen.height()));
    }

    void largerThanTheScreen()
    {
        TkvtDebugBox box;
        box.SetPosition(poBottomRight);
        box.SetWidth(screenSize().width() + 100);
        box.SetHeight(screenSize().height() + 50);
        box.SetVisible(true);
        QCOMPARE(box.Window()->pos(), QPoint(-100, -50));
    }

    void clearLines()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        box.AddLine(QStringLiteral("a"));
        box.AddLine(QStringLiteral("b"));
        box.ClearLines();
        QVERIFY(box.View()->toPlainText().isEmpty());
        box.AddLine(QStringLiteral("c"));
        QCOMPARE(viewLines(box), QStringList{"c"});
    }

    void hideAgain()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        box.SetVisible(false);
        QVERIFY(!box.Window()->isVisible());
        box.AddLine(QStringLiteral("dropped"));
        QVERIFY(box.View()->toPlainText().isEmpty());
    }
};

HOURGLEN_TEST_MAIN(TestDebugBox)
#include "tst_DebugBox.moc"
