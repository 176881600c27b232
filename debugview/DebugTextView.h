#pragma once

#include <QPlainTextEdit>
#include <QRectF>
#include <QTextBlock>

// The debug window's text view: a plain text view that lets its folding handler reserve a left
// margin and find where its lines stand.
class TDebugTextView final : public QPlainTextEdit
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDebugTextView)

public:
    explicit TDebugTextView(QWidget* parent = nullptr);
    ~TDebugTextView() override;

    // The room left of the text, between the frame and the viewport.
    void SetLeftMargin(int width) { setViewportMargins(width, 0, 0, 0); }
    int LeftMargin() const { return viewportMargins().left(); }

    QTextBlock FirstVisibleBlock() const { return firstVisibleBlock(); }
    // The line's rectangle in viewport coordinates.
    QRectF BlockRect(const QTextBlock& block) const
    {
        return blockBoundingGeometry(block).translated(contentOffset());
    }
};
