#pragma once

// How many answers ferryd gives one address that has not signed on. A directory
// or a player list is many times the size of the one byte that asks for it, and
// the asker's address can be forged: without a bound, anyone could aim ferryd's
// answers at a third party. Each address gets kAnswers answers per kWindowMs;
// at most kAddresses addresses are remembered at once (beyond that, strangers
// wait until a window ends).

#include <QHash>

namespace ferryd {

class AnswerBudget {
public:
    static constexpr int kAnswers = 16;
    static constexpr qint64 kWindowMs = 10 * 1000;
    static constexpr int kAddresses = 4096;

    // Whether an answer to this IPv4 address (host order) may go out at nowMs;
    // counts it when it may.
    bool allow(quint32 address, qint64 nowMs);

private:
    struct Window {
        qint64 startMs = 0;
        int answers = 0;
    };
    QHash<quint32, Window> m_windows;
};

} // namespace ferryd
