// Lock key states read from a folder laid out like the kernel's LED list.

#include "platform/keylocks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using ferry::KeyLocks;

namespace {

void addLed(const QTemporaryDir &leds, const QString &name, const QByteArray &brightness)
{
    QVERIFY(QDir(leds.path()).mkpath(name));
    if (brightness.isNull())
        return;
    QFile f(leds.filePath(name + QStringLiteral("/brightness")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(brightness);
}

} // namespace

class TestKeyLocks : public QObject {
    Q_OBJECT
private slots:
    void locksFollowTheKeyboardLeds()
    {
        QTemporaryDir leds;
        addLed(leds, QStringLiteral("input3::capslock"), "1\n");
        addLed(leds, QStringLiteral("input3::numlock"), "0\n");
        // A second keyboard with Num Lock lit: the lock is on.
        addLed(leds, QStringLiteral("input7::numlock"), "1\n");
        // An LED whose state cannot be read counts as off.
        addLed(leds, QStringLiteral("input3::scrolllock"), QByteArray());
        addLed(leds, QStringLiteral("phy0-led"), "1\n");
        QCOMPARE(ferry::readKeyLocks(leds.path()), (KeyLocks{true, true, false}));

        addLed(leds, QStringLiteral("input3::scrolllock"), "255\n");
        addLed(leds, QStringLiteral("input3::capslock"), "0\n");
        QCOMPARE(ferry::readKeyLocks(leds.path()), (KeyLocks{false, true, true}));
    }

    void noLedsMeansAllOff()
    {
        QTemporaryDir empty;
        QCOMPARE(ferry::readKeyLocks(empty.path()), KeyLocks{});
        QCOMPARE(ferry::readKeyLocks(empty.filePath(QStringLiteral("missing"))), KeyLocks{});
    }
};

QTEST_MAIN(TestKeyLocks)
#include "test_keylocks.moc"
