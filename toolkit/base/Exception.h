#pragma once

#include <QString>

#include <exception>

// The one error type of the program: a message and nothing else.
// Exceptions never cross a Qt frame; entry points that Qt calls catch them and hand them to ErrorReport.
class Exception : public std::exception
{
public:
    explicit Exception(QString message);

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
