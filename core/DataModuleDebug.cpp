#include "core/DataModuleDebug.h"

#include "core/DebugCallStack.h"
#include "toolkit/base/UiThread.h"

#include <QMetaObject>

#include <shared_mutex>

TDataModule_Debug* DataModule_Debug = nullptr;

namespace {
const QString BeginMarker = QStringLiteral("BEG    ");
const QString EndMarker = QStringLiteral("END    ");

// Keeps the shorthands' use of DataModule_Debug apart from the module's destruction: a thread that
// traces while the program ends either finishes its call before the reference is cleared or finds
// it empty. Taken once per thread, as a line handed on may lead to further trace calls.
std::shared_mutex g_gate;
thread_local int t_gateDepth = 0;

class GateReader
{
public:
    GateReader()
    {
        if (t_gateDepth++ == 0)
            g_gate.lock_shared();
    }
    ~GateReader()
    {
        if (--t_gateDepth == 0)
            g_gate.unlock_shared();
    }
    Q_DISABLE_COPY_MOVE(GateReader)
};
} // namespace

TDataModule_Debug::TDataModule_Debug(const QStringList& arguments, std::unique_ptr<TDebugView> view,
                                     QObject* parent)
    : QObject(parent), m_debugView(std::move(view))
{
    setObjectName(QStringLiteral("DataModule_Debug"));
    {
        const std::unique_lock gate(g_gate);
        DataModule_Debug = this;
    }
    DataModule_DebugCreate(arguments);
}

TDataModule_Debug::~TDataModule_Debug()
{
    {
        const std::unique_lock gate(g_gate);
        if (DataModule_Debug == this)
            DataModule_Debug = nullptr;
    }
    DataModule_DebugDestroy();
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

void TDataModule_Debug::CloseTraceLog()
{
    std::lock_guard lock(m_lock);
    m_closed = true;
}

bool TDataModule_Debug::TraceLogClosed() const
{
    std::lock_guard lock(m_lock);
    return m_closed;
}

void TDataModule_Debug::TraceBegin(const QString& name)
{
    {
        std::lock_guard lock(m_lock);
        if (m_closed)
            return;
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
        if (m_closed)
            return;
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
        if (m_closed)
            return;
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
    const GateReader gate;
    if (DataModule_Debug)
        DataModule_Debug->TraceBegin(name);
}

void TraceEnd()
{
    const GateReader gate;
    if (DataModule_Debug)
        DataModule_Debug->TraceEnd();
}

void DebugLine(const QString& text)
{
    const GateReader gate;
    if (DataModule_Debug)
        DataModule_Debug->AddLine(text);
}
