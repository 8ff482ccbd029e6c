#pragma once

// A private test environment whose registry file is opened anew: the process-wide
// store follows the new FERRY_HOME, and the next test starts from an empty registry.

#include "chat/core/settingsstore.h"
#include "common/registry.h"
#include "platform/registrystore.h"
#include "tests/support/testenv.h"

#include <QTest>
#include <QVariant>

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

// Marks the launchpad as set up before (an empty first title), so that the chat
// client does not ask whether to configure it and scripted answers reach what a test is about.
inline bool markLaunchpadConfigured()
{
    CRegistry reg;
    return reg.Create(QStringLiteral("SOFTWARE\\Hollowell\\Ferry97\\Chat\\LaunchPad\\Game01"))
        && reg.SetStringValue(QStringLiteral("ProgramName"), QString());
}

// The stored value as a number (REG_DWORD) or a string (REG_SZ); invalid when it is
// missing or of another kind.
inline QVariant stored(const QString &keyPath, const QString &name)
{
    CRegistry reg;
    if (!reg.Open(keyPath))
        return {};
    RegValueType type = REG_NONE;
    QByteArray data;
    if (!reg.QueryValue(name, type, data))
        return {};
    if (type == REG_DWORD && data.size() == 4) {
        quint32 v = 0;
        reg.GetDoubleWordValue(name, v);
        return QVariant::fromValue(v);
    }
    if (type == REG_SZ)
        return ferry::reg::decodeString(data);
    return {};
}

inline void store(const QString &keyPath, const QString &name, const QVariant &value)
{
    CRegistry reg;
    QVERIFY(reg.Create(keyPath));
    if (value.typeId() == QMetaType::QString)
        QVERIFY(reg.SetStringValue(name, value.toString()));
    else
        QVERIFY(reg.SetDoubleWordValue(name, value.toUInt()));
}

inline QVariant dw(quint32 v)
{
    return QVariant::fromValue(v);
}
