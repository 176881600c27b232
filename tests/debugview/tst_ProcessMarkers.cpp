// The debug window's marker processing: colour words turned into registered pairs, and the pairs
// applied to the lines of the real view.

#include "common/ColourFixture.h"
#include "common/TestMain.h"

#include "debugview/DebugBox.h"
#include "debugview/ExtHilit.h"

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QTextBlock>

using namespace ColourFixture;

namespace {

const QString Beg = QStringLiteral("BEG    ");
const QString End = QStringLiteral("END    ");

QString Pair(const QString& name, const QString& colour, bool fold)
{
    return Beg + name + u'|' + End + name + u'|' + colour + u'|' +
           (fold ? QStringLiteral("fold") : QStringLiteral("nofold"));
}

} // namespace

class TestProcessMarkers : public QObject
{
    Q_OBJECT

private slots:
    void processMarkers_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("pairs");

        const QString name300 = QString(300, u'n');
        const QString name255 = QString(255, u'n');
        // A character of two UTF-16 units standing at places 255 and 256 of the name.
        const QString split = QString(254, u'n') + QString::fromUtf8("\xF0\x9F\x98\x80") + u'x';

        QTest::newRow("BLOCK") << "\t\tBEG    BLOCKTMain.Run"
                               << "BEG    TMain.Run" << QStringList{Pair("TMain.Run", None, true)};
        QTest::newRow("GREEN") << "\tBEG    GREENTMain.Run"
                               << "BEG    TMain.Run" << QStringList{Pair("TMain.Run", Green, false)};
        QTest::newRow("BLUE") << "\tBEG    BLUETMain.Run"
                              << "BEG    TMain.Run" << QStringList{Pair("TMain.Run", Blue, false)};
        QTest::newRow("RED") << "\t\t\tBEG    REDTForm_SetSchedule.FormCreate"
                             << "BEG    TForm_SetSchedule.FormCreate"
                             << QStringList{Pair("TForm_SetSchedule.FormCreate", Red, false)};
        QTest::newRow("text before the marker") << "12:00 something BEG    REDTA.B"
                                                << "BEG    TA.B" << QStringList{Pair("TA.B", Red, false)};
        QTest::newRow("end line without a registered pair") << "\t\tEND    REDTA.B"
                                                            << "END    TA.B" << QStringList{};
        QTest::newRow("end line of each colour word") << "\tEND    BLOCKTA.B"
                                                      << "END    TA.B" << QStringList{};
        QTest::newRow("name of 300 characters cut to 255")
            << "\tBEG    RED" + name300 << Beg + name255 << QStringList{Pair(name255, Red, false)};
        QTest::newRow("end name of 300 characters cut to 255")
            << "\tEND    GREEN" + name300 << End + name255 << QStringList{};
        QTest::newRow("cut through a two-unit character") << "BEG    RED" + split << Beg + split.left(254)
                                                          << QStringList{Pair(split.left(254), Red, false)};
        QTest::newRow("name starting with RED and capitals")
            << "\tBEG    REDRAWTGrid.Paint"
            << "BEG    RAWTGrid.Paint" << QStringList{Pair("RAWTGrid.Paint", Red, false)};
        QTest::newRow("begin markers in table order")
            << "BEG    REDTA.B BEG    GREENTC.D"
            << "BEG    TC.D" << QStringList{Pair("TC.D", Green, false)};
        QTest::newRow("BLUE before RED in BLUERED")
            << "BEG    BLUEREDTA.B"
            << "BEG    REDTA.B" << QStringList{Pair("REDTA.B", Blue, false)};
        QTest::newRow("empty name") << "\tBEG    RED" << Beg << QStringList{Pair("", Red, false)};
        QTest::newRow("no colour word") << "\t\tBEG    TForm_Hourglen.FormCreate"
                                        << "\t\tBEG    TForm_Hourglen.FormCreate" << QStringList{};
        QTest::newRow("colour word in lower case") << "\tBEG    redTA.B"
                                                   << "\tBEG    redTA.B" << QStringList{};
        QTest::newRow("colour word without the marker") << "REDTA.B"
                                                        << "REDTA.B" << QStringList{};
        QTest::newRow("diagnostic line") << "Config folder created"
                                         << "Config folder created" << QStringList{};
    }

    void processMarkers()
    {
        QFETCH(QString, line);
        QFETCH(QString, shown);
        QFETCH(QStringList, pairs);
        TkvtDebugBox box;
        box.SetVisible(true);
        box.AddLine(line);
        QCOMPARE(ViewLines(box), QStringList{shown});
        QCOMPARE(Pairs(*box.Highlighter()), pairs);
        QCOMPARE(box.RegisteredPairs().size(), pairs.size());
    }

    // A name that differs from a registered one only in letter case is rewritten but not
    // registered, and, since the view matches keys with exact case, its lines stay uncoloured.
    void secondNameDifferingInCase()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        box.AddLine(QStringLiteral("BEG    REDTA.Run"));
        box.AddLine(QStringLiteral("\tinside"));
        box.AddLine(QStringLiteral("END    REDTA.Run"));
        box.AddLine(QStringLiteral("BEG    GREENta.run"));
        box.AddLine(QStringLiteral("\tinside"));
        box.AddLine(QStringLiteral("END    GREENta.run"));
        QCOMPARE(ViewLines(box), (QStringList{"BEG    TA.Run", "\tinside", "END    TA.Run", "BEG    ta.run",
                                              "\tinside", "END    ta.run"}));
        QCOMPARE(Pairs(*box.Highlighter()), QStringList{Pair("TA.Run", Red, false)});
        QCOMPARE(LineColours(box.View()->document()), (QStringList{Red, Red, Red, None, None, None}));
    }

    // A red block at any depth: its begin and end lines lose their indentation and colour word, and
    // it is red from its begin line to its end line, the indented lines between included.
    void redBlockNestedDeep()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        const QStringList lines{"BEG    TForm_Hourglen.MenuItemClick",
                                "\tBEG    TDataModule_Hourglen.Open",
                                "\t\tBEG    REDTForm_SetSchedule.FormCreate",
                                "\t\t\tBEG    CommonFormPlacement.ReadFormParameters",
                                "\t\t\tEND    CommonFormPlacement.ReadFormParameters",
                                "\t\tEND    REDTForm_SetSchedule.FormCreate",
                                "\tEND    TDataModule_Hourglen.Open",
                                "END    TForm_Hourglen.MenuItemClick"};
        for (const QString& line : lines)
            box.AddLine(line);
        QStringList shown = lines;
        shown[2] = QStringLiteral("BEG    TForm_SetSchedule.FormCreate");
        shown[5] = QStringLiteral("END    TForm_SetSchedule.FormCreate");
        QCOMPARE(ViewLines(box), shown);
        QCOMPARE(LineColours(box.View()->document()),
                 (QStringList{None, None, Red, Red, Red, Red, None, None}));
    }

    // Inside an open region no other start key is recognised: the inner block is rewritten and its
    // pair registered, but it takes the outer colour, and the outer region ends at its own end line.
    void innerBlockTakesTheOuterColour()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        for (const char* line : {"BEG    REDTOuter.Run", "\tBEG    GREENTInner.Run", "\t\ttext",
                                 "\tEND    GREENTInner.Run", "END    REDTOuter.Run", "after"})
            box.AddLine(QString::fromLatin1(line));
        QCOMPARE(ViewLines(box), (QStringList{"BEG    TOuter.Run", "BEG    TInner.Run", "\t\ttext",
                                              "END    TInner.Run", "END    TOuter.Run", "after"}));
        QCOMPARE(Pairs(*box.Highlighter()),
                 (QStringList{Pair("TOuter.Run", Red, false), Pair("TInner.Run", Green, false)}));
        QCOMPARE(LineColours(box.View()->document()), (QStringList{Red, Red, Red, Red, Red, None}));

        // Run alone, the inner block has its own colour.
        for (const char* line : {"\tBEG    GREENTInner.Run", "\t\ttext", "\tEND    GREENTInner.Run"})
            box.AddLine(QString::fromLatin1(line));
        QCOMPARE(LineColours(box.View()->document()),
                 (QStringList{Red, Red, Red, Red, Red, None, Green, Green, Green}));
    }

    // A block whose end never comes colours every later line, also lines that come afterwards.
    void blockWithoutEndRunsToTheEnd()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        box.AddLine(QStringLiteral("before"));
        box.AddLine(QStringLiteral("\tBEG    BLUETWorker.Execute"));
        box.AddLine(QStringLiteral("\t\tBEG    TOther.Step"));
        box.AddLine(QStringLiteral("\t\tEND    TOther.Step"));
        QCOMPARE(LineColours(box.View()->document()), (QStringList{None, Blue, Blue, Blue}));
        box.AddLine(QStringLiteral("later"));
        box.AddLine(QString());
        box.AddLine(QStringLiteral("last"));
        QCOMPARE(LineColours(box.View()->document()),
                 (QStringList{None, Blue, Blue, Blue, Blue, None, Blue}));
    }

    // The same block run twice registers its pair once, and both runs are coloured.
    void sameBlockTwiceRegistersOnce()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        for (int run = 0; run < 2; ++run) {
            box.AddLine(QStringLiteral("\tBEG    GREENTTask.Check"));
            box.AddLine(QStringLiteral("\t\tstep"));
            box.AddLine(QStringLiteral("\tEND    GREENTTask.Check"));
            box.AddLine(QStringLiteral("between"));
        }
        QCOMPARE(Pairs(*box.Highlighter()), QStringList{Pair("TTask.Check", Green, false)});
        QCOMPARE(box.RegisteredPairs().size(), 1);
        QCOMPARE(LineColours(box.View()->document()),
                 (QStringList{Green, Green, Green, None, Green, Green, Green, None}));
    }

    // Clearing the window removes lines only: a block registered before is coloured again when its
    // lines come again, without a second registration.
    void clearLinesKeepsThePairs()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        box.AddLine(QStringLiteral("BEG    REDTForm_SetSchedule.FormCreate"));
        box.AddLine(QStringLiteral("END    REDTForm_SetSchedule.FormCreate"));
        box.ClearLines();
        QVERIFY(ViewLines(box).isEmpty());
        box.AddLine(QStringLiteral("first"));
        box.AddLine(QStringLiteral("\tBEG    REDTForm_SetSchedule.FormCreate"));
        box.AddLine(QStringLiteral("\t\tinside"));
        box.AddLine(QStringLiteral("\tEND    REDTForm_SetSchedule.FormCreate"));
        QCOMPARE(ViewLines(box), (QStringList{"first", "BEG    TForm_SetSchedule.FormCreate", "\t\tinside",
                                              "END    TForm_SetSchedule.FormCreate"}));
        QCOMPARE(LineColours(box.View()->document()), (QStringList{None, Red, Red, Red}));
        QCOMPARE(box.Highlighter()->StartStopKeys().size(), 1);
    }

    // Lines already in the view that hold the keys of a pair registered later are coloured at once.
    void registrationColoursEarlierLines()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        box.AddLine(QStringLiteral("\tBEG    TA.B"));
        box.AddLine(QStringLiteral("\t\tinside"));
        box.AddLine(QStringLiteral("\tEND    TA.B"));
        QCOMPARE(LineColours(box.View()->document()), (QStringList{None, None, None}));
        box.AddLine(QStringLiteral("BEG    BLUETA.B"));
        // The region starts at the begin key, after the tab, and takes the lines to the end key.
        QCOMPARE(LineColours(box.View()->document()), (QStringList{"mixed", Blue, Blue, Blue}));
        QVERIFY(!CharColours(box.View()->document()->firstBlock()).first().isValid());
        QCOMPARE(CharColours(box.View()->document()->firstBlock()).at(1), QColor(Qt::blue));
    }

    // A registered name that begins a longer one also opens and closes at the longer name's lines.
    void registeredNameBeginsLongerName()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        box.AddLine(QStringLiteral("BEG    REDTA.B"));
        box.AddLine(QStringLiteral("END    REDTA.B"));
        box.AddLine(QStringLiteral("BEG    TA.Bigger"));
        box.AddLine(QStringLiteral("\tinside"));
        box.AddLine(QStringLiteral("END    TA.Bigger"));
        box.AddLine(QStringLiteral("after"));
        QCOMPARE(LineColours(box.View()->document()), (QStringList{Red, Red, Red, Red, "mixed", None}));
        // The region ends with the stop key inside the longer name's end line.
        const QList<QColor> end = CharColours(box.View()->document()->findBlockByNumber(4));
        const int stopKeyLength = int(QStringLiteral("END    TA.B").size());
        for (int i = 0; i < end.size(); ++i)
            QCOMPARE(end[i].isValid(), i < stopKeyLength);
    }

    // Registration re-highlights at once and runs no other pending work first: a line posted
    // before is appended after the line that registered, as the trace built them.
    void registrationKeepsTheLineOrder()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        box.AddLine(QStringLiteral("first"));
        QMetaObject::invokeMethod(
            &box, [&box] { box.AddLine(QStringLiteral("posted")); }, Qt::QueuedConnection);
        box.AddLine(QStringLiteral("BEG    REDTForm_SetSchedule.FormCreate"));
        QCOMPARE(ViewLines(box), (QStringList{"first", "BEG    TForm_SetSchedule.FormCreate"}));
        QCOMPARE(LineColours(box.View()->document()), (QStringList{None, Red}));
        QTRY_COMPARE(ViewLines(box).size(), 3);
        QCOMPARE(ViewLines(box).last(), QStringLiteral("posted"));
        QCOMPARE(LineColours(box.View()->document()), (QStringList{None, Red, Red}));
    }
};

HOURGLEN_TEST_MAIN(TestProcessMarkers)
#include "tst_ProcessMarkers.moc"
