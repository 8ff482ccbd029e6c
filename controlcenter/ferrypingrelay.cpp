#include "controlcenter/ferrypingrelay.h"

#include "protocol/bytes.h"

namespace ferry::datagrams {

std::optional<PingRelay> wrapForRelay(const QByteArray &fromChatClient, std::uint16_t sequence,
                                      std::uint32_t ownAddress, std::uint32_t tickMs)
{
    const auto record = decodeChatRecord(fromChatClient);
    if (!record || record->type == typeByte(RelayType::ServiceRequest))
        return std::nullopt;
    // The record travels byte for byte (header, and a counted payload if any);
    // only the tick count and the address are written into it.
    qsizetype length = qsizetype(kRecordHeaderSize);
    if (record->payload)
        length = qsizetype(kRecordPayloadOffset) + record->payload->size();
    QByteArray bytes = fromChatClient.left(length);
    auto *p = reinterpret_cast<unsigned char *>(bytes.data());

    PingRelay relay;
    const std::uint32_t peer = record->address();
    if (peer != 0 && peer != ownAddress) {
        relay.toPeer = true;
        relay.peerAddress = peer;
        if (record->type == typeByte(RelayType::PingRequest))
            bytes::putLe32(p + kRecordTextOffset, tickMs);
    }
    bytes::putBe32(p + kRecordValueOffset, ownAddress);

    relay.datagram = encodePeerPingHeader(ServerType::PeerPing, sequence) + bytes;
    return relay;
}

std::optional<PeerPingAction> handlePeerPing(const QByteArray &datagram, const QByteArray &ownNickname,
                                             std::uint32_t elapsedMs)
{
    const auto ping = decodePeerPing(datagram);
    if (!ping)
        return std::nullopt;
    PeerPingAction action;
    if (ping->record.type == typeByte(RelayType::PingRequest)) {
        QByteArray answer = datagram;
        answer[qsizetype(kPeerPingHeaderSize)] = char(typeByte(RelayType::PingAnswer));
        QByteArray nick = ownNickname.left(qsizetype(kRecordNicknameField - 1));
        nick.append('\0');
        answer.replace(qsizetype(kPeerPingHeaderSize + kRecordNicknameOffset), nick.size(), nick);
        action.kind = PeerPingAction::AnswerSender;
        action.datagram = answer;
        return action;
    }
    if (ping->record.type != typeByte(RelayType::PingAnswer))
        return std::nullopt;
    QByteArray record = peerPingRecordBytes(datagram).left(qsizetype(kRecordHeaderSize));
    bytes::putLe32(reinterpret_cast<unsigned char *>(record.data()) + kRecordTextOffset, elapsedMs);
    action.kind = PeerPingAction::RelayToChatClient;
    action.datagram = record;
    return action;
}

} // namespace ferry::datagrams
