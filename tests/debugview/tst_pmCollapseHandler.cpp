// The fold margin of the debug view: its bars and signs, and folding by clicking a sign.

#include "common/TestMain.h"

#include "debugview/DebugBox.h"
#include "debugview/DebugTextView.h"
#include "debugview/ExtHilit.h"
#include "debugview/pmCollapseHandler.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

namespace {

QString ShapesText(const TMarginShapes& shapes)
{
    QStringList bars;
    QStringList squares;
    QStringList strokes;
    for (const QLine& bar : shapes.Bars) {
        // Bars are vertical; a slanted one would show both x values.
        bars << (bar.x1() == bar.x2() ? QStringLiteral("%1:%2-%3").arg(bar.x1()).arg(bar.y1()).arg(bar.y2())
                                      : QStringLiteral("slanted"));
    }
    for (const QRect& square : shapes.Squares)
        squares << QStringLiteral("%1,%2 %3x%4")
                       .arg(square.x())
                       .arg(square.y())
                       .arg(square.width())
                       .arg(square.height());
    for (const QLine& stroke : shapes.Strokes)
        strokes << QStringLiteral("%1,%2-%3,%4")
                       .arg(stroke.x1())
                       .arg(stroke.y1())
                       .arg(stroke.x2())
                       .arg(stroke.y2());
    return bars.join(u' ') + u'|' + squares.join(u' ') + u'|' + strokes.join(u' ');
}

TDebugTextView* ViewOf(const TkvtDebugBox& box)
{
    return qobject_cast<TDebugTextView*>(box.View());
}

QWidget* MarginOf(const TkvtDebugBox& box)
{
    return box.CollapseHandler()->Margin();
}

QTextBlock Line(const TkvtDebugBox& box, int number)
{
    return box.View()->document()->findBlockByNumber(number);
}

// The middle of a line's sign, in margin coordinates: the sign box is e by e (e the smaller of the
// bar width and the line height) at the margin's left and vertically centred in the line.
QPoint SignPoint(const TkvtDebugBox& box, int number)
{
    const QRectF line = ViewOf(box)->BlockRect(Line(box, number));
    const int h = int(line.height());
    const int e = std::min(7, h);
    return {e / 2, int(line.top()) + (h - e) / 2 + e / 2};
}

QString Visibility(const TkvtDebugBox& box)
{
    QString marks;
    for (QTextBlock block = box.View()->document()->begin(); block.isValid(); block = block.next())
        marks += block.isVisible() ? u'v' : u'-';
    return marks;
}

void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& position, Qt::MouseButton button,
               quint64 timestamp = 0)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                         ? Qt::NoButton
                                         : Qt::MouseButtons(button);
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, buttons, Qt::NoModifier);
    if (timestamp)
        event.setTimestamp(timestamp);
    QApplication::sendEvent(widget, &event);
}

void MoveTo(QWidget* widget, const QPoint& position)
{
    SendMouse(widget, QEvent::MouseMove, position, Qt::NoButton);
}

QImage CursorImage(const QCursor& cursor)
{
    return cursor.pixmap().toImage();
}

// A box showing a "BLOCK" block of three lines between two plain lines.
void FillBlock(TkvtDebugBox& box)
{
    box.SetVisible(true);
    box.AddLine(QStringLiteral("before"));
    box.AddLine(QStringLiteral("\tBEG    BLOCKTBlock.Run"));
    box.AddLine(QStringLiteral("\t\tinside"));
    box.AddLine(QStringLiteral("\tEND    BLOCKTBlock.Run"));
    box.AddLine(QStringLiteral("after"));
}

const QRgb BarRgb = qRgb(0xA6, 0xCA, 0xF0);
const QRgb White = qRgb(0xFF, 0xFF, 0xFF);
const QRgb Black = qRgb(0, 0, 0);

} // namespace

class TestCollapseHandler : public QObject
{
    Q_OBJECT

private slots:
    void properties()
    {
        QCOMPARE(TCollapseHandler::BarWidth, 7);
        QCOMPARE(TCollapseHandler::BarColor, QColor(166, 202, 240));
        QCOMPARE(TCollapseHandler::CollapseSignColor, QColor(Qt::black));
        QCOMPARE(TCollapseHandler::MaxLevels, 4);
        QCOMPARE(TCollapseHandler::HintCollapsedText, false);
        // The view leaves its 8-pixel margin left of the text, and the margin strip fills it.
        TkvtDebugBox box;
        box.SetVisible(true);
        TDebugTextView* view = ViewOf(box);
        QVERIFY(view);
        QCOMPARE(view->LeftMargin(), 8);
        const QRect viewport = view->viewport()->geometry();
        const QRect margin = MarginOf(box)->geometry();
        QCOMPARE(margin.width(), 8);
        QCOMPARE(margin.right() + 1, viewport.left());
        QCOMPARE(margin.top(), viewport.top());
        QCOMPARE(margin.height(), viewport.height());
        // The strip follows the viewport when the window's height changes.
        box.SetHeight(300);
        QTRY_VERIFY(view->viewport()->height() < viewport.height());
        QTRY_COMPARE(MarginOf(box)->height(), view->viewport()->height());
    }

    void marginShapes_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("bars");
        QTest::addColumn<bool>("folded");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("shapes");

        // Bar pen 7 wide: e = min(7, h), top = (h - e) / 2, level i's bar at x = i * 8 + 3.
        QTest::newRow("no level") << 0 << 0 << 0 << false << 13 << "||";
        QTest::newRow("block opens") << 0 << 1 << 1 << false << 13 << "3:0-13|0,3 7x7|2,6-4,6";
        QTest::newRow("folded block opens") << 0 << 1 << 1 << true << 13 << "3:0-13|0,3 7x7|2,6-4,6 3,5-3,7";
        QTest::newRow("inside a block") << 1 << 1 << 1 << false << 13 << "3:0-13||";
        QTest::newRow("folded flag on a line that opens nothing") << 1 << 1 << 1 << true << 13 << "3:0-13||";
        QTest::newRow("block closes") << 1 << 0 << 1 << false << 13 << "3:0-6||0,10-6,10";
        QTest::newRow("tall line") << 0 << 1 << 1 << false << 20 << "3:0-20|0,6 7x7|2,9-4,9";
        QTest::newRow("closes on a tall line") << 1 << 0 << 1 << false << 20 << "3:0-13||0,13-6,13";
        QTest::newRow("short line") << 0 << 1 << 1 << false << 5 << "3:0-5|1,0 5x5|3,2-3,2";
        QTest::newRow("closes on a short line") << 1 << 0 << 1 << false << 5 << "||1,5-5,5";
        QTest::newRow("two levels open, the last folded")
            << 0 << 2 << 2 << true << 13 << "3:0-13 11:0-13|0,3 7x7 8,3 7x7|2,6-4,6 10,6-12,6 11,5-11,7";
        QTest::newRow("two levels close")
            << 2 << 0 << 2 << false << 13 << "3:0-6 11:0-6||8,10-14,10 0,10-6,10";
        QTest::newRow("deeper than MaxLevels")
            << 4 << 5 << 5 << false << 13 << "3:0-13 11:0-13 19:0-13 27:0-13|24,3 7x7|26,6-28,6";
    }

    void marginShapes()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, bars);
        QFETCH(bool, folded);
        QFETCH(int, height);
        QFETCH(QString, shapes);
        QCOMPARE(ShapesText(TCollapseHandler::MarginShapes({start, end, bars}, folded, height)), shapes);
    }

    void signLevelAt_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("level");

        // Line height 13: the sign lies from y 3 to y 10.
        QTest::newRow("middle of the sign") << 0 << 1 << 3 << 6 << 0;
        QTest::newRow("top left corner") << 0 << 1 << 0 << 3 << 0;
        QTest::newRow("bottom edge") << 0 << 1 << 6 << 10 << 0;
        QTest::newRow("above the sign") << 0 << 1 << 3 << 2 << -1;
        QTest::newRow("below the sign") << 0 << 1 << 3 << 11 << -1;
        QTest::newRow("left of the text") << 0 << 1 << -1 << 6 << -1;
        QTest::newRow("inside a block") << 1 << 1 << 3 << 6 << -1;
        QTest::newRow("block closes") << 1 << 0 << 3 << 6 << -1;
        QTest::newRow("no block") << 0 << 0 << 3 << 6 << -1;
        QTest::newRow("second level") << 0 << 2 << 10 << 6 << 1;
        QTest::newRow("last column names the start level") << 4 << 5 << 27 << 6 << 4;
        QTest::newRow("beyond the last column") << 4 << 5 << 28 << 6 << -1;
    }

    void signLevelAt()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, level);
        QCOMPARE(TCollapseHandler::SignLevelAt(x, y, {start, end, std::max(start, end)}, 13), level);
    }

    // Bars are ANDed with what is under them: black stays black, white turns light blue, red turns
    // red 166; the sign box is filled with the background and outlined in black.
    void barsMaskWhatIsUnder()
    {
        QImage image(16, 13, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setPixel(3, 5, Black);
        image.setPixel(4, 5, qRgb(255, 0, 0));
        {
            QPainter painter(&image);
            TCollapseHandler::PaintShapes(painter, TCollapseHandler::MarginShapes({1, 1, 1}, false, 13));
        }
        QCOMPARE(image.pixel(3, 5), Black);
        QCOMPARE(image.pixel(4, 5), qRgb(166, 0, 0));
        for (int x = 0; x < 16; ++x)
            QCOMPARE(image.pixel(x, 0), x < 7 ? BarRgb : White);
        QCOMPARE(image.pixel(3, 12), BarRgb);

        image.fill(Qt::white);
        {
            QPainter painter(&image);
            TCollapseHandler::PaintShapes(painter, TCollapseHandler::MarginShapes({0, 1, 1}, true, 13));
        }
        QCOMPARE(image.pixel(0, 3), Black);  // box corner
        QCOMPARE(image.pixel(6, 9), Black);  // opposite corner
        QCOMPARE(image.pixel(1, 4), White);  // inside the box
        QCOMPARE(image.pixel(3, 6), Black);  // centre of the plus
        QCOMPARE(image.pixel(3, 5), Black);  // its vertical stroke
        QCOMPARE(image.pixel(3, 1), BarRgb); // bar above the box
    }

    // The look, as the window draws it: a light-blue bar beside the block from its first to its
    // last line, a minus sign on the first line, an end stroke on the last; nothing elsewhere.
    void renderedBlock()
    {
        TkvtDebugBox box;
        FillBlock(box);
        QCOMPARE(box.View()->toPlainText(),
                 QStringLiteral("before\nBEG    TBlock.Run\n\t\tinside\nEND    TBlock.Run\nafter"));
        TDebugTextView* view = ViewOf(box);
        const QImage image = MarginOf(box)->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(image.width(), 8);
        auto rect = [&](int line) { return view->BlockRect(Line(box, line)).toRect(); };
        const int h = rect(1).height();
        QVERIFY2(h >= 9, "the view's lines are tall enough for the sign and the end stroke");
        const int top = (h - 7) / 2;

        auto rowIs = [&](int y, QRgb inBar, QRgb outside) {
            for (int x = 0; x < 8; ++x) {
                if (image.pixel(x, y) != (x < 7 ? inBar : outside))
                    return false;
            }
            return true;
        };
        // Lines outside the block: base colour only.
        for (int y = rect(0).top(); y <= rect(0).bottom(); ++y)
            QVERIFY2(rowIs(y, White, White), qPrintable(QString::number(y)));
        for (int y = rect(4).top(); y <= rect(4).bottom() && y < image.height(); ++y)
            QVERIFY2(rowIs(y, White, White), qPrintable(QString::number(y)));
        // The line inside: the bar over the whole height, seven pixels wide.
        for (int y = rect(2).top(); y <= rect(2).bottom(); ++y)
            QVERIFY2(rowIs(y, BarRgb, White), qPrintable(QString::number(y)));
        // The first line: a boxed minus.
        const int signTop = rect(1).top() + top;
        QVERIFY(rowIs(signTop, Black, White));
        QVERIFY(rowIs(signTop + 6, Black, White));
        QCOMPARE(image.pixel(1, signTop + 1), White);
        QCOMPARE(image.pixel(3, signTop + 3), Black);
        QCOMPARE(image.pixel(3, signTop + 2), White); // no plus while open
        if (top > 0)
            QVERIFY(rowIs(rect(1).top(), BarRgb, White));
        // The last line: the bar stops 7 pixels above its bottom, and the end stroke below it.
        QVERIFY(rowIs(rect(3).top(), BarRgb, White));
        QVERIFY(rowIs(rect(3).top() + h - 8, BarRgb, White));
        QVERIFY(rowIs(rect(3).top() + h - 7, White, White));
        QVERIFY(rowIs(rect(3).top() + top + 7, Black, White));
    }

    // A click on the sign folds the block to its first line with a plus sign; a second click
    // unfolds it. The pointer over the sign shows the collapse or the expand cursor.
    void clickFoldsAndUnfolds()
    {
        TkvtDebugBox box;
        FillBlock(box);
        QWidget* margin = MarginOf(box);
        const QPoint sign = SignPoint(box, 1);

        MoveTo(margin, sign);
        QCOMPARE(margin->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(CursorImage(margin->cursor()),
                 CursorImage(TCollapseHandler::Cursor(QStringLiteral("PMCOLLAPSECURSOR"))));

        QTest::mouseClick(margin, Qt::LeftButton, Qt::NoModifier, sign);
        QVERIFY(TExtHilit::Folded(Line(box, 1)));
        QCOMPARE(Visibility(box), QStringLiteral("vv--v"));
        QCOMPARE(CursorImage(margin->cursor()),
                 CursorImage(TCollapseHandler::Cursor(QStringLiteral("PMEXPANDCURSOR"))));
        // The folded line shows a plus, and "after" moves up under it.
        TDebugTextView* view = ViewOf(box);
        QCOMPARE(view->BlockRect(Line(box, 4)).top(), view->BlockRect(Line(box, 1)).bottom());
        const QImage folded = margin->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(folded.pixel(3, sign.y() - 1), Black);
        QCOMPARE(folded.pixel(2, sign.y()), Black);

        QTest::mouseClick(margin, Qt::LeftButton, Qt::NoModifier, SignPoint(box, 1));
        QVERIFY(!TExtHilit::Folded(Line(box, 1)));
        QCOMPARE(Visibility(box), QStringLiteral("vvvvv"));
        QCOMPARE(CursorImage(margin->cursor()),
                 CursorImage(TCollapseHandler::Cursor(QStringLiteral("PMCOLLAPSECURSOR"))));
        const QImage open = margin->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(open.pixel(3, sign.y() - 1), White);

        // Away from the sign the pointer is the margin's own again.
        MoveTo(margin, QPoint(3, SignPoint(box, 4).y()));
        QVERIFY(!margin->testAttribute(Qt::WA_SetCursor));
    }

    void cursorsDrawnApart()
    {
        const QCursor expand = TCollapseHandler::Cursor(QStringLiteral("PMEXPANDCURSOR"));
        const QCursor collapse = TCollapseHandler::Cursor(QStringLiteral("PMCOLLAPSECURSOR"));
        QCOMPARE(expand.shape(), Qt::BitmapCursor);
        QCOMPARE(collapse.shape(), Qt::BitmapCursor);
        QVERIFY(!expand.pixmap().isNull());
        QVERIFY(CursorImage(expand) != CursorImage(collapse));
        QCOMPARE(TCollapseHandler::Cursor(QStringLiteral("OTHER")).shape(), Qt::ArrowCursor);
    }

    // A block that opens and closes on one line draws nothing and cannot be folded.
    void oneLineBlock()
    {
        TkvtDebugBox box;
        box.SetVisible(true);
        box.AddLine(QStringLiteral("BEG    BLOCKTOne.Line"));
        box.AddLine(QStringLiteral("END    BLOCKTOne.Line"));
        box.ClearLines();
        box.AddLine(QStringLiteral("x BEG    TOne.Line y END    TOne.Line z"));
        box.AddLine(QStringLiteral("next"));
        QCOMPARE(TExtHilit::FoldLevels(Line(box, 0)), TFoldLevels{});
        QWidget* margin = MarginOf(box);
        const QImage image = margin->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                QCOMPARE(image.pixel(x, y), White);
        }
        MoveTo(margin, SignPoint(box, 0));
        QVERIFY(!margin->testAttribute(Qt::WA_SetCursor));
        QTest::mouseClick(margin, Qt::LeftButton, Qt::NoModifier, SignPoint(box, 0));
        QVERIFY(!TExtHilit::Folded(Line(box, 0)));
        QCOMPARE(Visibility(box), QStringLiteral("vv"));
    }

    // A double click on the sign folds once: neither its second press nor the double-click
    // message folds again, and none of them reaches the view.
    void doubleClickFoldsOnce()
    {
        TkvtDebugBox box;
        FillBlock(box);
        QWidget* margin = MarginOf(box);
        const QPoint sign = SignPoint(box, 1);
        QTest::mousePress(margin, Qt::LeftButton, Qt::NoModifier, sign);
        QTest::mouseRelease(margin, Qt::LeftButton, Qt::NoModifier, sign);
        QTest::mouseDClick(margin, Qt::LeftButton, Qt::NoModifier, sign);
        QTest::mouseRelease(margin, Qt::LeftButton, Qt::NoModifier, sign);
        QVERIFY(TExtHilit::Folded(Line(box, 1)));
        QCOMPARE(Visibility(box), QStringLiteral("vv--v"));

        // The same with the second press delivered as a press of its own before the double click.
        const quint64 t = 1'000'000;
        SendMouse(margin, QEvent::MouseButtonPress, sign, Qt::LeftButton, t);
        SendMouse(margin, QEvent::MouseButtonRelease, sign, Qt::LeftButton, t + 50);
        SendMouse(margin, QEvent::MouseButtonPress, sign, Qt::LeftButton, t + 100);
        SendMouse(margin, QEvent::MouseButtonDblClick, sign, Qt::LeftButton, t + 100);
        SendMouse(margin, QEvent::MouseButtonRelease, sign, Qt::LeftButton, t + 150);
        QVERIFY(!TExtHilit::Folded(Line(box, 1)));
        QCOMPARE(Visibility(box), QStringLiteral("vvvvv"));

        // A press on the sign is not passed on.
        QMouseEvent press(QEvent::MouseButtonPress, sign, margin->mapToGlobal(sign), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        press.setTimestamp(t + 10'000);
        QVERIFY(QApplication::sendEvent(margin, &press));
        SendMouse(margin, QEvent::MouseButtonRelease, sign, Qt::LeftButton, t + 10'050);
        QVERIFY(TExtHilit::Folded(Line(box, 1)));
    }

    void otherButtonsDoNotFold()
    {
        TkvtDebugBox box;
        FillBlock(box);
        QWidget* margin = MarginOf(box);
        QTest::mouseClick(margin, Qt::RightButton, Qt::NoModifier, SignPoint(box, 1));
        QTest::mouseClick(margin, Qt::MiddleButton, Qt::NoModifier, SignPoint(box, 1));
        QVERIFY(!TExtHilit::Folded(Line(box, 1)));
        QCOMPARE(Visibility(box), QStringLiteral("vvvvv"));
    }

    // While a press in the text is in progress (a selection), the margin shows no sign.
    void noSignDuringASelection()
    {
        TkvtDebugBox box;
        FillBlock(box);
        QWidget* margin = MarginOf(box);
        QWidget* viewport = box.View()->viewport();
        const QPoint sign = SignPoint(box, 1);
        SendMouse(viewport, QEvent::MouseButtonPress, QPoint(20, sign.y()), Qt::LeftButton);
        MoveTo(margin, sign);
        QVERIFY(!margin->testAttribute(Qt::WA_SetCursor));
        SendMouse(margin, QEvent::MouseButtonPress, sign, Qt::LeftButton);
        QVERIFY(!TExtHilit::Folded(Line(box, 1)));
        SendMouse(viewport, QEvent::MouseButtonRelease, QPoint(20, sign.y()), Qt::LeftButton);
        MoveTo(margin, sign);
        QCOMPARE(CursorImage(margin->cursor()),
                 CursorImage(TCollapseHandler::Cursor(QStringLiteral("PMCOLLAPSECURSOR"))));
    }

    // The signs move with the text when it scrolls sideways.
    void signsMoveWithHorizontalScrolling()
    {
        TkvtDebugBox box;
        FillBlock(box);
        box.AddLine(QString(400, u'w'));
        QScrollBar* bar = box.View()->horizontalScrollBar();
        QTRY_VERIFY(bar->maximum() > 10);
        QWidget* margin = MarginOf(box);
        bar->setValue(4);
        // The sign's left part has moved out of the margin; the sign now starts at x -4.
        const QPoint sign = SignPoint(box, 1);
        MoveTo(margin, QPoint(1, sign.y()));
        QCOMPARE(CursorImage(margin->cursor()),
                 CursorImage(TCollapseHandler::Cursor(QStringLiteral("PMCOLLAPSECURSOR"))));
        const QImage image = margin->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(image.pixel(2, sign.y() + 1), Black); // the box's right edge, at 6 - 4
        QCOMPARE(image.pixel(1, sign.y() + 1), White); // inside the box
        QCOMPARE(image.pixel(4, sign.y() + 1), White); // right of the box and of the bar
        bar->setValue(12);
        MoveTo(margin, QPoint(1, sign.y()));
        QVERIFY(!margin->testAttribute(Qt::WA_SetCursor));
    }
};

HOURGLEN_TEST_MAIN(TestCollapseHandler)
#include "tst_pmCollapseHandler.moc"
