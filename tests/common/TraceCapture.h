#pragma once

// The program's trace log for one test: the call stack and the trace module as the program's start
// makes them, with every line the module hands on collected.

#include "core/DataModuleDebug.h"
#include "core/DebugCallStack.h"

#include <QObject>
#include <QStringList>

#include <memory>

class TraceCapture
{
public:
    // view: the window the module shows its lines in (none by default).
    explicit TraceCapture(const QStringList& arguments = {}, std::unique_ptr<TDebugView> view = nullptr)
        : m_debug(std::make_unique<TDataModule_Debug>(arguments, std::move(view)))
    {
        QObject::connect(m_debug.get(), &TDataModule_Debug::lineHanded, m_debug.get(),
                         [this](const QString& line) { m_lines.append(line); });
    }
    Q_DISABLE_COPY_MOVE(TraceCapture)

    TDataModule_Debug& module() const { return *m_debug; }

    // The lines as handed on, indentation included.
    QStringList& lines() { return m_lines; }
    const QStringList& lines() const { return m_lines; }

    // The lines without their indentation.
    QStringList trimmed() const
    {
        QStringList bare;
        for (const QString& line : m_lines)
            bare.append(line.trimmed());
        return bare;
    }

    QStringList linesContaining(const QString& text) const
    {
        QStringList found;
        for (const QString& line : m_lines) {
            if (line.contains(text))
                found.append(line);
        }
        return found;
    }

    void clear() { m_lines.clear(); }

private:
    TCallStackInstance m_stack; // made first, released after the module
    std::unique_ptr<TDataModule_Debug> m_debug;
    QStringList m_lines;
};
