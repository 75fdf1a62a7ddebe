#include "MessageLog.h"

#include "FrontEnd.h"

#include <algorithm>

namespace seiran {

void MessageLog::AddMessage(const QString& line)
{
    m_lines.append(line);
    if (m_frontEnd)
        m_frontEnd->appendLogLine(line);
}

void MessageLog::deleteLastLines(int count)
{
    const int removed = std::clamp(count, 0, int(m_lines.size()));
    if (removed == 0)
        return;
    m_lines.remove(m_lines.size() - removed, removed);
    if (m_frontEnd)
        m_frontEnd->deleteLastLogLines(removed);
}

QString MessageLog::lastLine() const
{
    return m_lines.isEmpty() ? QString() : m_lines.constLast();
}

void MessageLog::clear()
{
    if (m_frontEnd && !m_lines.isEmpty())
        m_frontEnd->deleteLastLogLines(int(m_lines.size()));
    m_lines.clear();
}

} // namespace seiran
