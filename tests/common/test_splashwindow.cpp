#include "common/splashwindow.h"
#include "tests/support/testenv.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

namespace {

void sendMouse(QWidget *w, QEvent::Type type, const QPoint &local, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

} // namespace

class TestSplashWindow : public QObject {
    Q_OBJECT
private slots:
    void chatSplashShowsTheShippedPicture()
    {
        const QString binDir = qEnvironmentVariable("FERRY_BIN_DIR");
        CDIB picture;
        QVERIFY(picture.load(binDir + "/tavern97.dat"));
        QCOMPARE(picture.bitCount(), 8);

        auto splash = CSplashThread::showChatSplash(binDir);
        QVERIFY(splash);
        QVERIFY(splash->isVisible());
        QCOMPARE(splash->size(), picture.rect().size());
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(splash->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(splash->grab().toImage().pixel(10, 10), picture.toImage().pixel(10, 10));

        // The chat client's splash does not move with the mouse.
        const QPoint before = splash->pos();
        sendMouse(splash.get(), QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
        sendMouse(splash.get(), QEvent::MouseMove, QPoint(45, 25), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(splash->pos(), before);

        splash->requestClose();
        QVERIFY(splash->isClosed());
        QVERIFY(!splash->isVisible());
    }

    void controlCenterSplashStacksPictureAndStrip()
    {
        auto splash = CSplashThread::showControlCenterSplash();
        QVERIFY(splash);
        QCOMPARE(splash->size(), QSize(300, 252));
        CDIB strip;
        QVERIFY(strip.loadResource(CSplashThread::ControlCenterStatusId));
        const QImage shown = splash->grab().toImage();
        QCOMPARE(shown.pixel(150, 232 + 2), strip.toImage().pixel(150, 2));

        const QPoint before = splash->pos();
        sendMouse(splash.get(), QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
        sendMouse(splash.get(), QEvent::MouseMove, QPoint(45, 25), Qt::NoButton, Qt::LeftButton);
        sendMouse(splash.get(), QEvent::MouseButtonRelease, QPoint(45, 25), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(splash->pos(), before + QPoint(40, 20));
        splash->requestClose();
        QVERIFY(splash->isClosed());
    }

    void missingPictureMeansNoWindowAndNoPrompt()
    {
        ferry::test::TestEnv env;
        QTemporaryDir empty;
        const int windowsBefore = int(QApplication::topLevelWidgets().size());
        QVERIFY(!CSplashThread::showChatSplash(empty.path()));
        QFile corrupt(empty.filePath("tavern97.dat"));
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write("BM not really a picture");
        corrupt.close();
        QVERIFY(!CSplashThread::showChatSplash(empty.path()));
        QCOMPARE(int(QApplication::topLevelWidgets().size()), windowsBefore);
        QVERIFY(env.prompts().isEmpty());
    }
};

QTEST_MAIN(TestSplashWindow)
#include "test_splashwindow.moc"
