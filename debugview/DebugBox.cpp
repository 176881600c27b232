#include "debugview/DebugBox.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTime>
#include <QVBoxLayout>
#include <QWidget>

namespace {

QSize primaryScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(0, 0);
}

} // namespace

TkvtDebugBox::TkvtDebugBox(QObject* owner) : QObject(owner), m_height(primaryScreenSize().height() - 25)
{
    // Sizeable, stay-on-top, a system menu with its close box and neither minimise nor maximise button.
    m_window = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::CustomizeWindowHint |
                                                      Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                                                      Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    m_window->setObjectName(QStringLiteral("kvtDebugBoxWindow"));
    // The debug window never keeps the program alive: closing the main window ends it.
    m_window->setAttribute(Qt::WA_QuitOnClose, false);
    m_window->setWindowTitle(m_caption);

    m_view = new QPlainTextEdit(m_window.get());
    m_view->setObjectName(QStringLiteral("PlusMemo"));
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(7);
    m_view->setFont(font);

    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

TkvtDebugBox::~TkvtDebugBox() = default;

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

void TkvtDebugBox::SetWidth(int width)
{
    m_width = width;
    m_window->resize(width, m_window->height());
    ApplyPosition();
}

void TkvtDebugBox::SetHeight(int height)
{
    m_height = height;
    m_window->resize(m_window->width(), height);
    ApplyPosition();
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

void TkvtDebugBox::ApplyPosition()
{
    const QSize screen = primaryScreenSize();
    const int width = m_window->width();
    const int height = m_window->height();
    const bool right = m_position == poTopRight || m_position == poBottomRight;
    const bool bottom = m_position == poBottomLeft || m_position == poBottomRight;
    m_window->move(right ? screen.width() - width : 0, bottom ? screen.height() - height : 0);
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
        line = m_markerProcessor ? m_markerProcessor(text) : text;
    }
    m_view->appendPlainText(line);
}

void TkvtDebugBox::ClearLines()
{
    m_view->clear();
}
