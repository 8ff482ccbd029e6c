// The local network that scripts/run.sh brings up when the settings name no
// tracker: the session script run on the built programs with a fresh FERRY_HOME
// starts ngircd and ferryd, the control center signs on and starts the chat
// client, which joins its channel; the daemons end with the control center.

#include "platform/registrystore.h"
#include "tests/support/localnetwork.h"
#include "tests/support/processprobe.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTest>

#include <csignal>

using namespace ferry;

namespace {

// The children of a process with their program names.
QList<QPair<qint64, QString>> childrenOf(qint64 pid)
{
    QList<QPair<qint64, QString>> out;
    QFile f(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &id : f.readAll().simplified().split(' ')) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(id)));
        if (!id.isEmpty() && comm.open(QIODevice::ReadOnly))
            out.append({id.toLongLong(), QString::fromLatin1(comm.readAll().trimmed())});
    }
    return out;
}

qint64 childNamed(qint64 pid, const QString &name)
{
    for (const auto &[child, comm] : childrenOf(pid))
        if (comm == name)
            return child;
    return 0;
}

bool alive(qint64 pid) { return QFile::exists(QStringLiteral("/proc/%1").arg(pid)); }

QString fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The channels the chat server lists with their user counts, as one text.
QByteArray channelList(quint16 chatPort)
{
    QTcpSocket irc;
    irc.connectToHost(QStringLiteral("127.0.0.1"), chatPort);
    if (!irc.waitForConnected(3000))
        return {};
    irc.write("NICK probe\r\nUSER probe 0 * :probe\r\nLIST\r\n");
    QByteArray received;
    const bool listEnded = QTest::qWaitFor([&] {
        irc.waitForReadyRead(100);
        received += irc.readAll();
        return received.contains(" 323 ");
    }, 5000);
    return listEnded ? received : QByteArray();
}

} // namespace

class TestLocalPlay : public QObject {
    Q_OBJECT
private slots:
    void sessionBringsUpALocalNetworkAndTakesItDown()
    {
        const QString script = QFINDTESTDATA("../../scripts/run.sh.session");
        QVERIFY2(!script.isEmpty(), "scripts/run.sh.session not found beside the tests");
        test::TestEnv env;
        QProcess session;
        session.setProcessEnvironment(env.environment());
        session.setProcessChannelMode(QProcess::ForwardedChannels);
        session.start(QStringLiteral("bash"), {script, QFileInfo(test::TestEnv::program(QStringLiteral("ferrycc"))).absolutePath()});
        QVERIFY(session.waitForStarted(5000));

        const QString state = env.home() + QStringLiteral("/localnet");
        QVERIFY(QTest::qWaitFor([&] { return fileText(state + QStringLiteral("/ferryd.log")).contains(QStringLiteral("accepted")); }, 20000));
        QVERIFY(fileText(state + QStringLiteral("/ferryd.log")).contains(QStringLiteral("\"Local Lanway\" listening on 127.0.0.2")));

        // The control center handed the local chat server to the chat client.
        reg::resetDefaultStore();
        quint32 chatPort = 0;
        QVERIFY(QTest::qWaitFor([&] {
            const auto chat = test::chatServerSetting();
            chatPort = chat ? chat->port : 0;
            return chat && chat->host == QLatin1String("127.0.0.1");
        }, 5000));
        QVERIFY(fileText(state + QStringLiteral("/ngircd.conf")).contains(QStringLiteral("Ports = %1").arg(chatPort)));

        // The chat client it started is in the channel.
        QVERIFY(QTest::qWaitFor([&] { return channelList(quint16(chatPort)).contains(" #lanway 1 "); }, 15000));

        const qint64 cc = childNamed(session.processId(), QStringLiteral("ferrycc"));
        const qint64 ferryd = childNamed(session.processId(), QStringLiteral("ferryd"));
        const qint64 ngircd = childNamed(session.processId(), QStringLiteral("ngircd"));
        QVERIFY(cc != 0 && ferryd != 0 && ngircd != 0);
        QVERIFY(QTest::qWaitFor([&] { return test::catchesSignal(cc, SIGTERM); }, 10000));
        ::kill(pid_t(cc), SIGTERM);
        QVERIFY(session.waitForFinished(15000));
        QVERIFY(!alive(ferryd));
        QVERIFY(!alive(ngircd));
        QVERIFY(fileText(state + QStringLiteral("/ferryd.log")).contains(QStringLiteral("logoff")));
        reg::resetDefaultStore();
    }
};

QTEST_MAIN(TestLocalPlay)
#include "test_localplay.moc"
