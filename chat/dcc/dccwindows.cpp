#include "chat/dcc/dccwindows.h"

#include "chat/dcc/dccchatsession.h"
#include "chat/dcc/dccchatwindow.h"
#include "chat/dcc/dcchandover.h"
#include "chat/dcc/dccfilewindow.h"
#include "chat/dcc/dcctransfer.h"
#include "chat/windows/mainframe.h"

#include <QPointer>

void AttachDccWindows(CDCCHandOver &handOver, tavern::CMainFrame &mainFrame)
{
    QPointer<tavern::CMainFrame> frame(&mainFrame);
    QObject::connect(&handOver, &CDCCHandOver::chatSessionOpened, &mainFrame,
                     [frame](CDCCChatSession *session) { OpenDccChatWindow(session, *frame); });
    QObject::connect(&handOver, &CDCCHandOver::transferOpened, &mainFrame,
                     [frame](CDCCTransfer *transfer) { OpenDccFileWindow(transfer, *frame); });
    QObject::connect(&handOver, &CDCCHandOver::commandTyped, &mainFrame,
                     [frame](const QString &text) { frame->RunCommand(text); });
}
