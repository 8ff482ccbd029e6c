#pragma once

// A second chat user for tests against a real chat server: a plain socket speaking
// the protocol line by line.

#include "tests/support/ngircdfixture.h"

#include <QByteArray>
#include <QString>
#include <QTcpSocket>
#include <QTest>

class IrcPeer {
public:
    bool connectTo(const ferry::test::NgircdFixture &server, const QString &nick)
    {
        m_socket.connectToHost(server.host(), server.port());
        if (!m_socket.waitForConnected(3000))
            return false;
        send(QStringLiteral("NICK ") + nick);
        send(QStringLiteral("USER peer 0 * :Peer"));
        return waitFor(" 376 " + nick.toUtf8() + ' ') || m_received.contains(" 422 " + nick.toUtf8() + ' ');
    }
    void send(const QString &line)
    {
        m_socket.write(line.toUtf8() + "\r\n");
        m_socket.flush();
    }
    // Waits until the received text (since the last forget()) contains needle.
    bool waitFor(const QByteArray &needle, int ms = 5000)
    {
        return QTest::qWaitFor([&] {
            m_received += m_socket.readAll();
            return m_received.contains(needle);
        }, ms);
    }
    void forget() { m_received.clear(); }
    const QByteArray &received() const { return m_received; }

private:
    QTcpSocket m_socket;
    QByteArray m_received;
};
