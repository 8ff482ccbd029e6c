#pragma once

// The UDPPING requests this client sent that have not been answered yet. An answer
// names an address that the game service is then asked to ping, so only an answer
// from a nickname we pinged within the last kAnswerWindowMs is taken, and only once:
// nobody else can make us send datagrams to an address of their choosing.

#include <QHash>
#include <QString>

#include <cstdint>

class CUdpPingWatch {
public:
    static constexpr std::uint32_t kAnswerWindowMs = 60000;
    static constexpr int kMaxOutstanding = 64;

    // A UDPPING went to nick at `now` (milliseconds).
    void Sent(const QString &nick, std::uint32_t now)
    {
        dropExpired(now);
        const QString key = nick.trimmed().toLower();
        if (m_sent.size() < kMaxOutstanding || m_sent.contains(key))
            m_sent.insert(key, now);
    }

    // Whether an answer from nick arriving at `now` answers one of ours; it is used up.
    bool TakeAnswer(const QString &nick, std::uint32_t now)
    {
        dropExpired(now);
        return m_sent.remove(nick.toLower()) > 0;
    }

private:
    void dropExpired(std::uint32_t now)
    {
        m_sent.removeIf([now](const auto &entry) { return now - entry.value() > kAnswerWindowMs; });
    }

    QHash<QString, std::uint32_t> m_sent;
};
