#pragma once

// The questions an incoming DCC offer puts to the user, asked through the prompt
// service. The offered file name comes from a stranger: it only ever suggests a
// plain name inside a folder of our choosing, and the sender's nick is never part
// of a path.

#include <QByteArray>
#include <QString>

#include <optional>

class QWidget;

namespace ferry::dcc {

// "<nick> is requesting a DCC chat. Do you want to accept?" (Yes/No, caption "DCC Chat").
bool AskAcceptChat(QWidget *parent, const QString &nick);

// "<nick> is sending you a file called <name>. Do you want to receive it?" (caption
// "DCC File"), then a save dialog suggesting the sanitised name in folder. Returns the
// chosen full path, or nullopt when the user declines or cancels.
std::optional<QString> AskReceiveFile(QWidget *parent, const QString &nick,
                                      const QByteArray &offeredName, const QString &folder);

// The path the save dialog suggests: folder plus the sanitised offered name.
QString SuggestedSavePath(const QString &folder, const QByteArray &offeredName);

} // namespace ferry::dcc
