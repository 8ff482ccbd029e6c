// The search for known games: "games.txt" as the search reads it, the worker that
// walks a tree, the folders offered, and the search run from the dialog over
// temporary trees.

#include "chat/launchpad/gamescanner.h"
#include "chat/launchpad/knowngames.h"
#include "chat/launchpad/scanroots.h"
#include "tests/chat/launchpad/launchpadrig.h"

#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

using namespace tavern;

namespace {

const QByteArray kGames = "Title,Look for,Start,Parameters,Icon\n"
                          "Descent II,DESCENT2.EXE,D2LAUNCH.EXE,-nomusic,icons\\d2.ico\n"
                          "Quake,QUAKE.EXE,QUAKE.EXE,-nosound\n"
                          "DOOM,DOOM.EXE,IPXSETUP.EXE,-nodes 2\n"
                          "Warcraft II,WAR2.EXE,WAR2.EXE,pkt:8\n"
                          "Hidden,SECRET.EXE,SECRET.EXE\n";

QStringList prompted(const ferry::test::TestEnv &env, const QString &caption)
{
    QStringList texts;
    for (const auto &p : env.prompts())
        if (p.caption == caption)
            texts << p.text;
    return texts;
}

} // namespace

class TestGameSearch : public QObject {
    Q_OBJECT
private slots:
    void gamesTextAsTheSearchReadsIt()
    {
        const QByteArray text = "Descent,DESCENT.EXE,DESCENT.EXE,,\r\n"   // a game in the heading line is lost
                                "Descent II,,DESCENT2.EXE,,D2.EXE,-x\r\n"  // runs of commas are one separator
                                "Quake, QUAKE.EXE ,QUAKE.EXE,-nosound,quake.ico   \t\r\n"
                                "Short,SHORT.EXE\n"
                                "\n"
                                + QByteArray("Long,LONG.EXE,LONG.EXE,") + QByteArray(300, 'p') + ",icon\n"
                                + "Caf\xc3\xa9,CAFE.EXE\n";
        const QList<CKnownGame> games = ParseKnownGames(text);
        QCOMPARE(games.size(), 5);
        QCOMPARE(games[0], (CKnownGame{"Descent II", "DESCENT2.EXE", "D2.EXE", "-x", ""}));
        QCOMPARE(games[1], (CKnownGame{"Quake", "QUAKE.EXE", "QUAKE.EXE", "-nosound", "quake.ico"}));
        QCOMPARE(games[2], (CKnownGame{"Short", "SHORT.EXE", "", "", ""}));
        // Only 253 characters of a line count: the parameters are cut, the icon is gone.
        QCOMPARE(games[3].parameters.size(), 253 - int(strlen("Long,LONG.EXE,LONG.EXE,")));
        QCOMPARE(games[3].icon, QString());
        QCOMPARE(games[4].title, QStringLiteral("Caf\u00e9"));
        QVERIFY(ParseKnownGames("heading only").isEmpty());
    }

    void scannerWalksTheTreeWithoutCaseOrLinks()
    {
        QTemporaryDir dir;
        const QString root = dir.path() + QStringLiteral("/root");
        QVERIFY(QDir().mkpath(root + "/b/descent2"));
        QVERIFY(QDir().mkpath(root + "/a/.hidden"));
        QVERIFY(QDir().mkpath(dir.path() + "/outside"));
        const auto touch = [](const QString &p) { QFile f(p); return f.open(QIODevice::WriteOnly); };
        QVERIFY(touch(root + "/b/descent2/Descent2.exe"));
        QVERIFY(touch(root + "/b/descent2/d2launch.exe"));
        QVERIFY(touch(root + "/a/QUAKE.EXE"));
        QVERIFY(touch(root + "/a/.hidden/SECRET.EXE"));
        QVERIFY(touch(dir.path() + "/outside/WAR2.EXE"));
        QVERIFY(QFile::link(dir.path() + "/outside", root + "/a/link"));
        QVERIFY(QFile::link(root, root + "/b/loop"));

        const QList<CKnownGame> games = ParseKnownGames(kGames);
        const CGameMatcher matcher(games);
        std::atomic_bool cancel{false};
        QList<CFoundGame> found;
        const CScanStats stats = ScanTree(root + "/", games, matcher, cancel, [&](const CFoundGame &f) { found << f; });
        QVERIFY(!stats.cancelled);
        QCOMPARE(found.size(), 2);
        // Parents' files first, then subfolders in name order: a/ before b/.
        QCOMPARE(games[found[0].game].title, QStringLiteral("Quake"));
        QCOMPARE(found[0].program, root + "/a/QUAKE.EXE");
        QCOMPARE(games[found[1].game].title, QStringLiteral("Descent II"));
        QCOMPARE(found[1].folder, root + "/b/descent2");
        QCOMPARE(found[1].program, root + "/b/descent2/d2launch.exe"); // the letter case on the disk
        // root, a, b, b/descent2: a/.hidden and the links are not entered.
        QCOMPARE(stats.directories, quint64(4));
        QCOMPARE(stats.entries, quint64(9));

        // Cancelled before it begins, it finds nothing and says so.
        cancel = true;
        found.clear();
        QVERIFY(ScanTree(root, games, matcher, cancel, [&](const CFoundGame &f) { found << f; }).cancelled);
        QVERIFY(found.isEmpty());
    }

    void offeredFoldersLeavePseudoAndRemovableOut()
    {
        QTemporaryDir sys;
        // sdb is a removable disk with a partition; sda a fixed one.
        QVERIFY(QDir().mkpath(sys.path() + "/devices/sdb/sdb1"));
        QVERIFY(QDir().mkpath(sys.path() + "/devices/sda/sda2"));
        QFile removable(sys.path() + "/devices/sdb/removable");
        QVERIFY(removable.open(QIODevice::WriteOnly));
        removable.write("1\n");
        removable.close();
        QFile fixed(sys.path() + "/devices/sda/removable");
        QVERIFY(fixed.open(QIODevice::WriteOnly));
        fixed.write("0\n");
        fixed.close();
        QVERIFY(QDir().mkpath(sys.path() + "/class"));
        QVERIFY(QFile::link(sys.path() + "/devices/sdb/sdb1", sys.path() + "/class/sdb1"));
        QVERIFY(QFile::link(sys.path() + "/devices/sda/sda2", sys.path() + "/class/sda2"));

        const QList<CMountPoint> mounts = {
            {"/", "ext4", "/dev/sda2"},         {"/proc", "proc", "proc"},
            {"/run", "tmpfs", "tmpfs"},         {"/mnt/stick", "vfat", "/dev/sdb1"},
            {"/home", "btrfs", "/dev/sda2"},    {"/media/me/CDROM", "iso9660", "/dev/sr0"},
            {"/snap/x/1", "squashfs", "/dev/loop0"}, {"/srv/share", "nfs", "server:/share"},
            {"/home", "btrfs", "/dev/sda2"},    {"/var/lib/docker/x", "overlay", "overlay"},
        };
        const CScanRoots roots = ClassifyMounts(mounts, sys.path() + "/class");
        QCOMPARE(roots.fixed, (QStringList{"/", "/home", "/srv/share"}));
        QCOMPARE(roots.removable, (QStringList{"/mnt/stick", "/media/me/CDROM"}));
    }

    // The dialog's search over two temporary "drives": case-insensitive matches, titles
    // already present skipped, icons from the program folder, questions per drive.
    void searchAddsFoundGamesFromEachOfferedFolder()
    {
        LaunchpadRig rig(kGames);
        rig.start();
        const QString one = rig.path("one"), two = rig.path("two");
        rig.writeFile("one/games/descent2/descent2.exe", "");
        rig.writeFile("one/games/descent2/D2Launch.exe", "");
        rig.writeFile("one/quake/quake.exe", "");
        rig.writeFile("two/war2/WAR2.EXE", "");
        rig.writeFile("two/doom/doom.exe", "");
        rig.table().Slots[0].ProgramName = QStringLiteral("Quake");
        rig.table().Slots[0].FileName = QStringLiteral("mine.exe");

        CLaunchpadDlg *dlg = rig.dialog();
        dlg->SetScanRoots([&] { return CScanRoots{{one, two}, {rig.path("stick")}}; });
        rig.fresh.env.setAnswers({"yes", "no"});
        dlg->OnOpen();
        dlg->FindGames();
        QCOMPARE(prompted(rig.fresh.env, "Find Games"),
                 (QStringList{"Do you want to scan drive " + one + " for games?",
                              "Do you want to scan drive " + two + " for games?"}));
        QCOMPARE(rig.table().Titles(), (QStringList{"Quake", "Descent II"}));
        QCOMPARE(rig.table().Slots[0].FileName, QStringLiteral("mine.exe")); // kept, not replaced
        const CLaunchSlot &d2 = rig.table().Slots[1];
        QCOMPARE(d2.FilePath, one + "/games/descent2");
        QCOMPARE(d2.FileName, QStringLiteral("D2Launch.exe"));
        QCOMPARE(d2.FileParms, QStringLiteral("-nomusic"));
        QCOMPARE(d2.FileIcon, rig.path("icons/d2.ico"));
        QCOMPARE(dlg->titles()->count(), 2);

        // Eighteen more games leave room for one: the rest are dropped without a word.
        for (int i = 2; i < 19; ++i)
            rig.table().Slots[i].ProgramName = QStringLiteral("Other %1").arg(i);
        rig.fresh.env.setAnswers({"no", "yes"});
        const int promptsBefore = rig.fresh.env.prompts().size();
        dlg->OnOpen();
        dlg->FindGames();
        QCOMPARE(rig.fresh.env.prompts().size(), promptsBefore + 2); // the two questions only
        QCOMPARE(rig.table().FirstEmptySlot(), -1);
        QCOMPARE(rig.table().Slots[19].ProgramName, QStringLiteral("DOOM"));
        QCOMPARE(rig.table().Slots[19].FileName, QStringLiteral("IPXSETUP.EXE"));
        QCOMPARE(rig.table().Slots[19].FileIcon, two + "/doom/IPXSETUP.EXE");
    }

    void cancelEndsOneFolderAndTheNextIsOffered()
    {
        LaunchpadRig rig(kGames);
        rig.start();
        rig.writeFile("one/quake/QUAKE.EXE", "");
        rig.writeFile("two/war2/WAR2.EXE", "");
        CLaunchpadDlg *dlg = rig.dialog();
        dlg->SetScanRoots([&] { return CScanRoots{{rig.path("one"), rig.path("two")}, {}}; });
        connect(dlg, &CLaunchpadDlg::searchStarted, dlg, [dlg, &rig](const QString &root) {
            if (root == rig.path("one"))
                dlg->CancelSearch();
        });
        QSignalSpy ended(dlg, &CLaunchpadDlg::searchEnded);
        rig.fresh.env.setAnswers({"yes", "yes"});
        dlg->OnOpen();
        dlg->FindGames();
        QCOMPARE(ended.count(), 2);
        QCOMPARE(ended[0], (QVariantList{rig.path("one"), true}));
        QCOMPARE(ended[1], (QVariantList{rig.path("two"), false}));
        QCOMPARE(rig.table().Titles(), QStringList{"Warcraft II"});
    }

    void missingGamesTextIsSaidOnceAtStart()
    {
        LaunchpadRig rig{QByteArray()};
        rig.fresh.env.setAnswers({"ok", "no"});
        rig.start();
        const auto prompts = rig.fresh.env.prompts();
        QCOMPARE(prompts.size(), 2);
        QCOMPARE(prompts[0].kind, QStringLiteral("error"));
        QCOMPARE(prompts[0].text, CLaunchpadDlg::kNoGamesFileText);
        QCOMPARE(prompts[1].text, tavern::CLaunchpad::kConfigureQuestion);
        QVERIFY(rig.dialog()->KnownGames().isEmpty());
    }
};

QTEST_MAIN(TestGameSearch)
#include "test_gamesearch.moc"
