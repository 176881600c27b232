#pragma once

#include <memory>

// Shows a dialog window modally the way the main window opens its editor and its About window:
// created without an owner and kept in its program-wide reference while shown; when the showing
// ends, normally or by an exception, the window is released and the reference cleared.
template <class TWindow> void ShowModalWindow(TWindow*& reference)
{
    const auto window = std::make_unique<TWindow>(nullptr);
    reference = window.get();
    struct ClearReference
    {
        TWindow*& reference;
        ~ClearReference() { reference = nullptr; }
    } clear{reference};
    window->exec();
}
