#pragma once

// The user-space tunnel driver. The control center opens it once at start-up
// and drives every tunnel change through control(code, record), the way it
// once called the kernel driver: the 56-byte status record goes in, the driver
// reads the "in" fields and writes the "out" fields.
//
// Codes:
//   2  bind the tunnel to the server address at offset 4
//   3  query: word 8 = 1 no tunnel / 2 tunnel open; word 12 = 1 while an
//      application uses the tunnel
//   4  start a local server (after 6)
//   5  stop the local server (after 7)
//   6  open a tunnel with the own address (offset 0) and nickname (offset 38);
//      word 8 = non-zero when IPX is not bound to the dial-up adapter. IPX is
//      carried over UDP here, which needs no binding to any adapter, so the
//      word is always 0.
//   7  close the tunnel
//   9  the server's tunnel endpoint: address word at 0 (host order), port at 36
// Other codes are refused and change nothing.
//
// The packets themselves travel through a TunnelTransport (IPX over UDP, as
// DOSBox tunnels it): the driver's own IpxTransport unless a test sets another.
// The driver tells it when a session opens, starts and stops.

#include "platform/driverrecord.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <memory>

class QLockFile;

namespace ferry {

enum class DriverCode : std::uint32_t {
    BindServer = 2,
    Query = 3,
    StartLocalServer = 4,
    StopLocalServer = 5,
    OpenTunnel = 6,
    CloseTunnel = 7,
    SetTunnelEndpoint = 9,
};

// The option words of the record, as last handed to the driver.
struct TunnelOptions {
    bool compression = false;
    bool unbufferedSends = false;
    bool ipxOverSockets = false;
    bool sendSocketClose = false;
    bool operator==(const TunnelOptions &) const = default;
};

// What the driver knows of the current session. Addresses are IPv4 host-order numbers.
struct TunnelSession {
    bool tunnelOpen = false;      // code 6 .. code 7
    bool localServer = false;     // code 4 .. code 5
    std::uint32_t ownAddress = 0;
    QByteArray nickname;
    std::uint32_t serverAddress = 0;   // code 2
    std::uint32_t tunnelAddress = 0;   // code 9
    std::uint16_t tunnelPort = 0;      // code 9
    TunnelOptions options;
};

// Carries the tunnelled IPX packets (platform/ipxtransport.h is the driver's own).
class TunnelTransport {
public:
    virtual ~TunnelTransport() = default;
    // Code 6: a session opens with the own address and nickname.
    virtual void open(const TunnelSession &session) = 0;
    // Code 9 (a tunnel to a server whose endpoint is now known) or code 4 (a
    // local server starts).
    virtual void start(const TunnelSession &session) = 0;
    // Codes 7 and 5: the tunnel closes, or the local server stops.
    virtual void stop() = 0;
    // The driver closes.
    virtual void shutdown() = 0;
    // Whether an application (a game) uses the tunnel: word 12 of code 3.
    virtual bool inUse() const = 0;
};

class TunnelDriver {
public:
    TunnelDriver();
    ~TunnelDriver();
    TunnelDriver(const TunnelDriver &) = delete;
    TunnelDriver &operator=(const TunnelDriver &) = delete;

    // Opens the device for this process alone. Fails when another driver object
    // holds it (a lock in the data folder) or when $FERRY_DRIVER_OPEN is "fail"
    // (the seam that lets tests see the start-up failure).
    bool open();
    // Closes the device; an open session ends with it.
    void close();
    bool isOpen() const;

    // One device control call. buffer is the status record; false when the
    // device is not open or the code is unknown (the record is then unchanged).
    bool control(std::uint32_t code, DriverRecordBytes &buffer);
    // The same through the record codec.
    bool control(DriverCode code, DriverStatusRecord &record);

    // Every code received while open, in order. With $FERRY_DRIVER_LOG=<file>
    // each code is also appended to that file as one line, so tests that start
    // the real program can read the sequence.
    const QList<std::uint32_t> &codeLog() const { return m_codeLog; }
    void clearCodeLog() { m_codeLog.clear(); }

    const TunnelSession &session() const { return m_session; }

    // Reports word 12 as set whatever the transport says (for tests of its callers).
    void setApplicationUsesTunnel(bool inUse) { m_applicationUsesTunnel = inUse; }

    // Replaces the transport; it is not owned. Set before open(), which otherwise
    // creates the driver's own IpxTransport.
    void setTransport(TunnelTransport *transport) { m_transport = transport; }
    TunnelTransport *transport() const { return m_transport; }

private:
    void logCode(std::uint32_t code);
    void stopTransport();

    std::unique_ptr<QLockFile> m_lock;
    TunnelSession m_session;
    QList<std::uint32_t> m_codeLog;
    bool m_applicationUsesTunnel = false;
    bool m_transportRunning = false;
    TunnelTransport *m_transport = nullptr;
    std::unique_ptr<TunnelTransport> m_ownTransport;
};

} // namespace ferry
