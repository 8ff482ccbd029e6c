// "Configure Launchpad" and the launch bar in this process: adding, removing and
// renaming games, titles that must stay unique, a full launchpad, Cancel undoing
// everything, files dropped on the bar, and picking a program by hand.

#include "chat/launchpad/launchbar.h"
#include "tests/chat/launchpad/launchpadrig.h"
#include "platform/prompts.h"
#include "tests/support/dialogkeys.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

using tavern::CLaunchpadDlg;

namespace {

QStringList rows(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

int countPrompts(const ferry::test::TestEnv &env, const QString &text)
{
    int n = 0;
    for (const auto &p : env.prompts())
        n += p.text == text;
    return n;
}

QPushButton *button(QWidget *dialog, const QString &text)
{
    for (QPushButton *b : dialog->findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

class TestLaunchpadDlg : public QObject {
    Q_OBJECT
private slots:
    void addRemoveRenameWithUniqueTitles()
    {
        LaunchpadRig rig;
        rig.start();
        CLaunchpadDlg *dlg = rig.dialog();
        dlg->OnOpen();
        QCOMPARE(dlg->titles()->count(), 0);
        QCOMPARE(dlg->EditedSlot(), -1);

        rig.fresh.env.setAnswers({"text:Descent II", "text:descent ii", "text:Descent II", "cancel"});
        dlg->OnAdd();
        QCOMPARE(rows(dlg->titles()), QStringList{"Descent II"});
        QCOMPARE(dlg->EditedSlot(), 0);
        QCOMPARE(dlg->programName()->text(), QStringLiteral("Descent II"));
        QVERIFY(!dlg->iconPicture()->pixmap().isNull()); // the default application icon

        // Typed but not stored: the next Add drops it. A title differing in case is another title.
        dlg->fileName()->setText(QStringLiteral("D2.EXE"));
        dlg->OnAdd();
        QCOMPARE(rows(dlg->titles()), (QStringList{"Descent II", "descent ii"}));
        QCOMPARE(rig.table().Slots[0].FileName, QString());
        QCOMPARE(rig.table().Slots[1].ProgramName, QStringLiteral("descent ii"));
        QCOMPARE(dlg->titles()->currentRow(), 1);

        // The same title again is refused and adds nothing.
        dlg->OnAdd();
        QCOMPARE(dlg->titles()->count(), 2);
        QCOMPARE(countPrompts(rig.fresh.env, CLaunchpadDlg::kDuplicateTitleText), 1);
        const auto refusal = rig.fresh.env.prompts().last();
        QCOMPARE(refusal.caption, QStringLiteral("Error"));

        // Cancel in the title question adds nothing and shows the first game.
        dlg->OnAdd();
        QCOMPARE(dlg->titles()->count(), 2);
        QCOMPARE(dlg->titles()->currentRow(), 0);
        QCOMPARE(dlg->EditedSlot(), 0);

        // Renaming into another game's title is refused on leaving the field, and
        // the selection cannot move away while it stands.
        dlg->titles()->setCurrentRow(1);
        dlg->programName()->setText(QStringLiteral("Descent II"));
        dlg->OnTitleEdited();
        QCOMPARE(countPrompts(rig.fresh.env, CLaunchpadDlg::kDuplicateTitleText), 2);
        QCOMPARE(dlg->titles()->item(1)->text(), QStringLiteral("descent ii"));
        dlg->titles()->setCurrentRow(0);
        QCOMPARE(dlg->titles()->currentRow(), 1);
        QCOMPARE(dlg->EditedSlot(), 1);
        QCOMPARE(countPrompts(rig.fresh.env, CLaunchpadDlg::kDuplicateTitleText), 3);

        // A new title renames the row and, stored, the slot.
        dlg->programName()->setText(QStringLiteral("Descent 2 Vertigo"));
        dlg->OnTitleEdited();
        QCOMPARE(dlg->titles()->item(1)->text(), QStringLiteral("Descent 2 Vertigo"));
        dlg->programDirectory()->setText(QStringLiteral("/games/d2/"));
        dlg->OnDirectoryEdited();
        QCOMPARE(dlg->programDirectory()->text(), QStringLiteral("/games/d2"));
        dlg->fileName()->setText(QStringLiteral("VERTIGO.EXE"));
        dlg->OnFileNameEdited();
        QCOMPARE(countPrompts(rig.fresh.env, CLaunchpadDlg::kNoSuchFileText), 1);
        dlg->titles()->setCurrentRow(0);
        QCOMPARE(rig.table().Slots[1].ProgramName, QStringLiteral("Descent 2 Vertigo"));
        QCOMPARE(rig.table().Slots[1].FilePath, QStringLiteral("/games/d2"));
        QCOMPARE(rig.table().Slots[1].FileName, QStringLiteral("VERTIGO.EXE"));

        // Remove clears the slot and shows the first game left.
        dlg->titles()->setCurrentRow(1);
        dlg->OnRemove();
        QCOMPARE(rows(dlg->titles()), QStringList{"Descent II"});
        QVERIFY(rig.table().Slots[1] == tavern::CLaunchSlot());
        QCOMPARE(dlg->EditedSlot(), 0);
        QCOMPARE(dlg->programName()->text(), QStringLiteral("Descent II"));
    }

    void dialogWorksFromTheKeyboard()
    {
        LaunchpadRig rig;
        rig.start();
        fillSlots(rig.table(), 2);
        rig.dialog()->OnOpen();
        QCOMPARE(ferry::test::tabOrderFault(rig.dialog()), QString());
        QCOMPARE(ferry::test::accessKeyClash(rig.dialog()), QString());
        rig.dialog()->hide();
        tavern::CAddLaunchItemDlg ask(rig.dialog());
        QCOMPARE(ferry::test::tabOrderFault(&ask), QString());
    }

    void fullLaunchpadRefusesAddAndDrop()
    {
        LaunchpadRig rig;
        rig.start();
        fillSlots(rig.table(), tavern::kSlotCount);
        rig.dialog()->OnOpen();
        const int before = rig.fresh.env.prompts().size();
        rig.dialog()->OnAdd();
        rig.launchpad->AddDroppedProgram(rig.writeFile(QStringLiteral("more/quake.exe"), "MZ"));
        const auto prompts = rig.fresh.env.prompts().mid(before);
        QCOMPARE(prompts.size(), 2);
        for (const auto &p : prompts) {
            QCOMPARE(p.caption, QStringLiteral("Error"));
            QCOMPARE(p.text, CLaunchpadDlg::kLaunchpadFullText);
        }
        QCOMPARE(rig.table().Titles().size(), tavern::kSlotCount);
    }

    // Cancel drops every change made while the dialog was open, check boxes included;
    // OK keeps them. Driven through the real dialog on the screen.
    void cancelRestoresEverythingOkKeepsIt()
    {
        LaunchpadRig rig;
        store(QString::fromLatin1(tavern::kLaunchPadKey), QStringLiteral("CloseChat"), dw(1));
        store(QString::fromLatin1(tavern::kLaunchPadKey), QStringLiteral("ConfirmLaunch"), dw(0));
        store(slotKey(0), QStringLiteral("ProgramName"), QStringLiteral("Descent"));
        store(slotKey(1), QStringLiteral("ProgramName"), QStringLiteral("DOOM"));
        store(slotKey(1), QStringLiteral("FileName"), QStringLiteral("DOOM.EXE"));
        rig.start();
        qunsetenv("FERRY_PROMPTS");
        ferry::prompts::reset();

        const auto editEverything = [&] {
            CLaunchpadDlg *dlg = rig.dialog();
            QVERIFY(dlg->isVisible());
            QCOMPARE(rows(dlg->titles()), (QStringList{"Descent", "DOOM"}));
            dlg->closeChat()->click();
            dlg->confirmLaunch()->click();
            QCOMPARE(rig.table().CloseChat, 0u); // at once, not only on OK
            QTimer::singleShot(0, [] {
                auto *ask = qobject_cast<tavern::CAddLaunchItemDlg *>(QApplication::activeModalWidget());
                QVERIFY(ask);
                ask->title()->setText(QStringLiteral("Quake"));
                ask->accept();
            });
            button(dlg, QStringLiteral("&Add"))->click();
            dlg->titles()->setCurrentRow(0);
            button(dlg, QStringLiteral("&Remove"))->click();
            QCOMPARE(rows(dlg->titles()), (QStringList{"DOOM", "Quake"}));
        };

        QTimer::singleShot(0, [&] {
            editEverything();
            rig.dialog()->reject();
        });
        rig.launchpad->ConfigureLaunchpad();
        QCOMPARE(rig.table().Titles(), (QStringList{"Descent", "DOOM"}));
        QCOMPARE(rig.table().Slots[1].FileName, QStringLiteral("DOOM.EXE"));
        QCOMPARE(rig.table().CloseChat, 1u);
        QCOMPARE(rig.table().ConfirmLaunch, 0u);
        QVERIFY(rig.launchpad->LaunchBar()->slotAction(0));
        QVERIFY(!rig.launchpad->LaunchBar()->slotAction(2));

        QTimer::singleShot(0, [&] {
            editEverything();
            rig.dialog()->accept();
        });
        rig.launchpad->ConfigureLaunchpad();
        QCOMPARE(rig.table().Titles(), (QStringList{"DOOM", "Quake"}));
        QCOMPARE(stored(slotKey(0), QStringLiteral("ProgramName")), QVariant(QString()));
        QCOMPARE(stored(slotKey(2), QStringLiteral("ProgramName")), QVariant(QStringLiteral("Quake")));
        QCOMPARE(stored(QString::fromLatin1(tavern::kLaunchPadKey), QStringLiteral("CloseChat")), dw(0));
        QCOMPARE(stored(QString::fromLatin1(tavern::kLaunchPadKey), QStringLiteral("ConfirmLaunch")), dw(1));
        // The bar shows the games now configured, with their titles as tool tips.
        tavern::CLaunchBar *bar = rig.launchpad->LaunchBar();
        QVERIFY(!bar->slotAction(0));
        QCOMPARE(bar->slotAction(2)->toolTip(), QStringLiteral("Quake"));
        QCOMPARE(bar->widgetForAction(bar->slotAction(2))->size(), QSize(40, 40));
        QCOMPARE(rig.frame.toolBarArea(bar), Qt::BottomToolBarArea);
    }

    void droppedFilesAreAddedOneByOne()
    {
        LaunchpadRig rig;
        rig.start();
        const QString first = rig.writeFile(QStringLiteral("games/duke/DUKE3D.EXE"), "MZ");
        const QString second = rig.writeFile(QStringLiteral("games/war 2/war2.exe"), "MZ");
        rig.fresh.env.setAnswers({"ok", "ok"});

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second), QUrl(QStringLiteral("http://x/y"))});
        tavern::CLaunchBar *bar = rig.launchpad->LaunchBar();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &drop);
        QTRY_COMPARE(rig.table().Titles(), (QStringList{first, second}));

        const tavern::CLaunchSlot &war = rig.table().Slots[1];
        QCOMPARE(war.FilePath, rig.path(QStringLiteral("games/war 2")));
        QCOMPARE(war.FileName, QStringLiteral("war2.exe"));
        QCOMPARE(war.FileIcon, second);
        QCOMPARE(war.FileParms, QString());
        // Each drop opened the dialog on its own game, and OK stored it.
        int dialogs = 0;
        for (const auto &p : rig.fresh.env.prompts())
            dialogs += p.caption == QLatin1String("Configure Launchpad");
        QCOMPARE(dialogs, 2);
        QCOMPARE(stored(slotKey(1), QStringLiteral("FileName")), QVariant(QStringLiteral("war2.exe")));
        QTRY_VERIFY(rig.launchpad->LaunchBar() != bar);
        QVERIFY(rig.launchpad->LaunchBar()->slotAction(1));

        // Dropping a program already there is refused.
        rig.launchpad->AddDroppedProgram(first);
        QCOMPARE(rig.fresh.env.prompts().last().text, CLaunchpadDlg::kDuplicateTitleText);
    }

    void pickedProgramGetsItsParameters_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("parameters");
        QTest::newRow("war2.exe") << "war2.exe" << "pkt:8";
        QTest::newRow("duke3d.exe") << "duke3d.exe" << "/f4";
        QTest::newRow("case counts") << "WAR2.EXE" << "";
        QTest::newRow("other") << "descent.exe" << "";
    }

    void pickedProgramGetsItsParameters()
    {
        QFETCH(QString, file);
        QFETCH(QString, parameters);
        LaunchpadRig rig;
        rig.start();
        const QString chosen = rig.writeFile(QStringLiteral("g/") + file, "MZ");
        rig.fresh.env.setAnswers({"text:Game", QStringLiteral("file:") + chosen});
        CLaunchpadDlg *dlg = rig.dialog();
        dlg->OnOpen();
        dlg->OnAdd();
        dlg->programParameters()->setText(QStringLiteral("-old"));
        dlg->PickProgramFile();
        QCOMPARE(dlg->fileName()->text(), file);
        QCOMPARE(dlg->programDirectory()->text(), rig.path(QStringLiteral("g")));
        QCOMPARE(dlg->programParameters()->text(), parameters);
        QCOMPARE(dlg->IconPath(), chosen);
        QCOMPARE(rig.fresh.env.prompts().last().kind, QStringLiteral("open"));
    }
};

QTEST_MAIN(TestLaunchpadDlg)
#include "test_launchpaddlg.moc"
