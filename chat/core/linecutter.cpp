#include "chat/core/linecutter.h"

namespace {

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

} // namespace

void CLineCutter::Append(const QByteArray &chunk)
{
    if (m_skipping) {
        qsizetype end = 0;
        while (end < chunk.size() && !isLineEnd(chunk.at(end)))
            ++end;
        if (end == chunk.size())
            return;
        m_skipping = false;
        m_pending.append(chunk.mid(end));
    } else {
        m_pending.append(chunk);
    }
    qsizetype lastEnd = m_pending.size() - 1;
    while (lastEnd >= 0 && !isLineEnd(m_pending.at(lastEnd)))
        --lastEnd;
    if (m_pending.size() - (lastEnd + 1) > kMaxPending) {
        m_pending.truncate(lastEnd + 1);
        m_skipping = true;
    }
}

void CLineCutter::Cut(const std::function<void(const QByteArray &)> &sink)
{
    const qsizetype length = m_pending.size();
    qsizetype start = 0;
    // The bound is checked against the live size too: a nested Append may drop an overlong tail.
    for (qsizetype i = 0; i < length && i < m_pending.size(); ++i) {
        if (!isLineEnd(m_pending.at(i)))
            continue;
        const QByteArray line = m_pending.mid(start, i - start).trimmed();
        start = i;
        ++i;
        sink(line);
    }
    m_pending.remove(0, start);
}

void CLineCutter::Clear()
{
    m_pending.clear();
    m_skipping = false;
}
