// The debug window component.

#include "common/TestMain.h"

#include "debugview/DebugBox.h"
#include "debugview/ExtHilit.h"

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
        // The outer frame is 500 by 1000 and touches the screen's top-right corner.
        QCOMPARE(window->frameGeometry(), QRect(screenSize().width() - 500, 0, 500, 1000));
        QCOMPARE(window->pos(), QPoint(screenSize().width() - 500, 0));
    }

    // The window system puts a frame around the window once it is shown; Width and Height stay the
    // outer size, so the window's inside shrinks by the frame and the frame stays on the screen.
    void frameCountsInTheSize()
    {
        TkvtDebugBox box;
        box.SetWidth(400);
        box.SetHeight(300);
        box.SetVisible(true);
        QWidget* window = box.Window();
        const QRect outer = window->frameGeometry();
        const QRect inner = window->geometry();
        if (outer == inner)
            QSKIP("this platform puts no frame around windows");
        QCOMPARE(outer, QRect(screenSize().width() - 400, 0, 400, 300));
        QVERIFY(outer.contains(inner));
        QVERIFY(inner.width() < 400);
        QVERIFY(inner.height() < 300);
        QCOMPARE(box.Width(), 400);
        QCOMPARE(box.Height(), 300);
        // A later change of size keeps counting the frame.
        box.SetWidth(350);
        QCOMPARE(window->frameGeometry(), QRect(screenSize().width() - 350, 0, 350, 300));
        // Hidden and shown again: the same outer place and size.
        box.SetVisible(false);
        box.SetVisible(true);
        QCOMPARE(window->frameGeometry(), QRect(screenSize().width() - 350, 0, 350, 300));
    }

    // Once shown, a size the user gives the window by hand is not taken back.
    void userResizeKept()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        QWidget* window = box.Window();
        window->resize(200, 150);
        QCOMPARE(window->size(), QSize(200, 150));
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

    void linesWithoutColourWordUnchanged()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        const QString line = QStringLiteral("\t\tBEG    TForm_SetSchedule.FormCreate");
        box.AddLine(line);
        QCOMPARE(viewLines(box), QStringList{line});
        QVERIFY(box.Highlighter()->StartStopKeys().isEmpty());
    }

    void colourWordLinesRewritten()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        box.AddLine(QStringLiteral("\t\tBEG    REDTForm_SetSchedule.FormCreate"));
        box.AddLine(QStringLiteral("\t\tEND    REDTForm_SetSchedule.FormCreate"));
        QCOMPARE(viewLines(box),
                 (QStringList{"BEG    TForm_SetSchedule.FormCreate", "END    TForm_SetSchedule.FormCreate"}));
        QCOMPARE(box.Highlighter()->StartStopKeys().size(), 1);
    }

    void timeStamp()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        box.SetTimeStamp(true);
        box.AddLine(QStringLiteral("\tBEG    REDTForm_X.Y text"));
        const QStringList lines = viewLines(box);
        QCOMPARE(lines.size(), 1);
        // The colour word stays and no pair is registered.
        static const QRegularExpression form(
            QStringLiteral("^\\d{2}:\\d{2}:\\d{2}:\\d{3} - \tBEG    REDTForm_X\\.Y text$"));
        QVERIFY2(form.match(lines.first()).hasMatch(), qPrintable(lines.first()));
        QVERIFY(box.Highlighter()->StartStopKeys().isEmpty());
        QVERIFY(box.RegisteredPairs().isEmpty());
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
        QCOMPARE(box.Window()->frameGeometry(), QRect(expected, QSize(300, 200)));
        QCOMPARE(box.Window()->pos(), expected);
        QCOMPARE(TkvtDebugBox::CornerFrame(position, screen, QSize(300, 200)),
                 QRect(expected, QSize(300, 200)));
    }

    void sizeChangesKeepTheBottomRightCorner()
    {
        TkvtDebugBox box;
        box.SetPosition(poBottomRight);
        box.SetWidth(300);
        box.SetHeight(200);
        box.SetVisible(true);
        const QSize screen = screenSize();
        // The first pixel right of and below the frame is the screen's size.
        auto bottomRight = [&] {
            const QRect frame = box.Window()->frameGeometry();
            return frame.topLeft() + QPoint(frame.width(), frame.height());
        };
        QCOMPARE(bottomRight(), QPoint(screen.width(), screen.height()));
        box.SetWidth(410);
        QCOMPARE(box.Window()->frameGeometry().width(), 410);
        QCOMPARE(bottomRight(), QPoint(screen.width(), screen.height()));
        box.SetHeight(250);
        QCOMPARE(box.Window()->frameGeometry().height(), 250);
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
        QCOMPARE(box.Window()->frameGeometry().topLeft(), QPoint(-100, -50));
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
