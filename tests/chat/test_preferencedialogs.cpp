// The preference dialogs on a running client with real windows: what each shows,
// how it checks, the exact registry values it writes and what changes at once in
// the running program. Dialogs are driven on their widgets or through scripted
// prompt answers, as the menu runs them.

#include "chat/core/colorref.h"
#include "chat/windows/colorsample.h"
#include "chat/windows/colorsdlg.h"
#include "chat/windows/fkeysdlg.h"
#include "chat/windows/highlightdlg.h"
#include "chat/windows/inputline.h"
#include "chat/windows/mainframe.h"
#include "chat/windows/setupdlg.h"
#include "chat/windows/chatframe.h"
#include "tests/chat/freshregistry.h"
#include "tests/support/dialogkeys.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>

using namespace tavern;
using namespace tavern::settingsstore;

namespace {

const QString kChat = QString::fromLatin1(kChatKey);
const QString kColors = QString::fromLatin1(kColorsKey);
const QString kFKeys = QString::fromLatin1(kFKeysKey);
const QString kFilters = QString::fromLatin1(kFiltersKey);

// A client with real windows over an empty registry, its settings read at start,
// joined to #lanway.
struct PrefsRig {
    FreshRegistry fresh;
    CMainFrame frame;
    CTavernwApp app{&frame};
    QStringList sent;

    PrefsRig()
    {
        app.LoadSettings();
        app.SetOwnNick(QStringLiteral("me"));
        frame.SetCommandRunner([this](const QString &text, const QString &target) { app.ProcessInput(text, target); });
        QObject::connect(&app, &CTavernwApp::lineSent, [this](const QByteArray &b) { sent << QString::fromUtf8(b); });
        frame.Attach(&app);
        app.OpenServerWindow();
        frame.show();
        feed(QStringLiteral(":me!u@h JOIN #lanway"));
    }
    const ferry::test::TestEnv &env() const { return fresh.env; }
    void feed(const QString &line) { app.FeedServerBytes(line.toUtf8() + "\r\n"); }
    CMessageView *view(const QString &window) const { return frame.frameFor(window)->view(); }
    void trigger(const QString &item) const
    {
        QAction *a = frame.action(item);
        QVERIFY2(a, qPrintable(item));
        a->trigger();
    }
};

// The colour in which a view shows the line with this text; invalid when not shown.
QColor shownColour(CMessageView *view, const QString &text)
{
    view->flush();
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next())
        if (b.text() == text)
            return b.begin().fragment().charFormat().foreground().color();
    return {};
}

QStringList valueNames(const QString &keyPath)
{
    CRegistry reg;
    QStringList names;
    if (!reg.Open(keyPath))
        return names;
    QString name;
    RegValueType type = REG_NONE;
    QByteArray data;
    for (int i = 0; reg.EnumerateValues(i, name, type, data); ++i)
        names << name;
    return names;
}

} // namespace

class TestPreferenceDialogs : public QObject {
    Q_OBJECT
private slots:
    void menusOfferThePreferenceItems()
    {
        PrefsRig r;
        QCOMPARE(r.frame.shownMenus(), (QStringList{QStringLiteral("&File"), QStringLiteral("&Commands"),
                                                    QStringLiteral("&Preferences"), QStringLiteral("&Window"),
                                                    QStringLiteral("&Help")}));
        QStringList prefs;
        for (QAction *menu : r.frame.menuBar()->actions())
            if (menu->text() == QLatin1String("&Preferences"))
                for (QAction *a : menu->menu()->actions())
                    prefs << a->text();
        QCOMPARE(prefs, (QStringList{QStringLiteral("&Config"), QStringLiteral("C&olors"), QStringLiteral("&Highlighting"),
                                     QStringLiteral("&Font"), QStringLiteral("F&unction Keys")}));
        // Each opens its dialog (here answered with Cancel).
        r.env().setAnswers({QStringLiteral("cancel"), QStringLiteral("cancel"), QStringLiteral("cancel"),
                            QStringLiteral("cancel"), QStringLiteral("cancel"), QStringLiteral("cancel")});
        for (const QString &item : prefs)
            r.trigger(item);
        // The menu bar shown without windows opens the same setup.
        for (QAction *menu : r.frame.menuBar()->actions())
            if (menu->text() == QLatin1String("&File") && !menu->isVisible())
                for (QAction *a : menu->menu()->actions())
                    if (a->text() == QLatin1String("&Preferences"))
                        a->trigger();
        QStringList asked;
        for (const auto &p : r.env().prompts())
            asked << p.text.section(u',', 0, 0);
        QCOMPARE(asked, (QStringList{QStringLiteral("Tavern97 Setup"), QStringLiteral("Setup Colors"),
                                     QStringLiteral("Word Highlighter"), QStringLiteral("Courier New"),
                                     QStringLiteral("Program Function Keys"), QStringLiteral("Tavern97 Setup")}));
    }

    void setupShowsTheSettingsAndWritesMissingDefaults()
    {
        PrefsRig r;
        r.app.m_Settings.SpamFilter = false;
        r.app.m_Settings.ChatServer = QStringLiteral("chat.lanway.test");
        r.app.m_Settings.ChatServerPort = 7000;
        {
            CRegistry reg;
            QVERIFY(reg.Open(kChat));
            QVERIFY(reg.DeleteValue(QStringLiteral("Channel")));
            QVERIFY(reg.DeleteValue(QStringLiteral("FontSize")));
        }
        store(kChat, QStringLiteral("FontName"), QStringLiteral("DejaVu Sans"));
        store(kChat, QStringLiteral("ProfanityFilter"), QStringLiteral("true"));

        CSetupDlg dlg(r.app, &r.frame);
        QVERIFY(!dlg.spamFilter()->isChecked());
        QVERIFY(dlg.privateWindows()->isChecked());
        QVERIFY(dlg.profanityFilter()->isChecked()); // the stored text, in any case
        QCOMPARE(dlg.fontLabel()->text(), QStringLiteral("DejaVu Sans (8)"));
        QCOMPARE(dlg.channel()->text(), QStringLiteral("#ferry"));
        QCOMPARE(dlg.chatServer()->text(), QStringLiteral("chat.lanway.test"));
        QCOMPARE(dlg.chatServerPort()->text(), QStringLiteral("7000"));
        QCOMPARE(stored(kChat, QStringLiteral("Channel")), QVariant(QStringLiteral("#ferry")));
        QCOMPARE(stored(kChat, QStringLiteral("FontSize")), dw(8));
        QCOMPARE(dlg.quitMsg()->maxLength(), 50);
        QCOMPARE(dlg.channel()->maxLength(), 30);
        QCOMPARE(dlg.chatServer()->maxLength(), 200);
    }

    void setupStoresAndAppliesItsFields()
    {
        PrefsRig r;
        CSetupDlg dlg(r.app, &r.frame);
        dlg.autoLog()->setChecked(true);
        dlg.spamFilter()->setChecked(false);
        dlg.showJoinPart()->setChecked(true);
        dlg.profanityFilter()->setChecked(true);
        dlg.beepOnPrivate()->setChecked(false);
        dlg.privateWindows()->setChecked(false);
        dlg.quitMsg()->setText(QStringLiteral("Off to\r\nplay"));
        dlg.channel()->setText(QStringLiteral("help"));
        dlg.chatServer()->setText(QStringLiteral("10.0.0.5"));
        dlg.chatServerPort()->setText(QStringLiteral("6668"));
        const QString channelBefore = r.app.m_Settings.Channel;
        dlg.accept();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));

        QCOMPARE(stored(kChat, QStringLiteral("AutoLog")), dw(1));
        QCOMPARE(stored(kChat, QStringLiteral("SpamFilter")), dw(0));
        QCOMPARE(stored(kChat, QStringLiteral("ShowJoinPart")), dw(1));
        QCOMPARE(stored(kChat, QStringLiteral("PrivateWindows")), dw(0));
        QCOMPARE(stored(kChat, QStringLiteral("BeepOnPrivate")), dw(0));
        QCOMPARE(stored(kChat, QStringLiteral("ProfanityFilter")), QVariant(QStringLiteral("TRUE")));
        QCOMPARE(stored(kChat, QStringLiteral("QuitMsg")), QVariant(QStringLiteral("Off to play")));
        QCOMPARE(stored(kChat, QStringLiteral("Channel")), QVariant(QStringLiteral("#help")));
        QCOMPARE(stored(kChat, QStringLiteral("ChatServer")), QVariant(QStringLiteral("10.0.0.5")));
        QCOMPARE(stored(kChat, QStringLiteral("ChatServerPort")), dw(6668));

        // The running program takes the flags, filter and quit message at once.
        const CChatSettings &s = r.app.m_Settings;
        QVERIFY(s.AutoLog && !s.SpamFilter && s.ShowJoinPart && !s.PrivateWindows && !s.BeepOnPrivate);
        QCOMPARE(s.ChatServer, QStringLiteral("10.0.0.5"));
        QCOMPARE(s.ChatServerPort, 6668);
        QVERIFY(r.frame.ViewSettings().profanityFilter);
        QCOMPARE(r.app.QuitMessage(), QStringLiteral("Off to play"));
        QCOMPARE(s.Channel, channelBefore); // the default channel counts from the next start
        r.sent.clear();
        r.app.ProcessInput(QStringLiteral("/quit "));
        QCOMPARE(r.sent, QStringList{QStringLiteral("QUIT :Off to play\n")});
        // Without private windows a private message lands in the Server window.
        r.feed(QStringLiteral(":bob!u@h PRIVMSG me :psst"));
        QVERIFY(!r.frame.frameFor(QStringLiteral("bob")));
    }

    void setupWritesNewValuesInItsOrder()
    {
        PrefsRig r;
        // Only the values the dialog reads on opening exist beforehand.
        QVERIFY(CRegistry().DeleteKey(kChat));
        for (const char *name : {"ProfanityFilter", "Channel", "QuitMsg", "FontName"})
            store(kChat, QString::fromLatin1(name), QStringLiteral("#x"));
        for (const char *name : {"PrivateWindows", "SpamFilter", "ShowJoinPart", "AutoLog", "FontSize"})
            store(kChat, QString::fromLatin1(name), dw(1));
        const QStringList before = valueNames(kChat);
        r.env().setAnswers({QStringLiteral("ok")});
        QVERIFY(CSetupDlg(r.app, &r.frame).run());
        const QStringList added{QStringLiteral("BeepOnPrivate"), QStringLiteral("ChatServer"), QStringLiteral("ChatServerPort"),
                                QStringLiteral("ChatServerTLS"), QStringLiteral("AutoReconnect")};
        QCOMPARE(valueNames(kChat), before + added);
    }

    void setupRefusesABadPortAndKeepsTheDialogOpen()
    {
        QCOMPARE(ParseSetupPort(QStringLiteral("0")), std::optional<int>(0));
        QCOMPARE(ParseSetupPort(QStringLiteral("9999")), std::optional<int>(9999));
        for (const char *bad : {"10000", "65535", "-1", "", "66x", "6 6"})
            QVERIFY2(!ParseSetupPort(QString::fromLatin1(bad)), bad);

        PrefsRig r;
        // A scripted OK with a bad port is refused with the validation message, then
        // the next answer tries again as a user would.
        r.env().setAnswers({QStringLiteral("text:ChatServerPort=65535;Channel=help;SpamFilter=0"), QStringLiteral("ok"),
                            QStringLiteral("text:ChatServerPort=6669")});
        r.trigger(QStringLiteral("&Config"));
        const auto asked = r.env().prompts();
        QCOMPARE(asked.size(), 3);
        QCOMPARE(asked.at(1).kind, QStringLiteral("warning"));
        QCOMPARE(asked.at(1).text, QStringLiteral("Please enter an integer between 0 and 9999."));
        QCOMPARE(r.app.m_Settings.ChatServerPort, 6669);
        QCOMPARE(stored(kChat, QStringLiteral("ChatServerPort")), dw(6669));
        QCOMPARE(stored(kChat, QStringLiteral("Channel")), QVariant(QStringLiteral("#help")));
        QVERIFY(!r.app.m_Settings.SpamFilter);

        // Cancel stores nothing.
        r.env().setAnswers({QStringLiteral("text:ChatServerPort=abc"), QStringLiteral("ok"), QStringLiteral("cancel")});
        r.trigger(QStringLiteral("&Config"));
        QCOMPARE(stored(kChat, QStringLiteral("ChatServerPort")), dw(6669));
        QCOMPARE(r.app.m_Settings.ChatServerPort, 6669);
    }

    void colorsDialogStoresAndRecoloursTheNextLines()
    {
        PrefsRig r;
        {
            CRegistry reg;
            QVERIFY(reg.Open(kColors));
            QVERIFY(reg.DeleteValue(QStringLiteral("Action")));
        }
        CColorsDlg dlg(r.app, &r.frame);
        QCOMPARE(dlg.color(CColorsDlg::Action), 0x020000FFu); // the dialog's default, written back
        QCOMPARE(stored(kColors, QStringLiteral("Action")), dw(0x020000FF));
        QCOMPARE(dlg.sample(CColorsDlg::Action)->text(), QStringLiteral("Sample Text"));
        QCOMPARE(dlg.sample(CColorsDlg::Action)->textColor(), QColor(255, 0, 0));

        r.feed(QStringLiteral(":bob!u@h PRIVMSG #lanway :before"));
        // Normal becomes green, the chooser is cancelled for Action, the background turns black.
        r.env().setAnswers({QStringLiteral("text:#00ff00"), QStringLiteral("cancel"), QStringLiteral("text:#000000")});
        dlg.button(CColorsDlg::Normal)->click();
        dlg.button(CColorsDlg::Action)->click();
        dlg.button(CColorsDlg::Background)->click();
        QCOMPARE(dlg.color(CColorsDlg::Normal), 0x0000FF00u);
        QCOMPARE(dlg.color(CColorsDlg::Action), 0x020000FFu); // unchanged, top byte and all
        QCOMPARE(dlg.sample(CColorsDlg::Normal)->textColor(), QColor(0, 255, 0));
        for (int i = 0; i < CColorsDlg::SlotCount; ++i)
            QCOMPARE(dlg.sample(CColorsDlg::Slot(i))->backgroundColor(), QColor(0, 0, 0));
        QCOMPARE(r.env().prompts().value(0).kind, QStringLiteral("color"));
        QCOMPARE(r.env().prompts().value(0).text, QStringLiteral("#000000")); // preset to the colour

        dlg.accept();
        QCOMPARE(stored(kColors, QStringLiteral("Normal")), dw(0x0000FF00));
        QCOMPARE(stored(kColors, QStringLiteral("Background")), dw(0x00000000));
        QCOMPARE(stored(kColors, QStringLiteral("Action")), dw(0x020000FF));
        QCOMPARE(r.app.m_Settings.Normal, 0x0000FF00u);

        // Text already shown keeps its colour; the next line takes the new one, and the
        // view its new background.
        r.feed(QStringLiteral(":bob!u@h PRIVMSG #lanway :after"));
        CMessageView *v = r.view(QStringLiteral("#lanway"));
        QCOMPARE(shownColour(v, QStringLiteral("<bob> before")), QColor(0, 0, 0));
        QCOMPARE(shownColour(v, QStringLiteral("<bob> after")), QColor(0, 255, 0));
        QCOMPARE(v->palette().color(QPalette::Base), QColor(0, 0, 0));
    }

    void colorsDialogCancelChangesNothing()
    {
        PrefsRig r;
        const ChatColour normal = r.app.m_Settings.Normal;
        r.env().setAnswers({QStringLiteral("cancel")});
        QVERIFY(!CColorsDlg(r.app, &r.frame).run());
        QCOMPARE(r.app.m_Settings.Normal, normal);

        r.env().setAnswers({QStringLiteral("text:Status=#102030;URL=#abcdef")});
        QVERIFY(CColorsDlg(r.app, &r.frame).run());
        QCOMPARE(r.app.m_Settings.Status, 0x00302010u);
        QCOMPARE(stored(kColors, QStringLiteral("URL")), dw(0x00EFCDAB));
        QCOMPARE(r.app.m_Settings.Normal, normal);
    }

    void highlighterStoresWordsAtOnce()
    {
        PrefsRig r;
        r.app.m_Settings.Normal = 0x00112233;
        CHighlightDlg dlg(r.app, &r.frame);
        QCOMPARE(dlg.words()->count(), 0);

        dlg.wordField()->setText(QStringLiteral("Lag"));
        QVERIFY(dlg.AddWord());
        QCOMPARE(dlg.words()->item(0)->text(), QStringLiteral("lag"));
        QCOMPARE(dlg.currentWord(), QStringLiteral("lag"));
        QCOMPARE(valueNames(kFilters), QStringList{QStringLiteral("lag")});
        QCOMPARE(stored(kFilters, QStringLiteral("lag")), dw(0x00112233));

        // The same word in other letters is refused with the message box.
        dlg.wordField()->setText(QStringLiteral("LAG"));
        QVERIFY(!dlg.AddWord());
        const auto asked = r.env().prompts();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.at(0).caption, QStringLiteral("Word not added"));
        QCOMPARE(asked.at(0).text, QStringLiteral("That word is already in the list\n(Note: Words are NOT case sensitive!)"));
        QCOMPARE(dlg.words()->count(), 1);

        // An empty word would match every line; it is not added.
        dlg.wordField()->setText(QStringLiteral("  "));
        QVERIFY(!dlg.AddWord());
        QCOMPARE(valueNames(kFilters).size(), 1);

        // The colour chooser restores the current word; cancelling it keeps the colour.
        r.env().setAnswers({QStringLiteral("text:#ff8000"), QStringLiteral("cancel")});
        dlg.ChooseColor();
        QCOMPARE(stored(kFilters, QStringLiteral("lag")), dw(0x000080FF));
        dlg.ChooseColor();
        QCOMPARE(dlg.currentColor(), 0x000080FFu);
        QCOMPARE(dlg.sample()->textColor(), QColor(255, 128, 0));

        dlg.wordField()->setText(QStringLiteral("frag"));
        QVERIFY(dlg.AddWord());
        QCOMPARE(stored(kFilters, QStringLiteral("frag")), dw(0x000080FF));

        // Selecting a word makes its stored colour the current one.
        store(kFilters, QStringLiteral("lag"), dw(0x00000011));
        dlg.words()->setCurrentRow(0);
        QCOMPARE(dlg.currentWord(), QStringLiteral("lag"));
        QCOMPARE(dlg.currentColor(), 0x00000011u);

        dlg.DeleteWord();
        QCOMPARE(valueNames(kFilters), QStringList{QStringLiteral("frag")});
        QCOMPARE(dlg.words()->count(), 1);
        QVERIFY(dlg.currentWord().isEmpty());

        // Closing makes the running program use the stored list.
        QVERIFY(r.app.m_Settings.HighlightWords.isEmpty());
        dlg.accept();
        QCOMPARE(r.app.m_Settings.HighlightWords.size(), 1);
        r.feed(QStringLiteral(":bob!u@h PRIVMSG #lanway :nice FRAG"));
        QCOMPARE(shownColour(r.view(QStringLiteral("#lanway")), QStringLiteral("<bob> nice FRAG")), QColor(255, 128, 0));
    }

    void dialogsWorkFromTheKeyboard()
    {
        PrefsRig r;
        const auto keyboardFaults = [](QDialog &dlg) {
            const QString faults = ferry::test::tabOrderFault(&dlg) + ferry::test::accessKeyClash(&dlg);
            dlg.hide();
            return faults;
        };
        CSetupDlg setup(r.app, &r.frame);
        QCOMPARE(keyboardFaults(setup), QString());
        CColorsDlg colours(r.app, &r.frame);
        QCOMPARE(keyboardFaults(colours), QString());
        CFKeysDlg keys(r.app, &r.frame);
        QCOMPARE(keyboardFaults(keys), QString());

        // Enter in the highlighter's field adds the word typed there and the dialog
        // stays; with the field empty, Enter is OK.
        CHighlightDlg words(r.app, &r.frame);
        QCOMPARE(keyboardFaults(words), QString());
        words.show();
        QVERIFY(QTest::qWaitForWindowActive(&words));
        words.wordField()->setFocus();
        QTest::keyClicks(words.wordField(), QStringLiteral("Lag"));
        QTest::keyClick(words.wordField(), Qt::Key_Return);
        QVERIFY(words.isVisible());
        QCOMPARE(valueNames(kFilters), QStringList{QStringLiteral("lag")});
        QCOMPARE(words.currentWord(), QStringLiteral("lag"));
        words.wordField()->clear();
        QTest::keyClick(words.wordField(), Qt::Key_Return);
        QVERIFY(!words.isVisible());
        QCOMPARE(words.result(), int(QDialog::Accepted));
    }

    void highlighterByScriptFromTheMenu()
    {
        PrefsRig r;
        store(kFilters, QStringLiteral("lag"), dw(0x000000FF));
        r.env().setAnswers({QStringLiteral("text:Delete=LAG;Color=#0000ff;Add=Descent")});
        r.trigger(QStringLiteral("&Highlighting"));
        QCOMPARE(valueNames(kFilters), QStringList{QStringLiteral("descent")});
        QCOMPARE(stored(kFilters, QStringLiteral("descent")), dw(0x00FF0000));
        QCOMPARE(r.app.HighlightColour(QStringLiteral("<bob> descent tonight?")), ChatColour(0x00FF0000));
    }

    void functionKeysAreStoredAndUsedAtOnce()
    {
        PrefsRig r;
        {
            CRegistry reg;
            QVERIFY(reg.Open(kFKeys));
            QVERIFY(reg.DeleteValue(QStringLiteral("F9")));
        }
        r.app.m_Settings.FKeys[7] = QStringLiteral("changed in memory");
        CFKeysDlg dlg(r.app, &r.frame);
        QCOMPARE(dlg.field(2)->text(), QStringLiteral("/help"));
        QCOMPARE(dlg.field(9)->text(), CChatSettings::DefaultFKeys().at(7)); // missing: the default, written
        QCOMPARE(stored(kFKeys, QStringLiteral("F9")), QVariant(CChatSettings::DefaultFKeys().at(7)));
        QCOMPARE(dlg.field(12)->maxLength(), 200);

        dlg.field(5)->setText(QStringLiteral("/me waves\nQUIT :gone\r\nagain\0x"));
        dlg.field(6)->setText(QString::fromUtf8("hello $USER"));
        dlg.accept();
        const QString flat = QStringLiteral("/me waves QUIT :gone again x");
        QCOMPARE(stored(kFKeys, QStringLiteral("F5")), QVariant(flat));
        QCOMPARE(r.app.m_Settings.FKeys.at(3), flat);

        // An input line on the application's keys sends the new texts at once.
        QStringList typed;
        InputLineHost host = AppInputLineHost(r.app, nullptr);
        host.sendText = [&typed](const QString &t) { typed << t; };
        CInputLine line(host);
        line.PressFunctionKey(6);
        line.PressFunctionKey(5);
        QCOMPARE(typed, (QStringList{QStringLiteral("hello me"), flat}));
    }

    void fontIsAppliedToEveryOpenWindow()
    {
        PrefsRig r;
        r.app.OpenPrivateWindow(QStringLiteral("bob"));
        QFont chosen(QStringLiteral("DejaVu Sans"));
        chosen.setPointSizeF(9.5);
        r.env().setAnswers({QStringLiteral("cancel"), QStringLiteral("text:") + chosen.toString()});
        r.trigger(QStringLiteral("&Font"));
        QCOMPARE(stored(kChat, QStringLiteral("FontName")), QVariant(QStringLiteral("Courier New")));

        r.trigger(QStringLiteral("&Font"));
        QCOMPARE(stored(kChat, QStringLiteral("FontName")), QVariant(QStringLiteral("DejaVu Sans")));
        QCOMPARE(stored(kChat, QStringLiteral("FontSize")), dw(9));
        for (const char *window : {"Server", "#lanway", "bob"}) {
            const QFont shown = r.view(QString::fromLatin1(window))->document()->defaultFont();
            QCOMPARE(shown.family(), QStringLiteral("DejaVu Sans"));
            QCOMPARE(shown.pointSize(), 9);
        }
    }

    void awayAsksThroughItsDialog()
    {
        PrefsRig r;
        QAction *away = r.frame.action(QStringLiteral("Away..."));
        r.env().setAnswers({QStringLiteral("cancel"), QStringLiteral("text:") + QString(60, u'z')});
        r.sent.clear();
        away->trigger();
        QVERIFY(!r.app.IsAway());
        QVERIFY(r.sent.isEmpty());

        away->trigger();
        QVERIFY(r.app.IsAway());
        QVERIFY(away->isChecked());
        const QString message(50, u'z'); // the field holds at most 50 characters
        QCOMPARE(r.sent, (QStringList{QStringLiteral("PRIVMSG #lanway :\x01" "ACTION is away (%1)\x01\n").arg(message),
                                      QStringLiteral("away :%1\n").arg(message)}));
        const auto asked = r.env().prompts();
        QCOMPARE(asked.at(0).kind, QStringLiteral("dialog"));
        QCOMPARE(asked.at(0).text, QStringLiteral("Enter your away message"));

        r.sent.clear();
        away->trigger();
        QVERIFY(!r.app.IsAway());
        QVERIFY(!away->isChecked());
        QCOMPARE(r.sent.last(), QStringLiteral("away\n"));
        QCOMPARE(r.env().prompts().size(), asked.size());
    }
};

QTEST_MAIN(TestPreferenceDialogs)
#include "test_preferencedialogs.moc"
