#include "chat/dcc/dccprompts.h"

#include "chat/dcc/dccoffer.h"
#include "chat/dcc/dcctexts.h"
#include "platform/prompts.h"

#include <QDir>

namespace ferry::dcc {

bool AskAcceptChat(QWidget *parent, const QString &nick)
{
    return prompts::askYesNo(parent, QString::fromLatin1(texts::kChatPromptCaption),
                             QString::fromLatin1(texts::kChatPrompt).arg(nick));
}

QString SuggestedSavePath(const QString &folder, const QByteArray &offeredName)
{
    return QDir(folder).filePath(SanitizeOfferedFileName(offeredName));
}

std::optional<QString> AskReceiveFile(QWidget *parent, const QString &nick,
                                      const QByteArray &offeredName, const QString &folder)
{
    const QString shownName = SanitizeOfferedFileName(offeredName);
    const auto answer = prompts::message(parent, QString::fromLatin1(texts::kFilePromptCaption),
                                         QString::fromLatin1(texts::kFilePrompt).arg(nick, shownName),
                                         prompts::Buttons::YesNo, prompts::Icon::Question);
    if (answer != prompts::Answer::Yes)
        return std::nullopt;
    return prompts::saveFile(parent, QString::fromLatin1(texts::kSaveAsCaption),
                             SuggestedSavePath(folder, offeredName), QString());
}

} // namespace ferry::dcc
