#include "chat/core/promptqueue.h"

#include "chat/core/chatfrontend.h"

#include <QPointer>

namespace {

bool same(const CChatPrompt &a, CChatPrompt::Kind kind, const QString &peer)
{
    return a.kind == kind && a.peer.compare(peer, Qt::CaseInsensitive) == 0;
}

} // namespace

CPromptQueue::CPromptQueue(IChatFrontEnd *frontEnd, QObject *parent) : QObject(parent), m_pFrontEnd(frontEnd) {}

bool CPromptQueue::Has(CChatPrompt::Kind kind, const QString &peer) const
{
    if (m_showing && same(m_open, kind, peer))
        return true;
    for (const Entry &e : m_waiting)
        if (same(e.prompt, kind, peer))
            return true;
    return false;
}

bool CPromptQueue::Ask(const CChatPrompt &prompt, Answered answered)
{
    if (!m_pFrontEnd || Has(prompt.kind, prompt.peer) || m_waiting.size() >= kMaxWaiting)
        return false;
    m_waiting.append({prompt, std::move(answered)});
    scheduleNext();
    return true;
}

void CPromptQueue::scheduleNext()
{
    if (m_showing || m_scheduled || m_waiting.isEmpty())
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(this, &CPromptQueue::showNext, Qt::QueuedConnection);
}

void CPromptQueue::showNext()
{
    m_scheduled = false;
    if (m_showing || m_waiting.isEmpty())
        return;
    Entry entry = m_waiting.takeFirst();
    m_open = entry.prompt;
    m_showing = true;
    // The front end may answer at once or much later (a box left open); the queue may
    // be gone by then.
    QPointer<CPromptQueue> self(this);
    m_pFrontEnd->AskUser(entry.prompt, [self, answered = std::move(entry.answered)](const CPromptAnswer &answer) {
        if (self) {
            self->m_showing = false;
            self->m_open = CChatPrompt();
        }
        if (answered)
            answered(answer);
        if (self)
            self->scheduleNext();
    });
}
