#pragma once

// A front end that records what the chat core asks of the windows. Prompts are
// answered from the prompt script (FERRY_PROMPTS) as the program would, or, with
// holdPrompts set, left open until the test answers them.

#include "chat/core/chatdocs.h"
#include "chat/core/chatfrontend.h"
#include "chat/windows/promptservice.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

struct PrintedLine {
    QString window;
    QString text;
    ChatColour colour;
};

class FakeFrontEnd : public IChatFrontEnd {
public:
    bool CreateWindowFor(CChatDocBase *doc) override
    {
        if (failWindows && doc->kind() != CChatDocBase::Kind::Server)
            return false;
        created << doc->Name();
        if (onCreateWindow)
            onCreateWindow(doc);
        QObject::connect(doc, &CChatDocBase::lineAdded, [this, name = doc->Name()](const QString &text, ChatColour c) {
            lines.append({name, text, c});
        });
        return true;
    }
    void CloseWindowFor(CChatDocBase *doc) override { closed << doc->Name(); }
    QString SelectedTabName() const override { return selectedTab; }
    void RepaintTabs() override { ++tabRepaints; }
    void Beep() override { ++beeps; }
    void ShowChannelList(const QStringList &entries) override { channelLists << entries; }
    void ApplyFont() override { ++fontApplies; }
    void EndSplash() override { ++splashEnds; }
    void AskUser(const CChatPrompt &prompt, std::function<void(const CPromptAnswer &)> answered) override
    {
        asked << prompt;
        if (holdPrompts) {
            open.append({prompt, std::move(answered)});
            return;
        }
        answered(tavern::AskWithPromptService(prompt));
    }
    std::optional<std::pair<QString, int>> ChooseFont(const QString &face, int pointSize) override
    {
        return tavern::ChooseFontWithPromptService(face, pointSize);
    }
    bool OpenUrl(const QString &url) override
    {
        urls << url;
        return openUrls;
    }

    // Answers the oldest prompt held open.
    bool answerHeld(bool accepted, const QString &text = QString())
    {
        if (open.isEmpty())
            return false;
        auto held = open.takeFirst();
        held.second({accepted, text});
        return true;
    }

    // Lines printed into one window, texts only.
    QStringList textsIn(const QString &window) const
    {
        QStringList out;
        for (const PrintedLine &l : lines)
            if (l.window == window)
                out << l.text;
        return out;
    }
    QStringList allTexts() const
    {
        QStringList out;
        for (const PrintedLine &l : lines)
            out << l.window + QLatin1String(": ") + l.text;
        return out;
    }
    QStringList askedTexts() const
    {
        QStringList out;
        for (const CChatPrompt &p : asked)
            out << p.text;
        return out;
    }

    bool failWindows = false;
    std::function<void(CChatDocBase *)> onCreateWindow; // runs inside CreateWindowFor

    QString selectedTab = QStringLiteral("Server");
    QStringList created;
    QStringList closed;
    QList<PrintedLine> lines;
    QList<QStringList> channelLists;
    int beeps = 0;
    int tabRepaints = 0;
    int splashEnds = 0;
    int fontApplies = 0;

    bool holdPrompts = false;
    QList<CChatPrompt> asked;
    QList<std::pair<CChatPrompt, std::function<void(const CPromptAnswer &)>>> open;
    QStringList urls;
    bool openUrls = true;
};
