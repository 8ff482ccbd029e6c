#pragma once

// The questions an incoming DCC offer puts to the user, as prompts for the chat
// core's queue. The offered file name comes from a stranger: it only ever suggests a
// plain name inside a folder of our choosing, and the sender's nick is never part
// of a path.

#include "chat/core/chatprompt.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace ferry::dcc {

// "<nick> is requesting a DCC chat. Do you want to accept?" (Yes/No, caption "DCC Chat"),
// and on a second line the address and port the offer names, so that the user sees
// where the connection would go.
CChatPrompt ChatOfferPrompt(const QString &nick, std::uint32_t address, std::uint32_t port);

// "<nick> is sending you a file called <name>. Do you want to receive it?" (Yes/No,
// caption "DCC File"), with the offer's address and port on a second line.
CChatPrompt FileOfferPrompt(const QString &nick, const QByteArray &offeredName, std::uint32_t address,
                            std::uint32_t port);

// The save dialog that follows a Yes, suggesting the sanitised name in folder.
CChatPrompt SaveOfferedFilePrompt(const QString &nick, const QByteArray &offeredName, const QString &folder);

// The path the save dialog suggests: folder plus the sanitised offered name.
QString SuggestedSavePath(const QString &folder, const QByteArray &offeredName);

} // namespace ferry::dcc
