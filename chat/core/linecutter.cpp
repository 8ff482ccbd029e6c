#include "chat/core/linecutter.h"

namespace {

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// Index of the last line end in bytes[0, size), or -1.
qsizetype lastLineEnd(QByteArrayView bytes)
{
    qsizetype at = bytes.size() - 1;
    while (at >= 0 && !isLineEnd(bytes.at(at)))
        --at;
    return at;
}

} // namespace

void CLineCutter::Append(const QByteArray &chunk)
{
    QByteArrayView rest(chunk);
    if (m_skipping) {
        qsizetype end = 0;
        while (end < rest.size() && !isLineEnd(rest.at(end)))
            ++end;
        if (end == rest.size())
            return;
        m_skipping = false;
        rest = rest.sliced(end);
    }
    if (rest.isEmpty())
        return;

    if (m_pending.size() + rest.size() > kMaxPending) {
        // Too much waits already (a line's handler has not returned for a while):
        // whole lines that fit are kept, the rest of the chunk goes.
        const qsizetype room = kMaxPending - m_pending.size();
        const qsizetype keep = room > 0 ? lastLineEnd(rest.first(room)) + 1 : 0;
        if (keep == 0 && !m_pending.isEmpty() && !isLineEnd(m_pending.back()))
            m_pending.append('\n'); // what had come of the waiting line stands as a line
        m_pending.append(rest.first(keep));
        m_skipping = !isLineEnd(rest.back());
        return;
    }

    m_pending.append(rest);
    // The scan back stops at the first line end: it reads the chunk and at most one kept partial line.
    const qsizetype partialStart = lastLineEnd(m_pending) + 1;
    if (m_pending.size() - partialStart > kMaxLine) {
        m_pending.truncate(partialStart + kMaxLine);
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
        QByteArray line = m_pending.mid(start, i - start).trimmed();
        if (line.size() > kMaxLine)
            line.truncate(kMaxLine);
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
