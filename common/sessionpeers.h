#pragma once

// How the two programs meet through the shared session block: the chat client it
// names, the requests the control center and a second chat client send it, and the
// texts shown when the block cannot be had.

#include "common/sharedblock.h"
#include "platform/sharedmemory.h"

#include <QString>

namespace ferry::sessionpeers {

// Process id of the chat client the block names, when that process still runs the
// chat client; 0 otherwise (none registered, it ended, or its id now belongs to
// another program).
qint64 runningChatClient(const SharedBlock &block);

// Asks the chat client the block names to come to the front. False when none runs
// or it did not confirm.
bool bringChatClientToFront(const SharedBlock &block);

// Asks the chat client the block names to close through its normal shutdown. The
// request is posted, not waited on: a chat client that hangs cannot hold the caller.
bool askChatClientToClose(const SharedBlock &block);

// Last resort at control center exit, for a chat client still running after it was
// asked to close: SIGTERM to its verified process id (it still leaves through its
// normal exit path). False when none runs.
bool destroyChatClient(const SharedBlock &block);

// The control center's message when creating the block failed (59153 "Unable to
// initialize memory." for a block it could not create, that another running
// control center holds, or that is not the user's own, 59154 "Unable to Map memory" for one it could not map);
// empty for SharedMemory::Result::Ok.
QString creationFailureText(SharedMemory::Result result);

} // namespace ferry::sessionpeers
