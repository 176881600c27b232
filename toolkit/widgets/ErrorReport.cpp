#include "toolkit/widgets/ErrorReport.h"

#include "toolkit/base/Exception.h"

#include <QApplication>
#include <QMessageBox>

#include <mutex>

namespace {

std::mutex reporterLock;
ErrorReport::Reporter& reporter()
{
    static ErrorReport::Reporter instance;
    return instance;
}

} // namespace

namespace ErrorReport {

void show(const QString& message, QWidget* parent)
{
    Reporter current;
    {
        std::lock_guard lock(reporterLock);
        current = reporter();
    }
    if (current) {
        current(message);
        return;
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QMessageBox::critical(parent, QCoreApplication::applicationName(), message);
    else
        qWarning("%s", qPrintable(message));
}

void show(const std::exception& error, QWidget* parent)
{
    if (const auto* own = dynamic_cast<const Exception*>(&error))
        show(own->message(), parent);
    else
        show(QString::fromLocal8Bit(error.what()), parent);
}

void showCurrent(QWidget* parent)
{
    try {
        throw;
    } catch (const std::exception& error) {
        show(error, parent);
    } catch (...) {
        show(QStringLiteral("Unknown error"), parent);
    }
}

bool guard(const std::function<void()>& fn, QWidget* parent)
{
    try {
        fn();
        return true;
    } catch (...) {
        showCurrent(parent);
        return false;
    }
}

Reporter setReporter(Reporter replacement)
{
    std::lock_guard lock(reporterLock);
    return std::exchange(reporter(), std::move(replacement));
}

} // namespace ErrorReport
