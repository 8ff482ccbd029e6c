// Drives the chat core with server bytes, no screen and no socket, and prints how fast
// it dispatches. With a file argument (or "-" for standard input) the bytes come from
// there, which also makes this a driver for fuzzers; without, a synthetic channel
// conversation is generated.

#include "chat/core/chatfrontend.h"
#include "chat/core/tavernwapp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Accepts every window and shows nothing.
class NullFrontEnd : public IChatFrontEnd {
public:
    bool CreateWindowFor(CChatDocBase *) override { return true; }
    void CloseWindowFor(CChatDocBase *) override {}
    QString SelectedTabName() const override { return QStringLiteral("Server"); }
    void RepaintTabs() override {}
    void Beep() override {}
    void ShowChannelList(const QStringList &) override {}
    void ApplyFont() override {}
    void EndSplash() override {}
    // Every question is declined at once, as a user who closes every box would.
    void AskUser(const CChatPrompt &, std::function<void(const CPromptAnswer &)> answered) override { answered({}); }
    std::optional<std::pair<QString, int>> ChooseFont(const QString &, int) override { return std::nullopt; }
    bool OpenUrl(const QString &) override { return false; }
};

QByteArray syntheticTraffic(int lines)
{
    QByteArray out = ":me!m@h JOIN :#lanway\r\n:srv 353 me = #lanway :@me +bob carol\r\n";
    for (int i = 0; i < lines; ++i) {
        switch (i % 5) {
        case 0: out += ":bob!b@h PRIVMSG #lanway :anyone up for Descent " + QByteArray::number(i) + "?\r\n"; break;
        case 1: out += ":carol!c@h PRIVMSG #lanway :\x01" "ACTION waves " + QByteArray::number(i) + "\x01\r\n"; break;
        case 2: out += ":dave" + QByteArray::number(i) + "!d@h JOIN :#lanway\r\n"; break;
        case 3: out += ":dave" + QByteArray::number(i - 1) + "!d@h PART #lanway :bye\r\n"; break;
        default: out += "PING :irc.lanway.test\r\n"; break;
        }
    }
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Never wait for a person: prompts are answered with their defaults and logged here.
    QTemporaryDir scratch;
    qputenv("FERRY_PROMPTS", scratch.filePath(QStringLiteral("prompts")).toLocal8Bit());
    QByteArray input;
    if (argc > 1) {
        QFile f;
        const bool opened = QByteArray(argv[1]) == "-" ? f.open(stdin, QIODevice::ReadOnly) : (f.setFileName(QString::fromLocal8Bit(argv[1])), f.open(QIODevice::ReadOnly));
        if (!opened) {
            std::fprintf(stderr, "cannot read %s\n", argv[1]);
            return 1;
        }
        input = f.readAll();
    } else {
        input = syntheticTraffic(200000);
    }

    NullFrontEnd frontEnd;
    CTavernwApp core(&frontEnd);
    core.OpenServerWindow();
    core.SetOwnNick(QStringLiteral("me"));
    qint64 printed = 0;
    QObject::connect(core.ServerDoc(), &CChatDocBase::lineAdded, [&] { ++printed; });

    QElapsedTimer timer;
    timer.start();
    for (qsizetype at = 0; at < input.size(); at += 1999)
        core.FeedServerBytes(input.mid(at, 1999));
    const double seconds = qMax<qint64>(timer.nsecsElapsed(), 1) / 1e9;
    const qint64 lines = input.count('\n');
    std::printf("%lld bytes, %lld lines in %.3f s: %.0f lines/s, %.1f MB/s; %lld Server window lines\n",
                qlonglong(input.size()), qlonglong(lines), seconds, lines / seconds, input.size() / seconds / 1e6,
                qlonglong(printed));
    return 0;
}
