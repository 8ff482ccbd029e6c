// The launchpad's parts that need no window: the slots in the registry, what kind of
// program a file is and how it is started, and the icon reader for Windows programs,
// which must survive any bytes a file holds.

#include "chat/launchpad/launchslots.h"
#include "chat/launchpad/peimage.h"
#include "chat/launchpad/programicon.h"
#include "chat/launchpad/programstart.h"
#include "protocol/bytes.h"
#include "tests/chat/freshregistry.h"

#include <QApplication>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace tavern;

namespace {

QString slotKeyOf(int slot)
{
    return QString::fromLatin1(kLaunchPadKey) + QStringLiteral("\\Game%1").arg(slot + 1, 2, 10, QLatin1Char('0'));
}

// A 32x32 icon image as an .ico entry stores it: a DIB of twice the height, then the mask.
QByteArray iconDib(QRgb colour)
{
    QByteArray dib;
    ferry::bytes::Writer w(dib);
    w.le32(40);
    w.le32(32);
    w.le32(64);
    w.le16(1);
    w.le16(32);
    w.le32(0);
    w.le32(32 * 32 * 4);
    w.zeros(16);
    for (int i = 0; i < 32 * 32; ++i) {
        w.u8(qBlue(colour));
        w.u8(qGreen(colour));
        w.u8(qRed(colour));
        w.u8(0xFF);
    }
    w.zeros(32 * 4);
    return dib;
}

// A minimal PE32 image whose resource section holds one icon group with one icon.
QByteArray peWithIcon(QRgb colour)
{
    const QByteArray icon = iconDib(colour);
    QByteArray group;
    ferry::bytes::Writer g(group);
    g.le16(0);
    g.le16(1);
    g.le16(1);
    g.u8(32);
    g.u8(32);
    g.u8(0);
    g.u8(0);
    g.le16(1);
    g.le16(32);
    g.le32(quint32(icon.size()));
    g.le16(7); // RT_ICON id 7

    constexpr quint32 kRva = 0x1000;
    // Resource section: root (types 3 and 14), a name and a language level for each, two data entries, data.
    QByteArray rsrc;
    ferry::bytes::Writer r(rsrc);
    const auto directory = [&](quint32 id, quint32 target) {
        r.zeros(12);
        r.le16(0);
        r.le16(1);
        r.le32(id);
        r.le32(target);
    };
    r.zeros(12);
    r.le16(0);
    r.le16(2);
    r.le32(3);
    r.le32(0x80000000u | 0x20);   // RT_ICON → 0x20
    r.le32(14);
    r.le32(0x80000000u | 0x38);   // RT_GROUP_ICON → 0x38
    directory(7, 0x80000000u | 0x50);      // 0x20: icon id 7 → 0x50
    directory(1, 0x80000000u | 0x68);      // 0x38: group id 1 → 0x68
    directory(0x409, 0x80);                // 0x50: language → data entry 0x80
    directory(0x409, 0x90);                // 0x68: language → data entry 0x90
    const quint32 iconAt = 0xA0, groupAt = iconAt + quint32(icon.size());
    r.le32(kRva + iconAt);
    r.le32(quint32(icon.size()));
    r.zeros(8);
    r.le32(kRva + groupAt);
    r.le32(quint32(group.size()));
    r.zeros(8);
    r.raw(icon);
    r.raw(group);

    QByteArray pe;
    ferry::bytes::Writer w(pe);
    w.raw("MZ");
    w.zeros(0x3A);
    w.le32(0x40);
    w.raw(QByteArray("PE\0\0", 4));
    w.le16(0x14C);
    w.le16(1);
    w.zeros(12);
    w.le16(224);
    w.le16(0x102);
    QByteArray optional(224, '\0');
    ferry::bytes::putLe16(reinterpret_cast<unsigned char *>(optional.data()), 0x10B);
    ferry::bytes::putLe32(reinterpret_cast<unsigned char *>(optional.data()) + 92, 16);
    ferry::bytes::putLe32(reinterpret_cast<unsigned char *>(optional.data()) + 96 + 16, kRva);
    ferry::bytes::putLe32(reinterpret_cast<unsigned char *>(optional.data()) + 96 + 20, quint32(rsrc.size()));
    w.raw(optional);
    w.raw(QByteArray(".rsrc\0\0\0", 8));
    w.le32(quint32(rsrc.size()));
    w.le32(kRva);
    w.le32(quint32(rsrc.size()));
    w.le32(0x200);
    w.zeros(16);
    w.zeros(0x200 - pe.size());
    w.raw(rsrc);
    return pe;
}

QByteArray mzWithSignature(const QByteArray &signature)
{
    QByteArray file(0x80, '\0');
    file[0] = 'M';
    file[1] = 'Z';
    file[0x3C] = 0x40;
    file.replace(0x40, signature.size(), signature);
    return file;
}

QString write(const QTemporaryDir &dir, const QString &name, const QByteArray &content, bool executable = false)
{
    QFile f(dir.path() + u'/' + name);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
    f.close();
    if (executable)
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    return f.fileName();
}

} // namespace

class TestLaunchpadParts : public QObject {
    Q_OBJECT
private slots:
    void slotsInTheRegistry()
    {
        FreshRegistry fresh;
        CLaunchTable table;
        table.CloseChat = 0;
        QVERIFY(!LoadLaunchpad(table)); // the first run
        QCOMPARE(table.CloseChat, 1u);
        QCOMPARE(stored(QString::fromLatin1(kLaunchPadKey), QStringLiteral("CloseChat")), dw(1));
        QCOMPARE(stored(QString::fromLatin1(kLaunchPadKey), QStringLiteral("ConfirmLaunch")), dw(1));
        for (int slot : {0, 19})
            for (const char *name : {"ProgramName", "FileName", "FilePath", "FileParms", "FileIcon"})
                QCOMPARE(stored(slotKeyOf(slot), QLatin1String(name)), QVariant(QString()));
        QVERIFY(LoadLaunchpad(table)); // an empty title was stored: no longer the first run

        // Everything goes back as it was, long values whole.
        table.Slots[3] = {"Descent II", "D2.EXE", "C:\\GAMES\\D2", QString(3000, u'p'), "C:\\GAMES\\D2\\D2.ICO"};
        table.ConfirmLaunch = 0;
        QVERIFY(SaveLaunchpad(table));
        CLaunchTable again;
        QVERIFY(LoadLaunchpad(again));
        QVERIFY(again.Slots == table.Slots);
        QCOMPARE(again.ConfirmLaunch, 0u);
        QCOMPARE(again.Slots[3].ProgramPath(), QStringLiteral("C:/GAMES/D2/D2.EXE"));
        QCOMPARE(again.FirstEmptySlot(), 0);
        QCOMPARE(again.FindTitle(QStringLiteral("descent ii")), -1);
        QCOMPARE(again.FindTitle(QStringLiteral("Descent II")), 3);
    }

    void programKindsAndHowTheyStart()
    {
        QTemporaryDir dir;
        const QString pe = write(dir, "win.exe", peWithIcon(qRgb(1, 2, 3)));
        const QString ne = write(dir, "win16.exe", mzWithSignature("NE"));
        const QString bound = write(dir, "DOOM.EXE", mzWithSignature("LE"), true);
        const QString bat = write(dir, "GAME.BAT", "@echo off\r\n", true);
        const QString script = write(dir, "play.sh", "#!/bin/sh\n", true);
        const QString text = write(dir, "readme.txt", "hello");
        const QString entry = write(dir, "game.desktop",
                                    "[Desktop Entry]\nName=Game\nExec=/usr/bin/env \"my game\" %U --x 100%% %k\n"
                                    "Path=/tmp\nIcon=game\n[Other]\nExec=wrong\n");
        QVERIFY(ClassifyProgram(pe) == ProgramKind::Windows);
        QVERIFY(ClassifyProgram(ne) == ProgramKind::Windows);
        QVERIFY(ClassifyProgram(bound) == ProgramKind::Dos);
        QVERIFY(ClassifyProgram(bat) == ProgramKind::Dos);
        QVERIFY(ClassifyProgram(script) == ProgramKind::Executable);
        QVERIFY(ClassifyProgram(text) == ProgramKind::Document);
        QVERIFY(ClassifyProgram(entry) == ProgramKind::DesktopEntry);
        QVERIFY(ClassifyProgram(dir.path() + "/gone.exe") == ProgramKind::Missing);

        CStartContext none;
        none.findProgram = [](const QString &) { return QString(); };
        CStartContext some;
        some.findProgram = [](const QString &name) { return QStringLiteral("/usr/bin/") + name; };
        some.dosboxIpxConfig = QStringLiteral("/home/me/ipx.conf");
        some.ipxHost = QStringLiteral("127.0.0.3");
        some.ipxPort = 12213;

        const auto slotFor = [&](const QString &file, const QString &parms) {
            CLaunchSlot s;
            s.ProgramName = QStringLiteral("Game");
            s.FilePath = dir.path();
            s.FileName = file;
            s.FileParms = parms;
            return s;
        };
        CStartPlan plan = PlanStart(slotFor("GAME.BAT", "-nodes 2"), some);
        QCOMPARE(plan.program, QStringLiteral("/usr/bin/dosbox"));
        QCOMPARE(plan.arguments,
                 (QStringList{"-userconf", "-conf", "/home/me/ipx.conf", "-c", "mount c \"" + dir.path() + "\"", "-c",
                              "c:", "-c", "ipxnet connect 127.0.0.3 12213", "-c", "CALL GAME.BAT -nodes 2", "-c",
                              "exit"}));
        QCOMPARE(plan.workingDirectory, dir.path());
        QCOMPARE(PlanStart(slotFor("DOOM.EXE", ""), none).failure,
                 QStringLiteral("it is a DOS program and DOSBox is not installed."));
        QCOMPARE(PlanStart(slotFor("win.exe", "/a \"b c\""), some).arguments, (QStringList{pe, "/a", "b c"}));
        QCOMPARE(PlanStart(slotFor("win.exe", ""), none).failure,
                 QStringLiteral("it is a Windows program and wine is not installed."));
        QCOMPARE(ShellWords("-a 'b  c' \"d \\\"e\\\" \\x\" f\\ g"), (QStringList{"-a", "b  c", "d \"e\" \\x", "f g"}));
        plan = PlanStart(slotFor("play.sh", "-level 3 'two words'"), none);
        QCOMPARE(plan.program, script);
        QCOMPARE(plan.arguments, (QStringList{"-level", "3", "two words"}));
        plan = PlanStart(slotFor("game.desktop", "-v"), none);
        QCOMPARE(plan.program, QStringLiteral("/usr/bin/env"));
        QCOMPARE(plan.arguments, (QStringList{"my game", "--x", "100%", entry, "-v"}));
        QCOMPARE(plan.workingDirectory, QStringLiteral("/tmp"));
        QCOMPARE(PlanStart(slotFor("readme.txt", ""), none).openPath, text);
        plan = PlanStart(slotFor("gone.exe", ""), some);
        QCOMPARE(plan.failure, dir.path() + "/gone.exe does not exist.");
        QVERIFY(plan.program.isEmpty());
        qint64 pid = -1;
        QCOMPARE(StartPlanned(plan, &pid), plan.failure);
        QCOMPARE(pid, 0);
    }

    void firstIconOfAWindowsProgram()
    {
        QTemporaryDir dir;
        const QByteArray pe = peWithIcon(qRgb(0x10, 0x80, 0xF0));
        const QByteArray ico = FirstIconGroupAsIco(BytesOf(pe));
        QVERIFY(!ico.isEmpty());
        const QImage image = QImage::fromData(ico, "ICO");
        QCOMPARE(image.size(), QSize(32, 32));
        QCOMPARE(image.pixel(5, 5), qRgb(0x10, 0x80, 0xF0));

        // Through a file, as the launch bar reads it; other files give the default icon.
        const QString exe = write(dir, "game.exe", pe);
        QCOMPARE(FirstIcon(exe).pixmap(32, 32).toImage().pixel(5, 5), qRgb(0x10, 0x80, 0xF0));
        QVERIFY(FirstIcon(write(dir, "dos.exe", mzWithSignature("LE"))).isNull());
        QVERIFY(FirstIcon(dir.path() + "/missing.ico").isNull());
        QVERIFY(!IconOrDefault(dir.path() + "/missing.ico").isNull());
        QImage png(16, 16, QImage::Format_ARGB32);
        png.fill(Qt::green);
        QVERIFY(png.save(dir.path() + "/pic.png"));
        QCOMPARE(FirstIcon(dir.path() + "/pic.png").pixmap(16, 16).toImage().pixel(3, 3), QColor(Qt::green).rgb());
        write(dir, "entry.desktop", "[Desktop Entry]\nIcon=" + dir.path().toUtf8() + "/pic.png\n");
        QVERIFY(!FirstIcon(dir.path() + "/entry.desktop").isNull());
    }

    // Damaged and hostile files: every cut and thousands of random changes of a good
    // image must neither crash nor give a malformed icon file.
    void iconReaderSurvivesAnyBytes()
    {
        const QByteArray good = peWithIcon(qRgb(9, 9, 9));
        for (qsizetype cut = 0; cut < good.size(); cut += 7) {
            const QByteArray ico = FirstIconGroupAsIco(BytesOf(good.left(cut)));
            QVERIFY(ico.isEmpty());
        }
        QRandomGenerator rng(1311);
        int survived = 0;
        for (int round = 0; round < 6000; ++round) {
            QByteArray bytes = good;
            const int changes = rng.bounded(1, 12);
            for (int c = 0; c < changes; ++c) {
                // Headers and directories are where the offsets live: change them most.
                const qsizetype at = rng.bounded(4) ? rng.bounded(qsizetype(0x300)) : rng.bounded(bytes.size());
                bytes[at] = char(rng.bounded(4) == 0 ? 0xFF : rng.bounded(256));
            }
            if (rng.bounded(8) == 0)
                bytes.truncate(rng.bounded(bytes.size()));
            DetectExecutableFormat(BytesOf(bytes));
            const QByteArray ico = FirstIconGroupAsIco(BytesOf(bytes));
            if (ico.isEmpty())
                continue;
            ++survived;
            ferry::bytes::Reader r(ico);
            r.skip(4);
            const int count = r.le16();
            QVERIFY(count >= 1 && count <= 64);
            QVERIFY(ico.size() >= 6 + 16 * count);
            QImage::fromData(ico, "ICO");
        }
        QVERIFY(survived > 0);
    }
};

QTEST_MAIN(TestLaunchpadParts)
#include "test_launchpadparts.moc"
