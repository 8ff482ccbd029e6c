#pragma once

// Chat cores set up the way most chat tests need them.

#include "chat/core/tavernwapp.h"
#include "tests/chat/fakefrontend.h"
#include "tests/support/testenv.h"

#include <QObject>
#include <QStringList>

// A chat core with a recording front end, the Server window open, the own nickname
// "me", no socket, and every line it sends collected.
struct CoreRig {
    ferry::test::TestEnv env;
    FakeFrontEnd fe;
    CTavernwApp app{&fe};
    QStringList sent;

    CoreRig()
    {
        app.OpenServerWindow();
        app.SetOwnNick(QStringLiteral("me"));
        QObject::connect(&app, &CTavernwApp::lineSent, [this](const QByteArray &b) { sent << QString::fromUtf8(b); });
    }
};

// A chat core set to connect to a chat server with an identity; the Server window is open.
struct ChatClient {
    FakeFrontEnd fe;
    CTavernwApp app{&fe};
    ChatClient(const QString &host, quint16 port, const QString &nickField)
    {
        app.m_Settings.ChatServer = host;
        app.m_Settings.ChatServerPort = port;
        app.SetIdentity({nickField, QStringLiteral("player@lanway.test"), {127, 0, 0, 1}});
        app.OpenServerWindow();
    }
    QStringList server() const { return fe.textsIn(QStringLiteral("Server")); }
};
