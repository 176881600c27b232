#pragma once

#include "core/DataModuleDebug.h"

#include <memory>

class TkvtDebugBox;

// kvtDebugBox1: the debug box as the trace module shows it (its caption, size and the program's
// clock for time stamps), plugged into the trace log. User-interface thread only.
class TDebugWindow final : public TDebugView
{
public:
    TDebugWindow();
    ~TDebugWindow() override;
    Q_DISABLE_COPY_MOVE(TDebugWindow)

    TkvtDebugBox* kvtDebugBox1() const { return m_box.get(); }

    void AddLine(const QString& text) override;
    void SetVisible(bool visible) override;

private:
    std::unique_ptr<TkvtDebugBox> m_box;
};

// The debug box of a trace module given a TDebugWindow; null when it was given none or another view.
TkvtDebugBox* DebugBoxOf(const TDataModule_Debug& module);
