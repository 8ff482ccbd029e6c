#include "platform/prompts.h"
#include "tests/support/testenv.h"

#include <QDialog>
#include <QLineEdit>
#include <QTest>

using namespace ferry;
using prompts::Answer;
using prompts::Buttons;
using prompts::Icon;

class TestPrompts : public QObject {
    Q_OBJECT
private slots:
    void answersAreTakenInOrderAndLogged()
    {
        test::TestEnv env;
        env.setAnswers({"yes", "no", "text:alice", "file:/tmp/x.pal"});
        QCOMPARE(prompts::message(nullptr, "Error", "First?", Buttons::YesNo, Icon::Question), Answer::Yes);
        QCOMPARE(prompts::message(nullptr, "Error", "Second?", Buttons::YesNoCancel, Icon::Warning), Answer::No);
        QCOMPARE(prompts::askText(nullptr, "Nick", "Enter a nickname", "bob"), std::optional<QString>("alice"));
        QCOMPARE(prompts::openFile(nullptr, "Open", "/tmp", "*.pal"), std::optional<QString>("/tmp/x.pal"));

        const auto log = env.prompts();
        QCOMPARE(log.size(), 4);
        QCOMPARE(log[0].kind, QString("question"));
        QCOMPARE(log[0].caption, QString("Error"));
        QCOMPARE(log[0].text, QString("First?"));
        QCOMPARE(log[1].kind, QString("warning"));
        QCOMPARE(log[2].kind, QString("text"));
        QCOMPARE(log[3].kind, QString("open"));
    }

    void safeDefaultsWhenAnswersRunOut()
    {
        test::TestEnv env;
        QCOMPARE(prompts::message(nullptr, "c", "t", Buttons::Ok), Answer::Ok);
        QCOMPARE(prompts::message(nullptr, "c", "t", Buttons::YesNo), Answer::No);
        QCOMPARE(prompts::message(nullptr, "c", "t", Buttons::YesNoCancel), Answer::Cancel);
        QCOMPARE(prompts::message(nullptr, "c", "t", Buttons::OkCancel), Answer::Cancel);
        QVERIFY(!prompts::askText(nullptr, "c", "t", "x"));
        QVERIFY(!prompts::saveFile(nullptr, "c", "x.txt", ""));
        QCOMPARE(env.prompts().size(), 6);
    }

    void wordsMapOntoTheButtonsOffered()
    {
        test::TestEnv env;
        env.setAnswers({"ok", "cancel", "yes", "bogus"});
        QCOMPARE(prompts::message(nullptr, "c", "t", Buttons::YesNo), Answer::Yes);     // ok -> yes
        QCOMPARE(prompts::message(nullptr, "c", "t", Buttons::YesNo), Answer::No);      // cancel -> no
        QCOMPARE(prompts::message(nullptr, "c", "t", Buttons::OkCancel), Answer::Ok);   // yes -> ok
        QCOMPARE(prompts::message(nullptr, "c", "t", Buttons::OkCancel), Answer::Cancel); // unknown -> default
    }

    void multiLineTextStaysOneLogLine()
    {
        test::TestEnv env;
        prompts::warning(nullptr, "Error", "line one\nline two\tend");
        const auto log = env.prompts();
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].text, QString("line one\nline two\\tend"));
    }

    void dialogsAcceptRejectOrTakeText()
    {
        test::TestEnv env;
        env.setAnswers({"ok", "text:newnick", "cancel"});
        QDialog d;
        d.setWindowTitle("Nickname");
        QVERIFY(prompts::execDialog(&d, "Nickname"));
        QString applied;
        QVERIFY(prompts::execDialog(&d, "Nickname", [&](const QString &t) { applied = t; }));
        QCOMPARE(applied, QString("newnick"));
        QVERIFY(!prompts::execDialog(&d, "Nickname"));
        QCOMPARE(env.prompts().value(0).kind, QString("dialog"));
    }

    void dialogWhoseValidationRefusesStaysRejected()
    {
        // A dialog that checks its fields in accept() and refuses is not reported as accepted.
        struct Refusing : QDialog {
            void accept() override {}
        };
        test::TestEnv env;
        env.setAnswers({"ok"});
        Refusing d;
        QVERIFY(!prompts::execDialog(&d, "Settings"));
    }

    void windowsFiltersBecomeQtFilters()
    {
        QCOMPARE(prompts::windowsFilter("Palette files (*.PAL)|*.PAL|All files (*.*)|*.*||"),
                 QString("Palette files (*.PAL);;All files (*.*)"));
        QCOMPARE(prompts::windowsFilter("Programs|*.exe;*.com||"), QString("Programs (*.exe *.com)"));
    }
};

QTEST_MAIN(TestPrompts)
#include "test_prompts.moc"
