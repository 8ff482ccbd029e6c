#include "tests/chat/offerrig.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const QString kMark = QString(QChar(0x01));

// Two channels open by default.
struct Rig : OfferRig {
    explicit Rig(const QStringList &channels = {QStringLiteral("#Lanway"), QStringLiteral("#games")})
        : OfferRig(channels)
    {
    }
    QString file(const QString &name) { return writeFile(name); }
    static QString announceLine(const QString &channel, const QString &name)
    {
        return QStringLiteral("PRIVMSG %1 :").arg(channel) + kMark + QStringLiteral("ACTION is offering file: GetFile:")
               + name + QStringLiteral("@me") + kMark + QStringLiteral("\n");
    }
    static QString echo(const QString &name) { return QStringLiteral("* me is offering file: GetFile:%1@me").arg(name); }
};

} // namespace

class TestFileOffers : public QObject {
    Q_OBJECT
private slots:
    void offerAnnouncesInEveryChannelAndTwiceForTheSamePath()
    {
        Rig r;
        const QString path = r.file(QStringLiteral("Descent Maps.zip"));
        r.offers.Offer(path);
        r.offers.Offer(path);
        const QString name = QStringLiteral("Descent Maps.zip");
        const QString one = Rig::announceLine(QStringLiteral("#games"), name);
        const QString two = Rig::announceLine(QStringLiteral("#lanway"), name);
        QCOMPARE(r.sent, (QStringList{one, two, one, two}));
        QCOMPARE(r.fe.textsIn(QStringLiteral("#Lanway")), (QStringList{Rig::echo(name), Rig::echo(name)}));
        QCOMPARE(r.fe.lines.last().colour, r.app.m_Settings.Action);
        QCOMPARE(r.offers.OfferSlots()[0], path);
        QCOMPARE(r.offers.OfferSlots()[1], path);
        QVERIFY(r.offers.OfferSlots()[2].isEmpty());
    }

    void fileNameIsTheTextAfterTheLastSeparator()
    {
        QCOMPARE(CFileOffers::OfferedFileName(QStringLiteral("C:\\games\\d2.hog")), QStringLiteral("d2.hog"));
        QCOMPARE(CFileOffers::OfferedFileName(QStringLiteral("/home/p/x.txt")), QStringLiteral("x.txt"));
        QCOMPARE(CFileOffers::OfferedFileName(QStringLiteral("plain")), QStringLiteral("plain"));
    }

    void unreadableAndEleventhOffersAreRefusedWithALine()
    {
        Rig r;
        const QString missing = r.dir.filePath(QStringLiteral("missing.bin"));
        r.offers.Offer(missing);
        QCOMPARE(r.server().last(), QStringLiteral("** Unable to open file!: ") + missing);
        QCOMPARE(r.fe.lines.last().colour, r.app.m_Settings.Status);
        r.offers.Offer(r.dir.path()); // a folder is not a file to offer
        QCOMPARE(r.server().last(), QStringLiteral("** Unable to open file!: ") + r.dir.path());
        QVERIFY(r.sent.isEmpty());

        const QString path = r.file(QStringLiteral("a.txt"));
        for (int i = 0; i < CFileOffers::kSlotCount; ++i)
            r.offers.Offer(path);
        r.sent.clear();
        r.offers.Offer(path);
        QCOMPARE(r.server().last(), QStringLiteral("** No more files can be offered! (Max. of  10)"));
        QVERIFY(r.sent.isEmpty());
    }

    void withoutChannelsOffersAreStoredButNotAnnounced()
    {
        Rig r{QStringList()};
        r.offers.Offer(r.file(QStringLiteral("a.txt")));
        r.offers.ShowOffers();
        QVERIFY(r.sent.isEmpty());
        QVERIFY(!r.offers.OfferSlots()[0].isEmpty());
    }

    void showOffersRepeatsEveryOfferInSlotOrder()
    {
        Rig r({QStringLiteral("#lanway")});
        const QString a = r.file(QStringLiteral("a.txt"));
        const QString b = r.file(QStringLiteral("b.txt"));
        r.offers.Offer(a);
        r.offers.Offer(b);
        r.offers.Deoffer(a);
        r.offers.Offer(a); // refills slot 0, ahead of b
        r.sent.clear();
        r.offers.ShowOffers();
        QCOMPARE(r.sent, (QStringList{Rig::announceLine(QStringLiteral("#lanway"), QStringLiteral("a.txt")),
                                      Rig::announceLine(QStringLiteral("#lanway"), QStringLiteral("b.txt"))}));
        QCOMPARE(r.fe.textsIn(QStringLiteral("#lanway")).last(), Rig::echo(QStringLiteral("b.txt")));
    }

    void deofferNeedsTheFullPathInAnyCase()
    {
        Rig r;
        const QString path = r.file(QStringLiteral("Maps.zip"));
        r.offers.Offer(path);
        r.offers.Deoffer(QStringLiteral("Maps.zip"));
        QCOMPARE(r.server().last(), QStringLiteral("** That file is not being offered!"));
        r.offers.Deoffer(path.toUpper() + QStringLiteral(" trailing words"));
        QCOMPARE(r.server().last(), QStringLiteral("** File no longer being offered"));
        QVERIFY(r.offers.OfferSlots()[0].isEmpty());
        r.offers.Deoffer(path);
        QCOMPARE(r.server().last(), QStringLiteral("** That file is not being offered!"));

        // A path with blanks cannot be named by its first word; the whole argument does.
        const QString spaced = r.file(QStringLiteral("my maps.zip"));
        r.offers.Offer(spaced);
        r.offers.Deoffer(spaced);
        QCOMPARE(r.server().last(), QStringLiteral("** File no longer being offered"));
    }

    void fileRequestMatchesTheFileNameInAnyCase()
    {
        Rig r;
        const QString a = r.file(QStringLiteral("Maps.zip"));
        r.offers.Offer(a);
        r.offers.Offer(a);
        QSignalSpy spy(&r.offers, &CFileOffers::sendRequested);
        r.sent.clear();
        const int printed = r.fe.lines.size();
        r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("FILEREQ MAPS.ZIP"));
        QCOMPARE(spy.size(), 1); // the first matching slot only
        QCOMPARE(spy[0][0].toString(), QStringLiteral("bob"));
        QCOMPARE(spy[0][1].toString(), a);

        // Unknown names and full paths are ignored without a word.
        r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("FILEREQ other.zip"));
        r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("FILEREQ ") + a);
        QCOMPARE(spy.size(), 1);
        QVERIFY(r.sent.isEmpty());
        QCOMPARE(r.fe.lines.size(), printed);
    }
};

QTEST_GUILESS_MAIN(TestFileOffers)
#include "test_fileoffers.moc"
