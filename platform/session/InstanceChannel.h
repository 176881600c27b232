#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// The way a second start of a program reaches the instance that runs: the running one listens on a
// local socket; the second one asks it to come to the front and ends. The caller holds the instance
// lock while it listens, so a socket file found then was left by a process that has ended.
class InstanceChannel final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstanceChannel)

public:
    explicit InstanceChannel(QString socketPath, QObject* parent = nullptr);
    ~InstanceChannel() override;

    // Starts listening, for this user only; false (with error()) when the socket cannot be made.
    bool listen();
    QString error() const { return m_error; }
    const QString& socketPath() const { return m_path; }

    // From the second start: asks the instance listening on socketPath to come to the front and
    // waits at most timeoutMs for its answer. True when it answered.
    static bool requestActivation(const QString& socketPath, int timeoutMs);

signals:
    // A second start asked for the running instance's window.
    void activationRequested();

private:
    void takeConnection();

    QString m_path;
    QString m_error;
    QLocalServer* m_server = nullptr;
};
