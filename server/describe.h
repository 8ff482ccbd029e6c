#pragma once

// One-line descriptions of datagrams for ferryd's log.

#include <QByteArray>
#include <QString>

namespace ferryd {

// Network text for a log line: line feeds as " | ", other control bytes escaped.
QString printable(const QByteArray &s);

// A datagram received on the server port.
QString describeToServer(const QByteArray &datagram);
// A datagram received on the tracker port.
QString describeToTracker(const QByteArray &datagram);
// A datagram ferryd sends.
QString describeFromServer(const QByteArray &datagram);

} // namespace ferryd
