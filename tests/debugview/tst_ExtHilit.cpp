// The debug view's highlighter: start/stop regions across lines, fold levels, hidden folded lines.

#include "common/ColourFixture.h"
#include "common/TestMain.h"

#include "debugview/DebugTextView.h"
#include "debugview/ExtHilit.h"

#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>

using namespace ColourFixture;

namespace {

// Short keys keep the table readable: pair "A" runs from "<A" to "A>"; a leading "+" makes it
// foldable.
QList<TStartStopPair> MakePairs(const QStringList& names)
{
    QList<TStartStopPair> pairs;
    for (QString name : names) {
        const bool fold = name.startsWith(u'+');
        if (fold)
            name.remove(0, 1);
        pairs.append({u'<' + name, name + u'>', fold ? QColor() : QColor(Qt::red), fold});
    }
    return pairs;
}

QString SpansText(const QList<TExtHilit::TSpan>& spans)
{
    QStringList parts;
    for (const TExtHilit::TSpan& span : spans)
        parts << QStringLiteral("%1+%2:%3").arg(span.Start).arg(span.Length).arg(span.Pair);
    return parts.join(u' ');
}

QString LevelsText(const TFoldLevels& levels)
{
    return QStringLiteral("%1/%2/%3").arg(levels.StartLevel).arg(levels.EndLevel).arg(levels.BarCount);
}

const TStartStopPair Block{QStringLiteral("BEG    TBlock.Run"), QStringLiteral("END    TBlock.Run"), QColor(),
                           true};

// Which lines of a document are shown: "v" for a visible line, "-" for a hidden one.
QString Visibility(const QTextDocument* document)
{
    QString marks;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        marks += block.isVisible() ? u'v' : u'-';
    return marks;
}

} // namespace

class TestExtHilit : public QObject
{
    Q_OBJECT

private slots:
    void scanLine_data()
    {
        QTest::addColumn<QStringList>("pairs");
        QTest::addColumn<int>("openAtStart");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("spans");
        QTest::addColumn<int>("openAtEnd");
        QTest::addColumn<QString>("levels");

        const QStringList a{"A"};
        const QStringList ab{"A", "B"};
        const QStringList f{"+F"};
        QTest::newRow("no key") << a << -1 << "plain text"
                                << "" << -1 << "0/0/0";
        QTest::newRow("region within the line") << a << -1 << "x <A y A> z"
                                                << "2+7:0" << -1 << "0/0/0";
        QTest::newRow("region past the line's end") << a << -1 << "ab<A cd"
                                                    << "2+5:0" << 0 << "0/0/0";
        QTest::newRow("open region closes") << a << 0 << "x A> y"
                                            << "0+4:0" << -1 << "0/0/0";
        QTest::newRow("open region without its stop key") << a << 0 << "x y"
                                                          << "0+3:0" << 0 << "0/0/0";
        QTest::newRow("empty line inside a region") << a << 0 << ""
                                                    << "" << 0 << "0/0/0";
        QTest::newRow("no other start key inside a region") << ab << 0 << "<B x"
                                                            << "0+4:0" << 0 << "0/0/0";
        QTest::newRow("no start key of the same pair inside") << a << -1 << "<A <A A> A>"
                                                              << "0+8:0" << -1 << "0/0/0";
        QTest::newRow("earliest position before registration order") << ab << -1 << "x <B y B> <A z"
                                                                     << "2+7:1 10+4:0" << 0 << "0/0/0";
        QTest::newRow("same position: registered first") << QStringList{"A", "AB"} << -1 << "<AB q"
                                                         << "0+5:0" << 0 << "0/0/0";
        QTest::newRow("exact letter case") << a << -1 << "<a x a>"
                                           << "" << -1 << "0/0/0";
        QTest::newRow("stop key before the start key") << a << -1 << "A> <A"
                                                       << "3+2:0" << 0 << "0/0/0";
        QTest::newRow("scan resumes behind the stop key") << a << -1 << "<A A><A"
                                                          << "0+5:0 5+2:0" << 0 << "0/0/0";
        QTest::newRow("keys inside longer words") << a << -1 << "x<Ay yA>x"
                                                  << "1+7:0" << -1 << "0/0/0";
        QTest::newRow("a pair number beyond the list") << a << 5 << "x A>"
                                                       << "" << -1 << "0/0/0";
        QTest::newRow("fold opens") << f << -1 << "<F x"
                                    << "0+4:0" << 0 << "0/1/1";
        QTest::newRow("inside a fold") << f << 0 << "x"
                                       << "0+1:0" << 0 << "1/1/1";
        QTest::newRow("fold closes") << f << 0 << "x F>"
                                     << "0+4:0" << -1 << "1/0/1";
        QTest::newRow("fold opens and closes on the line") << f << -1 << "<F F>"
                                                           << "0+5:0" << -1 << "0/0/0";
        QTest::newRow("fold closes and opens again") << f << 0 << "F> <F"
                                                     << "0+2:0 3+2:0" << 0 << "1/1/1";
        QTest::newRow("fold opens, closes and opens") << f << -1 << "<F F> <F"
                                                      << "0+5:0 6+2:0" << 0 << "0/1/1";
        QTest::newRow("colour region has no level") << a << -1 << "<A"
                                                    << "0+2:0" << 0 << "0/0/0";
    }

    void scanLine()
    {
        QFETCH(QStringList, pairs);
        QFETCH(int, openAtStart);
        QFETCH(QString, text);
        QFETCH(QString, spans);
        QFETCH(int, openAtEnd);
        QFETCH(QString, levels);
        const TExtHilit::TLineScan scan = TExtHilit::ScanLine(text, MakePairs(pairs), openAtStart);
        QCOMPARE(SpansText(scan.Spans), spans);
        QCOMPARE(scan.OpenAtEnd, openAtEnd);
        QCOMPARE(LevelsText(scan.Levels), levels);
    }

    // On a real view: the region's colour reaches from the start key over whole lines to the stop
    // key, the background and font stay, and the fold levels are kept with each line.
    void regionsAcrossLines()
    {
        TDebugTextView view;
        TExtHilit highlighter(view.document());
        highlighter.AddStartStopPair({"BEG    TA.B", "END    TA.B", QColor(0, 128, 0), false});
        highlighter.AddStartStopPair(Block);
        view.setPlainText(QStringLiteral("x BEG    TA.B\n\tline\nEND    TA.B y\nBEG    TBlock.Run\n\tin\n"
                                         "END    TBlock.Run\nafter"));
        QCOMPARE(LineColours(view.document()),
                 (QStringList{"mixed", Green, "mixed", None, None, None, None}));
        const QList<QColor> first = CharColours(view.document()->firstBlock());
        QVERIFY(!first[0].isValid() && !first[1].isValid());
        QCOMPARE(first[2], QColor(0, 128, 0));
        for (const QTextLayout::FormatRange& range : view.document()->firstBlock().layout()->formats()) {
            QVERIFY(!range.format.hasProperty(QTextFormat::BackgroundBrush));
            QVERIFY(!range.format.hasProperty(QTextFormat::FontWeight));
        }
        QStringList levels;
        for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next())
            levels << LevelsText(TExtHilit::FoldLevels(block));
        QCOMPARE(levels, (QStringList{"0/0/0", "0/0/0", "0/0/0", "0/1/1", "1/1/1", "1/0/1", "0/0/0"}));
    }

    // Folding keeps the first line and hides the rest of the block, its closing line included;
    // unfolding shows them again. Lines outside the block are untouched.
    void foldHidesTheBlock()
    {
        TDebugTextView view;
        TExtHilit highlighter(view.document());
        highlighter.AddStartStopPair(Block);
        view.setPlainText(
            QStringLiteral("before\nBEG    TBlock.Run\n\tone\n\ttwo\nEND    TBlock.Run\nafter"));
        QCOMPARE(Visibility(view.document()), QStringLiteral("vvvvvv"));
        const QTextBlock first = view.document()->findBlockByNumber(1);
        QSignalSpy changed(&highlighter, &TExtHilit::FoldingChanged);
        QVERIFY(highlighter.SetFolded(first, true));
        QVERIFY(TExtHilit::Folded(first));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(Visibility(view.document()), QStringLiteral("vv---v"));
        // Hidden lines take no room: "after" follows the first line directly.
        const QRectF firstRect = view.BlockRect(first);
        QCOMPARE(view.BlockRect(view.document()->lastBlock()).top(), firstRect.bottom());
        QVERIFY(highlighter.SetFolded(first, false));
        QVERIFY(!TExtHilit::Folded(first));
        QCOMPARE(Visibility(view.document()), QStringLiteral("vvvvvv"));
        QCOMPARE(view.BlockRect(view.document()->findBlockByNumber(2)).top(), firstRect.bottom());
    }

    // Lines that come while a folded block is still open belong to it and stay hidden; the lines
    // after its end line are shown.
    void linesAppendedToAFoldedBlock()
    {
        TDebugTextView view;
        TExtHilit highlighter(view.document());
        highlighter.AddStartStopPair(Block);
        view.appendPlainText(QStringLiteral("BEG    TBlock.Run"));
        view.appendPlainText(QStringLiteral("\tone"));
        QVERIFY(highlighter.SetFolded(view.document()->firstBlock(), true));
        view.appendPlainText(QStringLiteral("\ttwo"));
        view.appendPlainText(QStringLiteral("END    TBlock.Run"));
        view.appendPlainText(QStringLiteral("after"));
        QCOMPARE(Visibility(view.document()), QStringLiteral("v---v"));
        QVERIFY(highlighter.SetFolded(view.document()->firstBlock(), false));
        QCOMPARE(Visibility(view.document()), QStringLiteral("vvvvv"));
    }

    // Only a line where a block opens and reaches past it can fold.
    void whatCannotFold()
    {
        TDebugTextView view;
        TExtHilit highlighter(view.document());
        highlighter.AddStartStopPair(Block);
        highlighter.AddStartStopPair({"BEG    TRed", "END    TRed", QColor(Qt::red), false});
        view.setPlainText(
            QStringLiteral("BEG    TBlock.Run END    TBlock.Run\nplain\nBEG    TRed\nx\nEND    TRed\n"
                           "BEG    TBlock.Run\nin\nEND    TBlock.Run"));
        QSignalSpy changed(&highlighter, &TExtHilit::FoldingChanged);
        for (int line : {0, 1, 2, 3, 4, 6, 7}) {
            const QTextBlock block = view.document()->findBlockByNumber(line);
            QVERIFY2(!highlighter.SetFolded(block, true), qPrintable(QString::number(line)));
            QVERIFY(!TExtHilit::Folded(block));
        }
        QCOMPARE(changed.size(), 0);
        QCOMPARE(Visibility(view.document()), QStringLiteral("vvvvvvvv"));
        // A line of another document is refused.
        QTextDocument other;
        other.setPlainText(QStringLiteral("BEG    TBlock.Run\nx"));
        QVERIFY(!highlighter.SetFolded(other.firstBlock(), true));
        QVERIFY(highlighter.SetFolded(view.document()->findBlockByNumber(5), true));
        QCOMPARE(Visibility(view.document()), QStringLiteral("vvvvvv--"));
    }

    // A pair registered later whose region swallows a folded block's first line: that line opens
    // nothing any more, so its fold is dropped and its lines are shown again.
    void foldDroppedWhenTheBlockNoLongerOpens()
    {
        TDebugTextView view;
        TExtHilit highlighter(view.document());
        highlighter.AddStartStopPair(Block);
        view.setPlainText(
            QStringLiteral("BEG    TOuter\nBEG    TBlock.Run\nin\nEND    TBlock.Run\nEND    TOuter"));
        QVERIFY(highlighter.SetFolded(view.document()->findBlockByNumber(1), true));
        QCOMPARE(Visibility(view.document()), QStringLiteral("vv--v"));
        QSignalSpy changed(&highlighter, &TExtHilit::FoldingChanged);
        highlighter.AddStartStopPair({"BEG    TOuter", "END    TOuter", QColor(Qt::blue), false});
        highlighter.RehighlightAll();
        QCOMPARE(changed.size(), 1);
        QVERIFY(!TExtHilit::Folded(view.document()->findBlockByNumber(1)));
        QCOMPARE(Visibility(view.document()), QStringLiteral("vvvvv"));
        QCOMPARE(LineColours(view.document()), (QStringList{Blue, Blue, Blue, Blue, Blue}));
    }
};

HOURGLEN_TEST_MAIN(TestExtHilit)
#include "tst_ExtHilit.moc"
