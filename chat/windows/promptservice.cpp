#include "chat/windows/promptservice.h"

#include "platform/prompts.h"

#include <QFont>

namespace tavern {

namespace {

ferry::prompts::Icon iconOf(CChatPrompt::Icon icon)
{
    switch (icon) {
    case CChatPrompt::Icon::Information: return ferry::prompts::Icon::Information;
    case CChatPrompt::Icon::Warning: return ferry::prompts::Icon::Warning;
    case CChatPrompt::Icon::Error: return ferry::prompts::Icon::Error;
    case CChatPrompt::Icon::Question: return ferry::prompts::Icon::Question;
    case CChatPrompt::Icon::None: break;
    }
    return ferry::prompts::Icon::None;
}

} // namespace

CPromptAnswer AskWithPromptService(const CChatPrompt &prompt, QWidget *parent)
{
    namespace p = ferry::prompts;
    CPromptAnswer answer;
    switch (prompt.style) {
    case CChatPrompt::Style::Message:
        answer.accepted = p::message(parent, prompt.caption, prompt.text, p::Buttons::Ok, iconOf(prompt.icon)) == p::Answer::Ok;
        break;
    case CChatPrompt::Style::YesNo: {
        const auto icon = prompt.icon == CChatPrompt::Icon::None ? p::Icon::Question : iconOf(prompt.icon);
        answer.accepted = p::message(parent, prompt.caption, prompt.text, p::Buttons::YesNo, icon) == p::Answer::Yes;
        break;
    }
    case CChatPrompt::Style::Text:
        if (const auto text = p::askText(parent, prompt.caption, prompt.text, prompt.initial)) {
            answer.accepted = true;
            answer.text = *text;
        }
        break;
    case CChatPrompt::Style::SaveFile:
        if (const auto path = p::saveFile(parent, prompt.caption, prompt.initial, QString())) {
            answer.accepted = !path->isEmpty();
            answer.text = *path;
        }
        break;
    }
    return answer;
}

std::optional<std::pair<QString, int>> ChooseFontWithPromptService(const QString &face, int pointSize, QWidget *parent)
{
    QFont initial(face, pointSize, QFont::Normal);
    initial.setStyleName(QStringLiteral("Regular"));
    const std::optional<QFont> chosen = ferry::prompts::chooseFont(parent, QStringLiteral("Font"), initial);
    if (!chosen)
        return std::nullopt;
    return std::make_pair(chosen->family(), int(chosen->pointSizeF()));
}

} // namespace tavern
