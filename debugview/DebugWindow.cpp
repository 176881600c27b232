#include "debugview/DebugWindow.h"

#include "core/Clock.h"
#include "debugview/DebugBox.h"

TDebugWindow::TDebugWindow() : m_box(std::make_unique<TkvtDebugBox>())
{
    m_box->setObjectName(QStringLiteral("kvtDebugBox1"));
    m_box->SetTimeSource([] { return Clock::Time(); });
    m_box->SetCaption(QStringLiteral("Debug Box"));
    m_box->SetVisible(false);
    m_box->SetWidth(500);
    m_box->SetHeight(1000);
}

TDebugWindow::~TDebugWindow() = default;

void TDebugWindow::AddLine(const QString& text)
{
    m_box->AddLine(text);
}

void TDebugWindow::SetVisible(bool visible)
{
    m_box->SetVisible(visible);
}

TkvtDebugBox* DebugBoxOf(const TDataModule_Debug& module)
{
    const auto* window = dynamic_cast<const TDebugWindow*>(module.DebugView());
    return window ? window->kvtDebugBox1() : nullptr;
}
