#include "chat/core/sendqueue.h"

#include <algorithm>

bool CSendQueue::Push(const QByteArray &line)
{
    if (m_lines.size() >= kMaxLines)
        return false;
    m_lines.append(line);
    return true;
}

void CSendQueue::refill(std::uint32_t now)
{
    if (!m_started || m_allowance >= kBurst) {
        m_started = true;
        m_refilledAt = now;
        return;
    }
    const std::uint32_t elapsed = now - m_refilledAt; // wraps safely
    const std::uint32_t steps = elapsed / kIntervalMs;
    if (steps == 0)
        return;
    m_allowance = int(std::min<std::uint32_t>(kBurst, std::uint32_t(m_allowance) + steps));
    m_refilledAt += steps * kIntervalMs;
    if (m_allowance >= kBurst)
        m_refilledAt = now;
}

QList<QByteArray> CSendQueue::Release(std::uint32_t now)
{
    refill(now);
    QList<QByteArray> out;
    while (!m_lines.isEmpty() && m_allowance > 0) {
        if (m_allowance == kBurst)
            m_refilledAt = now; // the interval towards the next line starts with this one
        --m_allowance;
        out.append(m_lines.takeFirst());
    }
    return out;
}

int CSendQueue::NextDelay(std::uint32_t now)
{
    if (m_lines.isEmpty())
        return -1;
    refill(now);
    if (m_allowance > 0)
        return 0;
    const std::uint32_t elapsed = now - m_refilledAt;
    return elapsed >= kIntervalMs ? 0 : int(kIntervalMs - elapsed);
}
