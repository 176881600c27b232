#pragma once

#include <QString>

#include <exception>
#include <functional>

class QWidget;

// The standard report of an error that reached a Qt entry point: a message box with the message.
// Tests replace the box through setReporter so that no modal dialog ever blocks them.
namespace ErrorReport {

using Reporter = std::function<void(const QString& message)>;

void show(const QString& message, QWidget* parent = nullptr);
void show(const std::exception& error, QWidget* parent = nullptr);

// Reports the exception in flight; for use inside catch (...) at a Qt boundary.
void showCurrent(QWidget* parent = nullptr);

// Runs fn and reports whatever it throws; returns whether it ran through.
bool guard(const std::function<void()>& fn, QWidget* parent = nullptr);

// Replaces the message box; an empty reporter restores it. Returns the previous one.
Reporter setReporter(Reporter reporter);

} // namespace ErrorReport
