#include "debugview/DebugBox.h"

#include "debugview/DebugTextView.h"
#include "debugview/ExtHilit.h"
#include "debugview/pmCollapseHandler.h"

#include <QEvent>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QTime>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <array>

namespace {

QRect primaryScreenGeometry()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

const QString BeginMarker = QStringLiteral("BEG    ");
const QString EndMarker = QStringLiteral("END    ");
constexpr qsizetype MaxNameLength = 255;

// The colour words after "BEG    " and "END    ", in the order they are looked for.
struct TMarker
{
    QString Word;
    QColor TextColor; // invalid: the text keeps its colour
    bool Foldable;
};

const std::array<TMarker, 4>& Markers()
{
    static const std::array<TMarker, 4> markers{{
        {QStringLiteral("BLOCK"), QColor(), true},
        {QStringLiteral("GREEN"), QColor(0x00, 0x80, 0x00), false},
        {QStringLiteral("BLUE"), QColor(0x00, 0x00, 0xFF), false},
        {QStringLiteral("RED"), QColor(0xFF, 0x00, 0x00), false},
    }};
    return markers;
}

// The block name: the text after the colour word, cut to its first 255 characters. A cut through a
// character made of two UTF-16 units drops its first half, so the key stays valid text.
QString NameAfter(const QString& text, qsizetype from)
{
    QString name = text.mid(from, MaxNameLength);
    if (name.size() == MaxNameLength && name.back().isHighSurrogate())
        name.chop(1);
    return name;
}

} // namespace

TkvtDebugBox::TkvtDebugBox(QObject* owner) : QObject(owner), m_height(primaryScreenGeometry().height() - 25)
{
    // Sizeable, stay-on-top, a system menu with its close box and neither minimise nor maximise button.
    m_window = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::CustomizeWindowHint |
                                                      Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                                                      Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    m_window->setObjectName(QStringLiteral("kvtDebugBoxWindow"));
    // The debug window never keeps the program alive: closing the main window ends it.
    m_window->setAttribute(Qt::WA_QuitOnClose, false);
    m_window->setWindowTitle(m_caption);

    m_view = new TDebugTextView(m_window.get());
    m_view->setObjectName(QStringLiteral("DebugView"));
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(7);
    m_view->setFont(font);

    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    m_highlighter = new TExtHilit(m_view->document());
    m_collapseHandler = new TCollapseHandler(m_view, m_highlighter);

    // The frame a window manager puts around the window is known only once the window is shown.
    m_window->installEventFilter(this);
}

TkvtDebugBox::~TkvtDebugBox()
{
    m_window->removeEventFilter(this);
}

QPlainTextEdit* TkvtDebugBox::View() const
{
    return m_view;
}

QWidget* TkvtDebugBox::Window() const
{
    return m_window.get();
}

void TkvtDebugBox::SetCaption(const QString& caption)
{
    m_caption = caption;
    m_window->setWindowTitle(caption);
}

void TkvtDebugBox::SetPosition(TPositions position)
{
    m_position = position;
    ApplyPosition();
}

// Width and Height are the window's outer size, its frame included.
void TkvtDebugBox::SetWidth(int width)
{
    m_width = width;
    const QMargins frame = FrameMargins();
    m_appliedFrame = frame;
    m_window->resize(std::max(0, width - frame.left() - frame.right()), m_window->height());
    ApplyPosition();
}

void TkvtDebugBox::SetHeight(int height)
{
    m_height = height;
    const QMargins frame = FrameMargins();
    m_appliedFrame = frame;
    m_window->resize(m_window->width(), std::max(0, height - frame.top() - frame.bottom()));
    ApplyPosition();
}

QMargins TkvtDebugBox::FrameMargins() const
{
    const QRect outer = m_window->frameGeometry();
    const QRect inner = m_window->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

void TkvtDebugBox::ApplySize()
{
    const QMargins frame = FrameMargins();
    m_appliedFrame = frame;
    m_window->resize(std::max(0, m_width - frame.left() - frame.right()),
                     std::max(0, m_height - frame.top() - frame.bottom()));
}

bool TkvtDebugBox::eventFilter(QObject* watched, QEvent* event)
{
    // When the frame around the shown window turns out other than the one it was sized for, the
    // outer size and the corner are applied again; a size or place the user gives it stays.
    if (watched == m_window.get() && m_visible) {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize) &&
            FrameMargins() != m_appliedFrame) {
            ApplySize();
            ApplyPosition();
        }
    }
    return QObject::eventFilter(watched, event);
}

void TkvtDebugBox::SetVisible(bool visible)
{
    m_visible = visible;
    m_window->hide();
    if (visible) {
        SetWidth(m_width);
        SetHeight(m_height);
        SetPosition(m_position);
        m_window->show();
    }
}

QRect TkvtDebugBox::CornerFrame(TPositions position, const QSize& screen, const QSize& frame)
{
    const bool right = position == poTopRight || position == poBottomRight;
    const bool bottom = position == poBottomLeft || position == poBottomRight;
    return {QPoint(right ? screen.width() - frame.width() : 0, bottom ? screen.height() - frame.height() : 0),
            frame};
}

void TkvtDebugBox::ApplyPosition()
{
    // A window's position is that of its frame; the primary screen as a whole, task bar included.
    const QRect screen = primaryScreenGeometry();
    const QRect frame = CornerFrame(m_position, screen.size(), m_window->frameGeometry().size());
    m_window->move(screen.topLeft() + frame.topLeft());
}

QString TkvtDebugBox::TimeStamped(int hour, int minute, int second, int millisecond, const QString& text)
{
    return QString::asprintf("%2.2d:%2.2d:%2.2d:%3.3d - ", hour, minute, second, millisecond) + text;
}

void TkvtDebugBox::AddLine(const QString& text)
{
    if (!m_visible || !m_populating)
        return;
    QString line;
    if (m_timeStamp) {
        const QTime now = m_timeSource ? m_timeSource() : QTime::currentTime();
        line = TimeStamped(now.hour(), now.minute(), now.second(), now.msec(), text);
    } else {
        line = ProcessMarkers(text);
    }
    m_view->appendPlainText(line);
}

void TkvtDebugBox::ClearLines()
{
    m_view->clear();
}

QString TkvtDebugBox::ProcessMarkers(const QString& text)
{
    QString result = text;

    for (const TMarker& marker : Markers()) {
        const QString begin = BeginMarker + marker.Word;
        const qsizetype at = text.indexOf(begin);
        if (at < 0)
            continue;
        const QString name = NameAfter(text, at + begin.size());
        const QString startKey = BeginMarker + name;
        result = startKey;
        const QString lookUp = startKey.toCaseFolded();
        if (!m_registeredPairs.contains(lookUp)) {
            m_registeredPairs.insert(lookUp);
            m_highlighter->AddStartStopPair({startKey, EndMarker + name, marker.TextColor, marker.Foldable});
            // Lines already shown take the new colour at once; the view repaints on its own, so
            // nothing else runs before this line is appended and the lines keep the trace's order.
            m_highlighter->RehighlightAll();
        }
        break;
    }

    for (const TMarker& marker : Markers()) {
        const QString end = EndMarker + marker.Word;
        const qsizetype at = text.indexOf(end);
        if (at < 0)
            continue;
        result = EndMarker + NameAfter(text, at + end.size());
        break;
    }

    return result;
}
