#pragma once

#include "debugview/ExtHilit.h"

#include <QColor>
#include <QCursor>
#include <QLine>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

class QPainter;
class QWidget;
class TDebugTextView;

// What the margin shows beside one line, in pixels from the left edge of the text and the top of
// the line: bars in the bar pen (each a vertical centre line; its y2 is the first row not covered),
// sign boxes and strokes in the sign pen.
struct TMarginShapes
{
    QList<QLine> Bars;
    QList<QRect> Squares;
    QList<QLine> Strokes;

    bool IsEmpty() const { return Bars.isEmpty() && Squares.isEmpty() && Strokes.isEmpty(); }
};

// Draws the fold bars and signs in the debug view's left margin and folds or unfolds a block when
// its sign is clicked. The pointer over a sign shows the expand or collapse cursor.
class TCollapseHandler final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TCollapseHandler)

public:
    static constexpr int MarginWidth = 8;
    static constexpr int BarWidth = 7;
    static constexpr int MaxLevels = 4;
    static constexpr bool HintCollapsedText = false;
    static inline const QColor BarColor = QColor(0xA6, 0xCA, 0xF0);
    static inline const QColor CollapseSignColor = QColor(Qt::black);

    // The view keeps its text and the highlighter its fold levels; the handler is owned by the view.
    TCollapseHandler(TDebugTextView* view, TExtHilit* highlighter);
    ~TCollapseHandler() override;

    // The margin beside a line of the given height with the given fold levels; folded tells
    // whether the last block that opens on the line is folded.
    static TMarginShapes MarginShapes(const TFoldLevels& levels, bool folded, int lineHeight,
                                      int barWidth = BarWidth, int maxLevels = MaxLevels);
    // The level whose sign lies under a point (x from the left edge of the text, y from the top
    // of the line), or -1 when the point is on no sign.
    static int SignLevelAt(int x, int y, const TFoldLevels& levels, int lineHeight, int barWidth = BarWidth,
                           int maxLevels = MaxLevels);
    static void PaintShapes(QPainter& painter, const TMarginShapes& shapes, int barWidth = BarWidth);

    // The pointers over a sign, by their resource names "PMEXPANDCURSOR" and "PMCOLLAPSECURSOR".
    static QCursor Cursor(const QString& resourceName);

    QWidget* Margin() const;

    // Folds or unfolds the block that opens on a line, as a click on its sign does.
    bool ToggleFold(const QTextBlock& block);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class TMargin;

    void PaintMargin(QPainter& painter, const QRect& area);
    void PlaceMargin();
    // The line whose sign lies under a point of the margin, or an invalid block.
    QTextBlock SignAt(const QPoint& position) const;
    void TrackPointer(const QPoint& position);
    bool MarginMouseEvent(QEvent* event);

    TDebugTextView* m_view;
    // Compared with, never called: while the view is destroyed its children still send events.
    QWidget* m_viewport;
    QPointer<TExtHilit> m_highlighter;
    TMargin* m_margin;          // owned by the view
    int m_signLine = -1;        // the line of the remembered sign, or -1
    bool m_signPressed = false; // a press on a sign is in progress
    bool m_selecting = false;   // a press in the text is in progress
    int m_toggledLine = -1;     // the line whose sign a press last toggled, and when
    quint64 m_toggledAt = 0;
};
