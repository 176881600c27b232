#pragma once

#include <QString>

// Matches keys typed one after the other against a fixed sequence of characters.
class TKeySequence
{
public:
    explicit TKeySequence(QString sequence);

    // Idle again: not active, no key received.
    void Reset();
    // Appends key to the keys received so far and answers whether they are still the start of the
    // sequence, character codes compared exactly. Once the whole sequence has been received, a
    // further key never matches (and is not kept).
    bool AddKey(QChar key);
    // Whether the whole sequence has been received.
    bool IsComplete() const;

    const QString& Sequence() const { return m_sequence; }
    QString Buffer() const { return m_buffer; }
    quint16 Count() const { return m_count; }
    bool Active() const { return m_active; }
    void SetActive(bool active) { m_active = active; }

private:
    QString m_sequence;
    QString m_buffer; // the keys received so far
    quint16 m_count = 0;
    bool m_active = false; // a sequence has been started with Alt and its first letter
};
