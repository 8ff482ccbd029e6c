#include "server/answerbudget.h"

namespace ferryd {

bool AnswerBudget::allow(quint32 address, qint64 nowMs)
{
    auto it = m_windows.find(address);
    if (it == m_windows.end()) {
        if (m_windows.size() >= kAddresses)
            m_windows.removeIf([nowMs](const auto &entry) { return nowMs - entry.value().startMs >= kWindowMs; });
        if (m_windows.size() >= kAddresses)
            return false;
        it = m_windows.insert(address, Window{nowMs, 0});
    } else if (nowMs - it->startMs >= kWindowMs) {
        *it = Window{nowMs, 0};
    }
    if (it->answers >= kAnswers)
        return false;
    ++it->answers;
    return true;
}

} // namespace ferryd
