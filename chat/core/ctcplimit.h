#pragma once

// How many CTCP requests get an answer: at most kReplies in any kWindowMs, from all
// peers together, so that a flood of requests cannot make us flood the server (and
// get us thrown off it). Requests beyond that are dropped and counted; the count is
// reported once, when kWindowMs have passed since the first dropped request.

#include <QList>

#include <cstdint>

class CCtcpReplyLimit {
public:
    static constexpr int kReplies = 5;
    static constexpr std::uint32_t kWindowMs = 30000;

    // Whether a request arriving at `now` (milliseconds) may be answered; a refused
    // one is counted.
    bool Allow(std::uint32_t now)
    {
        while (!m_replies.isEmpty() && now - m_replies.first() >= kWindowMs)
            m_replies.removeFirst();
        if (m_replies.size() < kReplies) {
            m_replies.append(now);
            return true;
        }
        if (m_dropped++ == 0)
            m_firstDrop = now;
        return false;
    }

    // The number of dropped requests once their report is due (then forgotten); 0 otherwise.
    int TakeDroppedReport(std::uint32_t now)
    {
        if (m_dropped == 0 || now - m_firstDrop < kWindowMs)
            return 0;
        const int dropped = m_dropped;
        m_dropped = 0;
        return dropped;
    }

private:
    QList<std::uint32_t> m_replies; // times of the answers in the window, oldest first
    int m_dropped = 0;
    std::uint32_t m_firstDrop = 0;
};
