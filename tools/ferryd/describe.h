#pragma once

// One-line descriptions of datagrams for ferryd's log.

#include <QByteArray>
#include <QString>

namespace ferryd {

// A datagram received on the server port.
QString describeToServer(const QByteArray &datagram);
// A datagram received on the tracker port.
QString describeToTracker(const QByteArray &datagram);
// A datagram ferryd sends.
QString describeFromServer(const QByteArray &datagram);

} // namespace ferryd
