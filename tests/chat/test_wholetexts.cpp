// Every window and dialog of the chat client shows its whole text: each is shown
// on the offscreen screen, its picture kept for a person to look at, and the size
// each label, button and list row asks for is checked against the size it got.

#include "chat/dcc/dccfilewindow.h"
#include "chat/dcc/dcctransfer.h"
#include "chat/windows/channellistdlg.h"
#include "chat/windows/colorsdlg.h"
#include "chat/windows/fkeysdlg.h"
#include "chat/windows/highlightdlg.h"
#include "chat/windows/setupdlg.h"
#include "chat/windows/textfielddlg.h"
#include "tests/chat/chatwindowsclient.h"
#include "tests/support/wholetexts.h"

#include <QDir>
#include <QTest>

using namespace tavern;

namespace {

// Shows the window, keeps its picture and returns what it cuts off.
QStringList shownWhole(QWidget &window, const QString &name)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return {QStringLiteral("never shown")};
    window.grab().save(QDir::temp().filePath(QStringLiteral("tavern97_%1.png").arg(name)));
    return ferry::test::clippedTexts(window);
}

} // namespace

class TestWholeTexts : public QObject {
    Q_OBJECT
private slots:
    void everyWindowShowsItsWholeText()
    {
        WindowedClient c;
        c.feed(QStringLiteral(":me!u@h JOIN #lanway"));
        QCOMPARE(shownWhole(c.frame, QStringLiteral("main")), QStringList());

        CSetupDlg setup(c.app, &c.frame);
        QCOMPARE(shownWhole(setup, QStringLiteral("setup")), QStringList());
        CColorsDlg colours(c.app, &c.frame);
        QCOMPARE(shownWhole(colours, QStringLiteral("colours")), QStringList());
        CHighlightDlg highlight(c.app, &c.frame);
        QCOMPARE(shownWhole(highlight, QStringLiteral("highlight")), QStringList());
        CFKeysDlg keys(c.app, &c.frame);
        QCOMPARE(shownWhole(keys, QStringLiteral("fkeys")), QStringList());
        CTextFieldDlg away(QStringLiteral("Enter your away message"), 50, &c.frame);
        QCOMPARE(shownWhole(away, QStringLiteral("away")), QStringList());
        CChannelListDlg list(&c.frame);
        QCOMPARE(shownWhole(list, QStringLiteral("channellist")), QStringList());

        // The transfer window with its byte count, rate and time left.
        auto *transfer = new CDCCTransfer;
        CDCCFFrm *window = OpenDccFileWindow(transfer, c.frame);
        emit transfer->statusTextChanged(QStringLiteral("1048576 Bytes received..."));
        emit transfer->progressChanged(1048576, 4000000000u);
        QTest::qWait(20);
        QCOMPARE(ferry::test::clippedTexts(*window), QStringList());
        QVERIFY(window->view()->DetailsText().startsWith(QStringLiteral("1.0 MB of 3.7 GB")));
    }

    void transferDetails()
    {
        QCOMPARE(CDCCFView::TransferDetails(0, 2500, 0), QStringLiteral("0 bytes of 2.4 KB"));
        // 1 MB in 2 s of 3 MB: 512 KB/s, 4 s left.
        QCOMPARE(CDCCFView::TransferDetails(1048576, 3145728, 2000),
                 QStringLiteral("1.0 MB of 3.0 MB  512.0 KB/s  0:04 left"));
        QCOMPARE(CDCCFView::TransferDetails(3145728, 3145728, 2000), QStringLiteral("3.0 MB of 3.0 MB  1.5 MB/s"));
    }
};

QTEST_MAIN(TestWholeTexts)
#include "test_wholetexts.moc"
