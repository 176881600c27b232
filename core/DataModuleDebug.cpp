#include "core/DataModuleDebug.h"

#include "core/DebugCallStack.h"
#include "toolkit/base/UiThread.h"

#include <QMetaObject>

TDataModule_Debug* DataModule_Debug = nullptr;

namespace {
const QString BeginMarker = QStringLiteral("BEG    ");
const QString EndMarker = QStringLiteral("END    ");
} // namespace

TDataModule_Debug::TDataModule_Debug(const QStringList& arguments, std::unique_ptr<TDebugView> view,
                                     QObject* parent)
    : QObject(parent), m_debugView(std::move(view))
{
    setObjectName(QStringLiteral("DataModule_Debug"));
    DataModule_Debug = this;
    DataModule_DebugCreate(arguments);
}

TDataModule_Debug::~TDataModule_Debug()
{
    DataModule_DebugDestroy();
    if (DataModule_Debug == this)
        DataModule_Debug = nullptr;
}

bool TDataModule_Debug::DebugSwitchGiven(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return false;
    QString first = arguments.first();
    for (QChar& c : first) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    return first == QLatin1String("/DEBUG") || first == QLatin1String("--DEBUG");
}

void TDataModule_Debug::DataModule_DebugCreate(const QStringList& arguments)
{
    SetIndentLines(true);
    if (DebugSwitchGiven(arguments) && m_debugView)
        m_debugView->SetVisible(true);
}

void TDataModule_Debug::DataModule_DebugDestroy()
{
    Flush();
    if (m_debugView)
        m_debugView->SetVisible(false);
    m_debugView.reset();
}

int TDataModule_Debug::Depth() const
{
    std::lock_guard lock(m_lock);
    return m_depth;
}

bool TDataModule_Debug::IndentLines() const
{
    std::lock_guard lock(m_lock);
    return m_indentLines;
}

void TDataModule_Debug::SetIndentLines(bool indent)
{
    std::lock_guard lock(m_lock);
    m_indentLines = indent;
}

QString TDataModule_Debug::Indentation() const
{
    if (!m_indentLines || m_depth <= 0)
        return {};
    return QString(m_depth, u'\t');
}

void TDataModule_Debug::Queue(QString line)
{
    m_pending.push_back(std::move(line));
}

void TDataModule_Debug::TraceBegin(const QString& name)
{
    {
        std::lock_guard lock(m_lock);
        if (CallStack)
            CallStack->Push(name);
        Queue(Indentation() + BeginMarker + name);
        ++m_depth;
    }
    Deliver();
}

void TDataModule_Debug::TraceEnd()
{
    {
        std::lock_guard lock(m_lock);
        --m_depth;
        const QString name = CallStack ? CallStack->Current() : QString();
        Queue(Indentation() + EndMarker + name);
        if (CallStack)
            CallStack->Pop();
    }
    Deliver();
}

void TDataModule_Debug::AddLine(const QString& text)
{
    {
        std::lock_guard lock(m_lock);
        Queue(text);
    }
    Deliver();
}

void TDataModule_Debug::Deliver()
{
    if (UiThread::isCurrent()) {
        Flush();
        return;
    }
    {
        std::lock_guard lock(m_lock);
        if (m_flushPosted)
            return;
        m_flushPosted = true;
    }
    QMetaObject::invokeMethod(this, &TDataModule_Debug::Flush, Qt::QueuedConnection);
}

void TDataModule_Debug::Flush()
{
    // A line handed on may lead to further trace calls (a slot of lineHanded, the window's own
    // handlers); those only queue, and this loop hands them on after the lines before them.
    if (m_flushing)
        return;
    m_flushing = true;
    for (;;) {
        std::deque<QString> lines;
        {
            std::lock_guard lock(m_lock);
            lines.swap(m_pending);
            m_flushPosted = false;
        }
        if (lines.empty())
            break;
        for (const QString& line : lines) {
            emit lineHanded(line);
            if (m_debugView)
                m_debugView->AddLine(line);
        }
    }
    m_flushing = false;
}

void TraceBegin(const QString& name)
{
    if (DataModule_Debug)
        DataModule_Debug->TraceBegin(name);
}

void TraceEnd()
{
    if (DataModule_Debug)
        DataModule_Debug->TraceEnd();
}

void DebugLine(const QString& text)
{
    if (DataModule_Debug)
        DataModule_Debug->AddLine(text);
}
