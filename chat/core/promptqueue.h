#pragma once

// The prompts of the chat core, shown one at a time in the order they were asked.
// A prompt is never shown from inside the code that asks it (which may be the
// dispatch of a server line, inside a socket notification): it waits for the next
// turn of the event loop, so that a modal box leaves the server connection served.
// At most one prompt of a kind per peer is open or waiting; the queue holds at most
// kMaxWaiting prompts.

#include "chat/core/chatprompt.h"

#include <QList>
#include <QObject>

#include <functional>

class IChatFrontEnd;

class CPromptQueue : public QObject {
    Q_OBJECT
public:
    using Answered = std::function<void(const CPromptAnswer &)>;
    static constexpr int kMaxWaiting = 32;

    explicit CPromptQueue(IChatFrontEnd *frontEnd, QObject *parent = nullptr);

    // Queues the prompt; answered runs once with the answer when it closes. False
    // (nothing queued, answered never runs) when a prompt of the same kind for the
    // same peer is open or waiting, or too many are waiting.
    bool Ask(const CChatPrompt &prompt, Answered answered = {});

    // Whether a prompt of this kind for this peer (ignoring case) is open or waiting.
    bool Has(CChatPrompt::Kind kind, const QString &peer) const;
    bool IsShowing() const { return m_showing; }
    int Waiting() const { return int(m_waiting.size()); }

    // Forgets the waiting prompts (at shutdown); an open one still reports its answer.
    void Clear() { m_waiting.clear(); }

private:
    struct Entry {
        CChatPrompt prompt;
        Answered answered;
    };
    void scheduleNext();
    void showNext();

    IChatFrontEnd *m_pFrontEnd;
    QList<Entry> m_waiting;
    CChatPrompt m_open;
    bool m_showing = false;
    bool m_scheduled = false;
};
