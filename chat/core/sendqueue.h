#pragma once

// Paces the lines sent to the chat server the way common clients do, so that a burst
// of commands (a pasted text, many answers at once) never gets us disconnected for
// excess flood: up to kBurst lines go at once, then one line every kIntervalMs; the
// allowance grows back by one line per interval while nothing is sent. At most
// kMaxLines wait; further lines are refused.

#include <QByteArray>
#include <QList>

#include <cstdint>

class CSendQueue {
public:
    static constexpr int kBurst = 5;
    static constexpr std::uint32_t kIntervalMs = 2000;
    static constexpr int kMaxLines = 1000;

    // Queues a line; false (the line is dropped) when kMaxLines already wait.
    bool Push(const QByteArray &line);
    // The lines that may go at `now` (milliseconds of a steady clock), oldest first.
    QList<QByteArray> Release(std::uint32_t now);
    // Milliseconds from `now` until the next waiting line may go; -1 when none waits.
    int NextDelay(std::uint32_t now);

    int Size() const { return int(m_lines.size()); }
    bool IsEmpty() const { return m_lines.isEmpty(); }
    void Clear() { m_lines.clear(); }

private:
    void refill(std::uint32_t now);

    QList<QByteArray> m_lines;
    int m_allowance = kBurst;
    std::uint32_t m_refilledAt = 0; // when the allowance last grew (or was last full)
    bool m_started = false;
};
