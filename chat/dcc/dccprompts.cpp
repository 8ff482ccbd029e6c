#include "chat/dcc/dccprompts.h"

#include "chat/dcc/dccoffer.h"
#include "chat/dcc/dcctexts.h"

#include <QDir>

namespace ferry::dcc {

namespace {

// A yes/no question about an offer from nick, ending with where the offer comes from.
CChatPrompt offerQuestion(CChatPrompt::Kind kind, const QString &nick, const char *caption, const QString &text,
                          std::uint32_t address, std::uint32_t port)
{
    CChatPrompt prompt;
    prompt.kind = kind;
    prompt.peer = nick;
    prompt.style = CChatPrompt::Style::YesNo;
    prompt.icon = CChatPrompt::Icon::Question;
    prompt.caption = QString::fromLatin1(caption);
    prompt.text = text + u'\n' + QString::fromLatin1(texts::kOfferComesFrom).arg(DottedAddress(address)).arg(port);
    return prompt;
}

} // namespace

CChatPrompt ChatOfferPrompt(const QString &nick, std::uint32_t address, std::uint32_t port)
{
    return offerQuestion(CChatPrompt::Kind::DccChat, nick, texts::kChatPromptCaption,
                         QString::fromLatin1(texts::kChatPrompt).arg(nick), address, port);
}

CChatPrompt FileOfferPrompt(const QString &nick, const QByteArray &offeredName, std::uint32_t address,
                            std::uint32_t port)
{
    return offerQuestion(CChatPrompt::Kind::DccFile, nick, texts::kFilePromptCaption,
                         QString::fromLatin1(texts::kFilePrompt).arg(nick, SanitizeOfferedFileName(offeredName)),
                         address, port);
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
