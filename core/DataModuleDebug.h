#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <mutex>

// Where the trace lines are shown: the debug window. The trace log itself needs no widget, so that
// programs without a display trace as well; the program hands it the window (debugview/DebugWindow).
class TDebugView
{
public:
    virtual ~TDebugView() = default;
    virtual void AddLine(const QString& text) = 0;
    virtual void SetVisible(bool visible) = 0;
};

// The trace log: nested "BEG    " and "END    " lines for every traced operation, handed to the
// debug window. Safe to call from any thread: one lock covers the call stack, the depth and the
// building of a line, and the lines reach the window on the user-interface thread in the order in
// which they were built.
class TDataModule_Debug final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDataModule_Debug)

public:
    // arguments: the command-line arguments without the program path; view: the window the lines
    // are shown in (none: the lines are only handed on through lineHanded).
    explicit TDataModule_Debug(const QStringList& arguments, std::unique_ptr<TDebugView> view = nullptr,
                               QObject* parent = nullptr);
    ~TDataModule_Debug() override;

    void TraceBegin(const QString& name);
    void TraceEnd();

    // A plain line for the debug window, without indentation; kept in order with the trace lines.
    void AddLine(const QString& text);

    int Depth() const;
    bool IndentLines() const;
    void SetIndentLines(bool indent);

    // The debug window, kvtDebugBox1; null when the module was given none.
    TDebugView* DebugView() const { return m_debugView.get(); }

    // Whether the arguments ask for the debug window: the first one is "/DEBUG" in any letter case
    // (or "--debug", the Linux spelling).
    static bool DebugSwitchGiven(const QStringList& arguments);

    // Hands every line built so far to the window; the user-interface thread does this by itself.
    void Flush();

signals:
    // Every line, as it is handed to the window (which may drop it). User-interface thread.
    void lineHanded(const QString& line);

private:
    void DataModule_DebugCreate(const QStringList& arguments);
    void DataModule_DebugDestroy();
    QString Indentation() const; // lock held
    void Queue(QString line);    // lock held

    void Deliver();

    mutable std::mutex m_lock;
    int m_depth = 0;
    bool m_indentLines = false;
    std::deque<QString> m_pending;
    bool m_flushPosted = false;
    bool m_flushing = false; // user-interface thread only
    std::unique_ptr<TDebugView> m_debugView;
};

// The program's trace module, reached through this reference while it exists.
extern TDataModule_Debug* DataModule_Debug;

// Shorthands for the program's code: trace through DataModule_Debug when it exists.
void TraceBegin(const QString& name);
void TraceEnd();
void DebugLine(const QString& text);
