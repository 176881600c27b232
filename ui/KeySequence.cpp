#include "ui/KeySequence.h"

TKeySequence::TKeySequence(QString sequence) : m_sequence(std::move(sequence))
{
    m_buffer.reserve(m_sequence.size());
    Reset();
}

void TKeySequence::Reset()
{
    m_active = false;
    m_count = 0;
    m_buffer.clear();
}

bool TKeySequence::AddKey(QChar key)
{
    if (m_count >= m_sequence.size())
        return false;
    m_buffer.append(key);
    ++m_count;
    return QStringView(m_sequence).left(m_count) == m_buffer;
}

bool TKeySequence::IsComplete() const
{
    return m_count == m_sequence.size();
}
