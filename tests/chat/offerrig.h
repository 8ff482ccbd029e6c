#pragma once

// A chat core for the file offer and DCC tests: a recording front end, the Server
// window and the given channels open, own nick "me" at 127.0.0.1, the file offers
// attached, every sent line recorded, and a temporary folder for files.

#include "chat/core/fileoffers.h"
#include "chat/core/tavernwapp.h"
#include "tests/chat/fakefrontend.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QTemporaryDir>

struct OfferRig {
    ferry::test::TestEnv env;
    QTemporaryDir dir;
    FakeFrontEnd fe;
    CTavernwApp app{&fe};
    CFileOffers offers{&app};
    QStringList sent;

    explicit OfferRig(const QStringList &channels = {})
    {
        app.OpenServerWindow();
        app.SetOwnNick(QStringLiteral("me"));
        app.SetIdentity({QStringLiteral("me"), QStringLiteral("me@x"), {127, 0, 0, 1}});
        for (const QString &c : channels)
            app.OnServerLine(QStringLiteral(":me!~me@h JOIN :") + c);
        QObject::connect(&app, &CTavernwApp::lineSent, [this](const QByteArray &b) { sent << QString::fromUtf8(b); });
    }
    static QString mark() { return QString(QChar(0x01)); }
    // A private CTCP request from nick to us, through the dispatcher.
    void ctcpFrom(const QString &nick, const QString &body)
    {
        app.OnServerLine(QStringLiteral(":%1!u@h PRIVMSG me :").arg(nick) + mark() + body + mark());
    }
    QString writeFile(const QString &name, const QByteArray &data = "data")
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(data);
        return path;
    }
    QStringList server() const { return fe.textsIn(QStringLiteral("Server")); }
};
