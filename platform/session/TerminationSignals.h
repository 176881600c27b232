#pragma once

#include <QObject>

#include <vector>

class QSocketNotifier;

// Turns the signals that ask a program to end (SIGTERM from a desktop logout or kill, SIGINT from
// Ctrl+C, SIGHUP from a closed terminal) into a Qt signal on the thread that made the object, so
// the program can close as its user would. The handler only writes the signal's number to a pipe,
// which is all a signal handler may safely do; a QSocketNotifier reads it in the event loop.
// A second signal of the same kind, while the first is being handled, acts as the system's default
// (it ends the program at once), so a program that hangs while closing can still be stopped.
// One object at a time; the previous handlers come back when it is destroyed.
class TerminationSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationSignals)

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the pipe could not be made or another object is installed; nothing is caught then.
    bool installed() const { return m_notifier != nullptr; }

    // The signals caught.
    static const std::vector<int>& signalNumbers();

signals:
    void received(int signalNumber);

private:
    void readPipe();

    int m_read = -1;
    QSocketNotifier* m_notifier = nullptr;
};
