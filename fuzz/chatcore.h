#pragma once

// The chat client's session core as a hostile chat server meets it: the
// dispatcher with the direct-connection hand-over and the file offers listening
// (one file offered, so that a FILEREQ can match), joined to #lanway as "me".
// Every question is declined at once, as by a user who closes every box, so no
// offer ever connects anywhere. Every line the core sends must be one whole line.

#include "chat/core/fileoffers.h"
#include "chat/core/tavernwapp.h"
#include "chat/dcc/dcchandover.h"
#include "fuzz/fuzzenv.h"
#include "tests/chat/fakefrontend.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

namespace ferry::fuzz {

class DecliningFrontEnd : public FakeFrontEnd {
public:
    void AskUser(const CChatPrompt &, std::function<void(const CPromptAnswer &)> answered) override { answered({}); }
};

struct ChatCore {
    bool ready = (isolate(), true);
    DecliningFrontEnd frontEnd;
    CTavernwApp app{&frontEnd};

    ChatCore()
    {
        app.OpenServerWindow();
        app.SetOwnNick(QStringLiteral("me"));
        app.m_Settings.ShowJoinPart = true;
        auto *offers = new CFileOffers(&app);
        new CDCCHandOver(&app, offers);
        offers->Offer(offeredFile());
        QObject::connect(&app, &CTavernwApp::lineSent, [](const QByteArray &line) {
            if (!line.endsWith('\n') || line.count('\n') != 1 || line.contains('\r') || line.contains('\0'))
                std::abort();
        });
        app.FeedServerBytes(":me!m@h JOIN :#lanway\r\n:srv 353 me = #lanway :@me +bob carol\r\n");
    }

    static QString offeredFile()
    {
        const QString path = QDir(qEnvironmentVariable("FERRY_HOME")).filePath(QStringLiteral("map.zip"));
        if (!QFile::exists(path)) {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly))
                f.write("PK");
        }
        return path;
    }
};

} // namespace ferry::fuzz
