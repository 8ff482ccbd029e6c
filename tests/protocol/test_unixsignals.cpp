#include "protocol/unixsignals.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

using namespace ferry;

namespace {

bool handledByDefault(int signalNumber)
{
    struct sigaction current = {};
    ::sigaction(signalNumber, nullptr, &current);
    return current.sa_handler == SIG_DFL;
}

} // namespace

class TestUnixSignals : public QObject {
    Q_OBJECT
private slots:
    void terminationSignalsArriveOnTheEventLoop()
    {
        auto *watcher = new UnixSignalWatcher;
        QSignalSpy spy(watcher, &UnixSignalWatcher::terminationRequested);
        QCOMPARE(::raise(SIGTERM), 0);
        QCOMPARE(::raise(SIGINT), 0);
        // Nothing is emitted from inside the handler: only the event loop delivers.
        QCOMPARE(spy.count(), 0);
        QTRY_COMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toInt(), int(SIGTERM));
        QCOMPARE(spy.at(1).at(0).toInt(), int(SIGINT));

        delete watcher;
        QVERIFY(handledByDefault(SIGTERM));
        QVERIFY(handledByDefault(SIGINT));
    }

    void aLaterWatcherTakesOver()
    {
        UnixSignalWatcher first;
        QSignalSpy firstSpy(&first, &UnixSignalWatcher::terminationRequested);
        {
            UnixSignalWatcher second;
            QSignalSpy secondSpy(&second, &UnixSignalWatcher::terminationRequested);
            QCOMPARE(::raise(SIGTERM), 0);
            QTRY_COMPARE(secondSpy.count(), 1);
        }
        QCoreApplication::processEvents();
        QCOMPARE(firstSpy.count(), 0);
        QVERIFY(handledByDefault(SIGTERM));
    }
};

QTEST_MAIN(TestUnixSignals)
#include "test_unixsignals.moc"
