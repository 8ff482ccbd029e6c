// ferryd: a reference tunnelling server and tracker. It answers the control
// center's datagrams on one address (server port 2210, tunnel port 2211 and
// tracker port 2224, all moved by FERRY_PORT_OFFSET), routes the players' IPX
// frames between them, and prints one line per datagram (frames: per drop).

#include "server/ferryserver.h"

#include "protocol/ports.h"
#include "protocol/unixsignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <optional>

namespace {

void printLine(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int fail(const QString &message)
{
    std::fprintf(stderr, "ferryd: %s\n", message.toLocal8Bit().constData());
    return 2;
}

// "address,description[,users]" for a further server in the directory.
std::optional<ferry::datagrams::ServerEntry> parseServer(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 2 || QHostAddress(parts[0]).protocol() != QAbstractSocket::IPv4Protocol)
        return std::nullopt;
    ferry::datagrams::ServerEntry e;
    e.address = parts[0].toLatin1();
    e.description = parts[1].toUtf8();
    e.users = parts.value(2).toInt();
    return e;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ferryd"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Reference tunnelling server and tracker for local play and tests."));
    parser.addHelpOption();
    const QCommandLineOption addressOpt(QStringLiteral("address"), QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                        QStringLiteral("ip"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption nameOpt(QStringLiteral("name"), QStringLiteral("Server description in the directory."),
                                     QStringLiteral("text"), QStringLiteral("ferryd"));
    const QCommandLineOption maxOpt(QStringLiteral("max-players"), QStringLiteral("Player limit (default 32)."),
                                    QStringLiteral("n"), QStringLiteral("32"));
    const QCommandLineOption chatOpt(QStringLiteral("chat-server"), QStringLiteral("Chat server advertised in the directory."),
                                     QStringLiteral("host:port"));
    const QCommandLineOption serverOpt(QStringLiteral("server"),
                                       QStringLiteral("A further server for the directory (repeatable)."),
                                       QStringLiteral("ip,description[,users]"));
    const QCommandLineOption operatorOpt(QStringLiteral("operator"),
                                         QStringLiteral("The player with this nickname may ban and remove players, "
                                                        "when signed on from this address (repeatable)."),
                                         QStringLiteral("nickname@ip"));
    const QCommandLineOption tunnelOpt(QStringLiteral("tunnel"),
                                       QStringLiteral("Tunnel address and port given to accepted players (default: the listening address, port 2211); "
                                                      "the tunnel is received on this port of the listening address."),
                                       QStringLiteral("ip:port"));
    const QCommandLineOption probeOpt(QStringLiteral("probe"), QStringLiteral("Ask accepted players to identify themselves."));
    const QCommandLineOption quietOpt(QStringLiteral("quiet"), QStringLiteral("Print nothing per datagram or dropped frame."));
    parser.addOptions({addressOpt, nameOpt, maxOpt, chatOpt, serverOpt, operatorOpt, tunnelOpt, probeOpt, quietOpt});
    parser.process(app);

    ferryd::Config config;
    config.address = QHostAddress(parser.value(addressOpt));
    if (config.address.protocol() != QAbstractSocket::IPv4Protocol)
        return fail(QStringLiteral("--address needs an IPv4 address"));
    config.name = parser.value(nameOpt).toUtf8();
    bool ok = false;
    config.maxPlayers = parser.value(maxOpt).toInt(&ok);
    if (!ok || config.maxPlayers < 0)
        return fail(QStringLiteral("--max-players needs a number"));
    config.chatServer = parser.value(chatOpt).toUtf8();
    for (const QString &entry : parser.values(serverOpt)) {
        const auto e = parseServer(entry);
        if (!e)
            return fail(QStringLiteral("--server needs ip,description[,users]: %1").arg(entry));
        config.others << *e;
    }
    for (const QString &entry : parser.values(operatorOpt)) {
        const auto op = ferryd::parseOperator(entry);
        if (!op)
            return fail(QStringLiteral("--operator needs nickname@ip: %1").arg(entry));
        config.operators << *op;
    }
    if (parser.isSet(tunnelOpt)) {
        const QString t = parser.value(tunnelOpt);
        const qsizetype colon = t.lastIndexOf(QLatin1Char(':'));
        config.tunnelAddress = QHostAddress(t.left(colon));
        const uint port = t.mid(colon + 1).toUInt(&ok);
        if (colon < 0 || !ok || port == 0 || port > 0xFFFF || config.tunnelAddress.protocol() != QAbstractSocket::IPv4Protocol)
            return fail(QStringLiteral("--tunnel needs ip:port"));
        config.tunnelPort = quint16(port);
    }
    config.probe = parser.isSet(probeOpt);

    const bool quiet = parser.isSet(quietOpt);
    ferryd::FerryServer server(config, [quiet](const QString &line) {
        if (!quiet)
            printLine(line);
    });
    QString error;
    if (!server.start(&error))
        return fail(error);

    ferry::UnixSignalWatcher watcher;
    QObject::connect(&watcher, &ferry::UnixSignalWatcher::terminationRequested, &app, [](int) { QCoreApplication::quit(); });

    printLine(QStringLiteral("ferryd \"%1\" listening on %2, server port %3, tunnel port %4, tracker port %5")
                  .arg(QString::fromUtf8(config.name), config.address.toString())
                  .arg(server.serverPort())
                  .arg(server.tunnelPort())
                  .arg(server.trackerPort()));
    const int rc = app.exec();
    printLine(server.tunnelSummary());
    printLine(QStringLiteral("ferryd stopped"));
    return rc;
}
