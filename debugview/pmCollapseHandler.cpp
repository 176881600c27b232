#include "debugview/pmCollapseHandler.h"

#include "debugview/DebugTextView.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextDocument>
#include <QWidget>

#include <algorithm>

namespace {

const QString ExpandCursorName = QStringLiteral("PMEXPANDCURSOR");
const QString CollapseCursorName = QStringLiteral("PMCOLLAPSECURSOR");

// An arrow pointer with a small boxed plus (expand) or minus (collapse) below its tip.
QCursor DrawFoldCursor(bool expand)
{
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    const QPolygon arrow({QPoint(0, 0), QPoint(0, 15), QPoint(4, 11), QPoint(7, 17), QPoint(9, 16),
                          QPoint(6, 10), QPoint(11, 10)});
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawPolygon(arrow);
    const QRect box(12, 14, 11, 11);
    painter.fillRect(box, Qt::white);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    const int middleY = box.top() + box.height() / 2;
    const int middleX = box.left() + box.width() / 2;
    painter.drawLine(box.left() + 2, middleY, box.right() - 2, middleY);
    if (expand)
        painter.drawLine(middleX, box.top() + 2, middleX, box.bottom() - 2);
    painter.end();
    return QCursor(picture, 0, 0);
}

quint64 DoubleClickInterval()
{
    return quint64(std::max(0, QGuiApplication::styleHints()->mouseDoubleClickInterval()));
}

} // namespace

// The strip left of the viewport; its painting and its mouse messages belong to the handler.
class TCollapseHandler::TMargin final : public QWidget
{
public:
    TMargin(TCollapseHandler* handler, QWidget* parent) : QWidget(parent), m_handler(handler)
    {
        setObjectName(QStringLiteral("CollapseMargin"));
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        m_handler->PaintMargin(painter, event->rect());
    }

private:
    TCollapseHandler* m_handler;
};

TCollapseHandler::TCollapseHandler(TDebugTextView* view, TExtHilit* highlighter)
    : QObject(view), m_view(view), m_viewport(view->viewport()), m_highlighter(highlighter),
      m_margin(new TMargin(this, view))
{
    m_view->SetLeftMargin(MarginWidth);
    PlaceMargin();
    m_viewport->installEventFilter(this);
    m_margin->installEventFilter(this);
    connect(m_view, &QPlainTextEdit::updateRequest, m_margin,
            [this](const QRect&, int) { m_margin->update(); });
    connect(m_view->horizontalScrollBar(), &QScrollBar::valueChanged, m_margin,
            [this] { m_margin->update(); });
    connect(m_highlighter, &TExtHilit::FoldingChanged, m_margin, [this] { m_margin->update(); });
}

TCollapseHandler::~TCollapseHandler() = default;

QWidget* TCollapseHandler::Margin() const
{
    return m_margin;
}

TMarginShapes TCollapseHandler::MarginShapes(const TFoldLevels& levels, bool folded, int lineHeight,
                                             int barWidth, int maxLevels)
{
    TMarginShapes shapes;
    if (levels.BarCount <= 0 || lineHeight <= 0)
        return shapes;
    const int w = barWidth;
    const int h = lineHeight;
    const int e = std::min(w, h);
    const int top = (h - e) / 2;

    for (int i = 0; i < levels.BarCount && i < maxLevels; ++i) {
        const int x = i * (w + 1) + w / 2;
        // A block that closes on this line ends its bar above the line's bottom.
        const int bottom = i >= levels.EndLevel ? h - w : h;
        if (bottom > 0)
            shapes.Bars.append(QLine(x, 0, x, bottom));
    }

    if (levels.StartLevel == levels.EndLevel)
        return shapes;
    auto columnLeft = [&](int level) {
        const int column = std::min(level, maxLevels - 1);
        return column * (w + 1) + (w - e) / 2;
    };
    for (int level = levels.StartLevel; level < levels.EndLevel; ++level) {
        const int left = columnLeft(level);
        shapes.Squares.append(QRect(left, top, e, e));
        if (e >= 5) {
            shapes.Strokes.append(QLine(left + 2, top + e / 2, left + e - 3, top + e / 2));
            if (folded && level == levels.EndLevel - 1)
                shapes.Strokes.append(QLine(left + e / 2, top + 2, left + e / 2, top + e - 3));
        }
    }
    for (int level = levels.StartLevel - 1; level >= levels.EndLevel; --level) {
        const int left = columnLeft(level);
        shapes.Strokes.append(QLine(left, top + e, left + e - 1, top + e));
    }
    return shapes;
}

int TCollapseHandler::SignLevelAt(int x, int y, const TFoldLevels& levels, int lineHeight, int barWidth,
                                  int maxLevels)
{
    const int e = std::min(barWidth, lineHeight);
    const int top = (lineHeight - e) / 2;
    if (e <= 0 || x < 0 || y < top || y > top + e || x >= e * maxLevels)
        return -1;
    int column = x / (e + 1);
    if (column == maxLevels - 1 && levels.StartLevel > column)
        column = levels.StartLevel;
    return column >= levels.StartLevel && column < levels.EndLevel ? column : -1;
}

void TCollapseHandler::PaintShapes(QPainter& painter, const TMarginShapes& shapes, int barWidth)
{
    // Bars are ANDed with what is there, so whatever lies under them stays visible.
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    for (const QLine& bar : shapes.Bars)
        painter.fillRect(QRect(bar.x1() - barWidth / 2, bar.y1(), barWidth, bar.y2() - bar.y1()), BarColor);
    painter.restore();

    painter.save();
    painter.setPen(QPen(CollapseSignColor, 1));
    for (const QRect& square : shapes.Squares) {
        painter.fillRect(square, painter.background());
        painter.drawRect(square.adjusted(0, 0, -1, -1));
    }
    for (const QLine& stroke : shapes.Strokes)
        painter.drawLine(stroke);
    painter.restore();
}

QCursor TCollapseHandler::Cursor(const QString& resourceName)
{
    static const QCursor expand = DrawFoldCursor(true);
    static const QCursor collapse = DrawFoldCursor(false);
    if (resourceName == ExpandCursorName)
        return expand;
    if (resourceName == CollapseCursorName)
        return collapse;
    return QCursor();
}

void TCollapseHandler::PlaceMargin()
{
    const QRect contents = m_view->contentsRect();
    const QRect viewport = m_viewport->geometry();
    m_margin->setGeometry(contents.left(), viewport.top(), MarginWidth, viewport.height());
}

void TCollapseHandler::PaintMargin(QPainter& painter, const QRect& area)
{
    const QBrush base = m_view->palette().base();
    painter.fillRect(area, base);
    painter.setBackground(base);
    if (!m_highlighter)
        return;
    const int scroll = m_view->horizontalScrollBar()->value();
    for (QTextBlock block = m_view->FirstVisibleBlock(); block.isValid(); block = block.next()) {
        if (!block.isVisible())
            continue;
        const QRectF line = m_view->BlockRect(block);
        if (line.top() > area.bottom())
            break;
        if (line.bottom() < area.top())
            continue;
        const TMarginShapes shapes =
            MarginShapes(TExtHilit::FoldLevels(block), TExtHilit::Folded(block), int(line.height()));
        if (shapes.IsEmpty())
            continue;
        painter.save();
        painter.translate(-scroll, int(line.top()));
        PaintShapes(painter, shapes);
        painter.restore();
    }
}

QTextBlock TCollapseHandler::SignAt(const QPoint& position) const
{
    if (position.x() < 0 || position.x() >= MarginWidth)
        return {};
    const int x = position.x() + m_view->horizontalScrollBar()->value();
    for (QTextBlock block = m_view->FirstVisibleBlock(); block.isValid(); block = block.next()) {
        if (!block.isVisible())
            continue;
        const QRectF line = m_view->BlockRect(block);
        if (line.top() > position.y())
            break;
        if (position.y() >= line.bottom())
            continue;
        const int y = position.y() - int(line.top());
        if (SignLevelAt(x, y, TExtHilit::FoldLevels(block), int(line.height())) >= 0)
            return block;
        break;
    }
    return {};
}

void TCollapseHandler::TrackPointer(const QPoint& position)
{
    m_signLine = -1;
    const QTextBlock block = m_selecting ? QTextBlock() : SignAt(position);
    if (!block.isValid()) {
        m_margin->unsetCursor();
        return;
    }
    m_signLine = block.blockNumber();
    m_margin->setCursor(Cursor(TExtHilit::Folded(block) ? ExpandCursorName : CollapseCursorName));
}

bool TCollapseHandler::ToggleFold(const QTextBlock& block)
{
    return m_highlighter && m_highlighter->SetFolded(block, !TExtHilit::Folded(block));
}

bool TCollapseHandler::MarginMouseEvent(QEvent* event)
{
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint position = mouse->position().toPoint();
    switch (event->type()) {
    case QEvent::MouseMove:
        if (m_signPressed)
            return true;
        TrackPointer(position);
        return false;
    case QEvent::MouseButtonPress:
        if (mouse->button() != Qt::LeftButton)
            return false;
        // Tested again at the press itself: a press may come without a move before it (a touch, a
        // synthetic click), and the lines under a still pointer may have changed since.
        TrackPointer(position);
        if (m_signLine < 0)
            return false;
        // The second press of a double click may come as a press of its own before the double
        // click message; it does not fold again.
        if (m_signLine != m_toggledLine || mouse->timestamp() - m_toggledAt >= DoubleClickInterval()) {
            ToggleFold(m_view->document()->findBlockByNumber(m_signLine));
            m_toggledLine = m_signLine;
            m_toggledAt = mouse->timestamp();
        }
        m_signPressed = true;
        return true;
    case QEvent::MouseButtonDblClick:
        // The second press of a double click on a sign does not fold again.
        if (mouse->button() != Qt::LeftButton || m_signLine < 0)
            return false;
        m_signPressed = true;
        return true;
    case QEvent::MouseButtonRelease:
        if (mouse->button() != Qt::LeftButton || !m_signPressed)
            return false;
        m_signPressed = false;
        TrackPointer(position);
        return true;
    default:
        return false;
    }
}

bool TCollapseHandler::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_margin) {
        switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            return MarginMouseEvent(event);
        case QEvent::Leave:
            if (!m_signPressed)
                m_signLine = -1;
            return false;
        default:
            return false;
        }
    }
    if (watched == m_viewport) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                m_selecting = true;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                m_selecting = false;
        }
        // The viewport is laid out anew when the view's size or its scroll bars change.
        if (event->type() == QEvent::Resize || event->type() == QEvent::Move)
            PlaceMargin();
        return false;
    }
    return false;
}
