#include "common/sessionpeers.h"

#include "platform/processes.h"
#include "platform/requests.h"

namespace ferry::sessionpeers {

qint64 runningChatClient(const SharedBlock &block)
{
    const qint64 pid = block.chatWindow();
    return processes::isRunningProgram(pid, QLatin1String(sharedblock::ChatProgramName)) ? pid : 0;
}

bool bringChatClientToFront(const SharedBlock &block)
{
    const qint64 pid = runningChatClient(block);
    return pid != 0 && requests::sendRequest(pid, requests::Request::BringToFront);
}

bool askChatClientToClose(const SharedBlock &block)
{
    const qint64 pid = runningChatClient(block);
    return pid != 0 && requests::postRequest(pid, requests::Request::Close);
}

bool destroyChatClient(const SharedBlock &block)
{
    return processes::terminateProgram(block.chatWindow(), QLatin1String(sharedblock::ChatProgramName));
}

QString creationFailureText(SharedMemory::Result result)
{
    switch (result) {
    case SharedMemory::Result::Ok:
        return QString();
    case SharedMemory::Result::CannotMap:
        return QStringLiteral("Unable to Map memory");
    case SharedMemory::Result::Absent:
    case SharedMemory::Result::InUse:
    case SharedMemory::Result::CannotCreate:
    case SharedMemory::Result::Foreign:
        break;
    }
    return QStringLiteral("Unable to initialize memory.");
}

} // namespace ferry::sessionpeers
