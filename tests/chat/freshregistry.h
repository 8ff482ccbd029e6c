#pragma once

// A private test environment whose registry file is opened anew: the process-wide
// store follows the new FERRY_HOME, and the next test starts from an empty registry.

#include "chat/core/settingsstore.h"
#include "common/registry.h"
#include "platform/registrystore.h"
#include "tests/support/testenv.h"

struct FreshRegistry {
    ferry::test::TestEnv env;
    FreshRegistry() { ferry::reg::resetDefaultStore(); }
    ~FreshRegistry() { ferry::reg::resetDefaultStore(); }
};

// Points the chat client's settings at a chat server (as the control center does
// after sign-on); true when both values were written.
inline bool pointChatServerAt(const QString &host, quint16 port)
{
    CRegistry reg;
    return reg.Create(QString::fromLatin1(tavern::settingsstore::kChatKey))
        && reg.SetStringValue(QStringLiteral("ChatServer"), host)
        && reg.SetDoubleWordValue(QStringLiteral("ChatServerPort"), port);
}
