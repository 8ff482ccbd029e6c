// The chat settings in the registry: a first start writes every default, stored
// values win over defaults, the quit-message rule, the word highlighter order, the
// Font command and what the end of a run writes.

#include "chat/core/settingsstore.h"
#include "chat/core/tavernwapp.h"
#include "common/registry.h"
#include "tests/chat/fakefrontend.h"
#include "tests/chat/freshregistry.h"
#include "tests/support/testenv.h"

#include <QFont>
#include <QTest>
#include <QVariant>

namespace {

using namespace tavern::settingsstore;

QString key(const char *path)
{
    return QString::fromLatin1(path);
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void firstStartWritesEveryDefault()
    {
        FreshRegistry f;
        FakeFrontEnd fe;
        CTavernwApp app(&fe);
        app.LoadSettings();

        const QList<std::tuple<const char *, const char *, QVariant>> expected = {
            {kColorsKey, "Action", dw(0x000000FF)},
            {kColorsKey, "Normal", dw(0x00000000)},
            {kColorsKey, "Private", dw(0x00660000)},
            {kColorsKey, "Status", dw(0x000000FF)},
            {kColorsKey, "Background", dw(0x00FFFFFF)},
            {kColorsKey, "URL", dw(0x02FF0000)},
            {kFKeysKey, "F2", QStringLiteral("/help")},
            {kFKeysKey, "F3", QStringLiteral("/users")},
            {kFKeysKey, "F4", QStringLiteral("/who")},
            {kFKeysKey, "F5", QStringLiteral("/showoffers")},
            {kFKeysKey, "F7", QStringLiteral("/me slaps $USER with a SpamFish\u00A9 (Spamfish\u00A9 is a registered trademark of Muddlefin)")},
            {kFKeysKey, "F8", QStringLiteral("/me just hit F8, thinking I was playing a game or something....")},
            {kFKeysKey, "F9", QStringLiteral("/me loves this program! (REALLY!)")},
            {kFKeysKey, "F10", QStringLiteral("/me challenges $USER to a game of Descent 2.")},
            {kFKeysKey, "F12", QStringLiteral("This program rocks!!!!")},
            {kChatKey, "FontName", QStringLiteral("Courier New")},
            {kChatKey, "FontSize", dw(8)},
            {kChatKey, "Channel", QStringLiteral("#lanway")},
            {kChatKey, "QuitMsg", QStringLiteral("Leaving")},
            {kChatKey, "PrivateWindows", dw(1)},
            {kChatKey, "SpamFilter", dw(1)},
            {kChatKey, "ShowJoinPart", dw(0)},
            {kChatKey, "AutoLog", dw(0)},
            {kChatKey, "ShowChanList", dw(1)},
            {kChatKey, "ChatServer", QStringLiteral("127.0.0.1")},
            {kChatKey, "ChatServerPort", dw(6667)},
            {kChatKey, "BeepOnPrivate", dw(1)},
        };
        for (const auto &[path, name, value] : expected) {
            const QVariant actual = stored(key(path), QString::fromLatin1(name));
            QVERIFY2(actual == value, qPrintable(QStringLiteral("%1\\%2").arg(key(path), QLatin1String(name))));
        }
        // The away texts are ours to word; they must be there and be /away commands.
        for (const char *name : {"F6", "F11"})
            QVERIFY(stored(key(kFKeysKey), QString::fromLatin1(name)).toString().startsWith(QLatin1String("/away ")));
        QVERIFY(stored(key(kFKeysKey), QStringLiteral("F11")).toString().contains(QLatin1String("http://")));

        // The Filters key exists and is empty; the members hold the defaults.
        CRegistry filters;
        QVERIFY(filters.Open(key(kFiltersKey)));
        QCOMPARE(filters.GetNumberOfValues(), 0);
        QCOMPARE(app.m_Settings.FKeys, CChatSettings::DefaultFKeys());
        QCOMPARE(app.m_Settings.URL, ChatColour(0x02FF0000));
    }

    void storedValuesWinAndTakeEffectAtTheNextStart()
    {
        FreshRegistry f;
        store(key(kColorsKey), QStringLiteral("Private"), dw(0x02123456));
        store(key(kFKeysKey), QStringLiteral("F9"), QStringLiteral("/me waves"));
        store(key(kChatKey), QStringLiteral("chatserverport"), dw(7000)); // names match without regard to case
        store(key(kChatKey), QStringLiteral("ChatServer"), QStringLiteral("chat.lanway.test"));
        store(key(kChatKey), QStringLiteral("PrivateWindows"), dw(0));
        // A value of the wrong kind counts as missing: its default is used and written.
        store(key(kChatKey), QStringLiteral("FontSize"), QStringLiteral("twelve"));

        CTavernwApp app(nullptr);
        app.LoadSettings();
        QCOMPARE(app.m_Settings.Private, ChatColour(0x02123456));
        QCOMPARE(app.m_Settings.FKeys.at(7), QStringLiteral("/me waves"));
        QCOMPARE(app.m_Settings.ChatServerPort, 7000);
        QCOMPARE(app.m_Settings.ChatServer, QStringLiteral("chat.lanway.test"));
        QCOMPARE(app.m_Settings.PrivateWindows, false);
        QCOMPARE(app.m_Settings.FontSize, 8);
        QCOMPARE(stored(key(kChatKey), QStringLiteral("FontSize")), dw(8));
        QCOMPARE(stored(key(kColorsKey), QStringLiteral("Private")), dw(0x02123456));

        // The control center writing a new port changes nothing in a running client...
        store(key(kChatKey), QStringLiteral("ChatServerPort"), dw(7001));
        QCOMPARE(app.m_Settings.ChatServerPort, 7000);
        // ...the next start reads it.
        CTavernwApp next(nullptr);
        next.LoadSettings();
        QCOMPARE(next.m_Settings.ChatServerPort, 7001);
    }

    void quitMessageThatReadsLikeAKillIsReplaced_data()
    {
        QTest::addColumn<QString>("storedText");
        QTest::addColumn<QString>("sent");
        QTest::newRow("capitals and more text") << "KILLED by the operator" << "Leaving";
        QTest::newRow("exactly the word") << "killed" << "Leaving";
        QTest::newRow("word run on") << "Killedxyz" << "Leaving";
        QTest::newRow("shorter than the word") << "Kill" << "Kill";
        QTest::newRow("word not at the start") << "I was Killed" << "I was Killed";
        QTest::newRow("ordinary") << "Off to play" << "Off to play";
    }

    void quitMessageThatReadsLikeAKillIsReplaced()
    {
        QFETCH(QString, storedText);
        QFETCH(QString, sent);
        FreshRegistry f;
        store(key(kChatKey), QStringLiteral("QuitMsg"), storedText);
        CTavernwApp app(nullptr);
        app.LoadSettings();
        QCOMPARE(app.QuitMessage(), sent);
        QCOMPARE(stored(key(kChatKey), QStringLiteral("QuitMsg")).toString(), storedText);
    }

    void highlightWordsKeepTheRegistryOrder()
    {
        FreshRegistry f;
        // Written zeta first: enumeration gives zeta before alpha, whatever the alphabet says.
        store(key(kFiltersKey), QStringLiteral("zeta"), dw(0x000000AA));
        store(key(kFiltersKey), QStringLiteral("alpha"), dw(0x000000BB));
        CTavernwApp app(nullptr);
        app.LoadSettings();
        QCOMPARE(app.m_Settings.HighlightWords.size(), 2);
        QCOMPARE(app.m_Settings.HighlightWords.at(0).word, QStringLiteral("zeta"));
        QCOMPARE(app.HighlightColour(QStringLiteral("Alpha meets ZETA")), ChatColour(0xAA));
        QCOMPARE(app.HighlightColour(QStringLiteral("only alpha here")), ChatColour(0xBB));
        QCOMPARE(app.HighlightColour(QStringLiteral("neither")), app.m_Settings.Normal);

        // Reading again after the dialog replaced the list, not appended to it.
        {
            CRegistry reg;
            QVERIFY(reg.Open(key(kFiltersKey)));
            QVERIFY(reg.DeleteValue(QStringLiteral("zeta")));
        }
        app.LoadHighlightWords();
        QCOMPARE(app.m_Settings.HighlightWords.size(), 1);
        QCOMPARE(app.HighlightColour(QStringLiteral("Alpha meets ZETA")), ChatColour(0xBB));
    }

    void fontCommandStoresAndAppliesTheChoice()
    {
        FreshRegistry f;
        FakeFrontEnd fe;
        CTavernwApp app(&fe);
        app.LoadSettings();

        f.env.setAnswers({QStringLiteral("cancel")});
        QVERIFY(!app.OnFont());
        QCOMPARE(fe.fontApplies, 0);
        QCOMPARE(stored(key(kChatKey), QStringLiteral("FontName")).toString(), QStringLiteral("Courier New"));
        const auto asked = f.env.prompts();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.at(0).kind, QStringLiteral("font"));
        QVERIFY(asked.at(0).text.startsWith(QLatin1String("Courier New,8")));

        QFont chosen(QStringLiteral("DejaVu Sans"));
        chosen.setPointSizeF(11.5);
        f.env.setAnswers({QStringLiteral("text:") + chosen.toString()});
        QVERIFY(app.OnFont());
        QCOMPARE(fe.fontApplies, 1);
        QCOMPARE(app.m_Settings.FontName, QStringLiteral("DejaVu Sans"));
        QCOMPARE(app.m_Settings.FontSize, 11); // whole points, as stored
        QCOMPARE(stored(key(kChatKey), QStringLiteral("FontName")).toString(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(stored(key(kChatKey), QStringLiteral("FontSize")), dw(11));
    }

    void endOfRunWritesShowChanList()
    {
        FreshRegistry f;
        CTavernwApp app(nullptr);
        app.LoadSettings();
        QCOMPARE(stored(key(kChatKey), QStringLiteral("ShowChanList")), dw(1));
        app.m_Settings.ShowChanList = false;
        app.ExitInstance();
        QVERIFY(app.IsQuitting());
        QVERIFY(app.m_Settings.HighlightWords.isEmpty());
        QCOMPARE(stored(key(kChatKey), QStringLiteral("ShowChanList")), dw(0));
    }
};

QTEST_MAIN(TestSettingsStore)
#include "test_settingsstore.moc"
