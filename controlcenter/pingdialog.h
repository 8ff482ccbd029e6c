#pragma once

// The ping dialog: four ICMP echoes to a server's or a player's address, one
// line each. The first echo goes out 100 ms after the dialog is built, each
// further one 1 ms after the previous line.

#include "platform/icmpecho.h"

#include <QDialog>
#include <QStringList>
#include <QTimer>

class QListWidget;

namespace ferry {

class PingDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kLineCount = 4;
    static constexpr int kFirstEchoDelayMs = 100;
    static constexpr int kNextEchoDelayMs = 1;

    // allowedSockets limits the ICMP socket kinds (see IcmpEcho).
    explicit PingDialog(const QString &address, QWidget *parent = nullptr,
                        int echoTimeoutMs = IcmpEcho::kDefaultTimeoutMs, int allowedSockets = IcmpEcho::AllowAll);

    // The pacing timer's work: sends the next echo unless one is under way or
    // all four lines are there.
    void onTimerTick();

    QStringList lines() const;
    bool isComplete() const { return lines().size() >= kLineCount; }

    static QString lineFor(const QString &address, const EchoResult &result);

signals:
    void lineAdded(const QString &line);

private:
    void addLine(const EchoResult &result);

    QString m_address;
    int m_echoTimeoutMs;
    QListWidget *m_list;
    QTimer m_timer;
    IcmpEcho m_echo;
};

} // namespace ferry
