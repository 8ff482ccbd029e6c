#include "chat/dcc/dccprompts.h"

#include "chat/dcc/dccoffer.h"
#include "chat/dcc/dcctexts.h"

#include <QDir>

namespace ferry::dcc {

namespace {

QString comesFrom(std::uint32_t address, std::uint32_t port)
{
    return u'\n' + QString::fromLatin1(texts::kOfferComesFrom).arg(DottedAddress(address)).arg(port);
}

} // namespace

CChatPrompt ChatOfferPrompt(const QString &nick, std::uint32_t address, std::uint32_t port)
{
    CChatPrompt prompt;
    prompt.kind = CChatPrompt::Kind::DccChat;
    prompt.peer = nick;
    prompt.style = CChatPrompt::Style::YesNo;
    prompt.icon = CChatPrompt::Icon::Question;
    prompt.caption = QString::fromLatin1(texts::kChatPromptCaption);
    prompt.text = QString::fromLatin1(texts::kChatPrompt).arg(nick) + comesFrom(address, port);
    return prompt;
}

CChatPrompt FileOfferPrompt(const QString &nick, const QByteArray &offeredName, std::uint32_t address,
                            std::uint32_t port)
{
    CChatPrompt prompt;
    prompt.kind = CChatPrompt::Kind::DccFile;
    prompt.peer = nick;
    prompt.style = CChatPrompt::Style::YesNo;
    prompt.icon = CChatPrompt::Icon::Question;
    prompt.caption = QString::fromLatin1(texts::kFilePromptCaption);
    prompt.text = QString::fromLatin1(texts::kFilePrompt).arg(nick, SanitizeOfferedFileName(offeredName))
                  + comesFrom(address, port);
    return prompt;
}

CChatPrompt SaveOfferedFilePrompt(const QString &nick, const QByteArray &offeredName, const QString &folder)
{
    CChatPrompt prompt;
    prompt.kind = CChatPrompt::Kind::SaveFile;
    prompt.peer = nick;
    prompt.style = CChatPrompt::Style::SaveFile;
    prompt.caption = QString::fromLatin1(texts::kSaveAsCaption);
    prompt.initial = SuggestedSavePath(folder, offeredName);
    return prompt;
}

QString SuggestedSavePath(const QString &folder, const QByteArray &offeredName)
{
    return QDir(folder).filePath(SanitizeOfferedFileName(offeredName));
}

} // namespace ferry::dcc
