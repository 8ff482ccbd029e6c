#include "platform/tunneldriver.h"

#include "platform/ipxtransport.h"
#include "protocol/bytes.h"
#include "platform/paths.h"

#include <QFile>
#include <QLockFile>

namespace ferry {

TunnelDriver::TunnelDriver() = default;

TunnelDriver::~TunnelDriver()
{
    close();
}

bool TunnelDriver::open()
{
    if (isOpen())
        return true;
    if (qEnvironmentVariable("FERRY_DRIVER_OPEN").compare(QLatin1String("fail"), Qt::CaseInsensitive) == 0)
        return false;
    auto lock = std::make_unique<QLockFile>(dataFile(QStringLiteral("tunneldriver.lock")));
    lock->setStaleLockTime(0); // a lock left by a dead process is taken over
    if (!lock->tryLock(0))
        return false;
    m_lock = std::move(lock);
    if (!m_transport) {
        m_ownTransport = std::make_unique<IpxTransport>();
        m_transport = m_ownTransport.get();
    }
    return true;
}

void TunnelDriver::close()
{
    if (!isOpen())
        return;
    stopTransport();
    if (m_transport)
        m_transport->shutdown();
    m_session = TunnelSession();
    m_lock.reset(); // unlocks and removes the lock file
}

bool TunnelDriver::isOpen() const
{
    return m_lock != nullptr;
}

bool TunnelDriver::control(DriverCode code, DriverStatusRecord &record)
{
    DriverRecordBytes buffer = record.encode();
    const bool ok = control(static_cast<std::uint32_t>(code), buffer);
    record = DriverStatusRecord::decode(buffer);
    return ok;
}

bool TunnelDriver::control(std::uint32_t code, DriverRecordBytes &buffer)
{
    if (!isOpen())
        return false;
    logCode(code);

    // Only the "out" words are written back; the caller's other bytes stay as they are.
    const DriverStatusRecord rec = DriverStatusRecord::decode(buffer);
    m_session.options = {rec.compression != 0, rec.unbufferedSends != 0, rec.ipxOverSockets != 0,
                         rec.sendSocketClose != 0};

    switch (static_cast<DriverCode>(code)) {
    case DriverCode::Query:
        bytes::putLe32(buffer.data() + driverrecord::kStateOffset,
                       static_cast<std::uint32_t>(m_session.tunnelOpen ? DriverTunnelState::TunnelToServer
                                                                       : DriverTunnelState::NoTunnel));
        bytes::putLe32(buffer.data() + driverrecord::kBusyOffset,
                       m_applicationUsesTunnel || (m_transport && m_transport->inUse()) ? 1 : 0);
        break;
    case DriverCode::OpenTunnel:
        m_session.tunnelOpen = true;
        m_session.ownAddress = rec.ownAddress();
        m_session.nickname = rec.nickname;
        bytes::putLe32(buffer.data() + driverrecord::kStateOffset, 0); // IPX over UDP is never "unbound"
        if (m_transport)
            m_transport->open(m_session);
        break;
    case DriverCode::BindServer:
        m_session.serverAddress = rec.serverAddress();
        break;
    case DriverCode::SetTunnelEndpoint:
        m_session.tunnelAddress = rec.addressWord; // host order here, unlike the own address
        m_session.tunnelPort = rec.tunnelPort;
        if (m_session.tunnelOpen && m_transport) {
            m_transport->start(m_session);
            m_transportRunning = true;
        }
        break;
    case DriverCode::StartLocalServer:
        m_session.localServer = true;
        if (m_transport) {
            m_transport->start(m_session);
            m_transportRunning = true;
        }
        break;
    case DriverCode::CloseTunnel:
        stopTransport();
        m_session.tunnelOpen = false;
        m_session.serverAddress = 0;
        m_session.tunnelAddress = 0;
        m_session.tunnelPort = 0;
        break;
    case DriverCode::StopLocalServer:
        stopTransport();
        m_session.localServer = false;
        break;
    default:
        return false;
    }
    return true;
}

void TunnelDriver::stopTransport()
{
    if (m_transportRunning && m_transport)
        m_transport->stop();
    m_transportRunning = false;
}

void TunnelDriver::logCode(std::uint32_t code)
{
    m_codeLog.append(code);
    const QString path = qEnvironmentVariable("FERRY_DRIVER_LOG");
    if (path.isEmpty())
        return;
    QFile log(path);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(QByteArray::number(code) + '\n');
}

} // namespace ferry
