#pragma once

// The DCC offers that travel inside CTCP private messages through the chat server:
//   DCC CHAT chat <address> <port>
//   DCC send <file name> <address> <port> <size>
// <address> is the IPv4 address as one unsigned decimal number whose most
// significant byte is the first octet (10.0.0.1 is 167772161). <size> may exceed
// 32 bits: files of 4 GiB and more are offered with their whole size in decimal.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <variant>

namespace ferry::dcc {

struct ChatOffer {
    std::uint32_t address = 0;
    std::uint32_t port = 0;
};

struct SendOffer {
    QByteArray fileName;   // as offered: not yet fit to be a local file name
    std::uint32_t address = 0;
    std::uint32_t port = 0;
    std::uint64_t size = 0;
};

// The largest file size and position taken from a peer: what a signed 64-bit file
// offset holds.
inline constexpr std::uint64_t kMaxFileSize = 0x7FFFFFFFFFFFFFFFull;

using Offer = std::variant<std::monostate, ChatOffer, SendOffer>;

// Parses the arguments of a CTCP DCC request (the text after "DCC "). Unknown
// sub-words, missing fields and numbers that are not plain unsigned 32-bit decimals
// give std::monostate (the size may be up to kMaxFileSize). Address and port are
// returned as offered: check them with IsConnectable before connecting.
Offer ParseOffer(const QByteArray &arguments);

// True when an offer's address and port can be connected to: the address is not 0
// and the port lies in 1..65535.
bool IsConnectable(std::uint32_t address, std::uint32_t port);

// Why an offer made to us must not be taken up, as a phrase for a status line: an
// unspecified address (0.x.x.x), the broadcast address, a multicast address, or a
// port below 1024 (a service's, not a peer's) or above 65535. Empty when it may.
// A send offer of no bytes is refused too (size 0).
QString OfferRefusal(std::uint32_t address, std::uint32_t port);
QString OfferRefusal(const SendOffer &offer);

// The dotted form of an offer's address number (167772161 is "10.0.0.1").
QString DottedAddress(std::uint32_t address);

// A plain unsigned 32-bit decimal number ("0".."4294967295", an optional leading
// '+'); anything else is nullopt.
std::optional<std::uint32_t> ParseNumber(const QByteArray &text);
// The same up to kMaxFileSize: file sizes and positions.
std::optional<std::uint64_t> ParseSize(const QByteArray &text);

// The file name part of a local path: the text after its last '/' or '\'.
QString FileNameOfPath(const QString &path);

// Reduces a file name offered by a peer to a plain name in a folder of our choice:
// no directory parts, no control characters, no leading dots or blanks, at most
// 200 characters. A name with nothing left becomes "dccfile".
QString SanitizeOfferedFileName(const QByteArray &offered);

// The CTCP bodies and the complete private-message lines of our own offers. The
// nick loses every byte that would end or split the line; the file name is the
// path's file name with blanks turned into '_' so that the receiver's word split
// finds the right fields.
QByteArray ChatOfferBody(std::uint32_t address, std::uint16_t port);
QByteArray SendOfferBody(const QString &path, std::uint32_t address, std::uint16_t port,
                         std::uint64_t size);
// A private message to nick carrying one CTCP body.
QByteArray CtcpLine(const QString &nick, const QByteArray &body);
QByteArray ChatOfferLine(const QString &nick, std::uint32_t address, std::uint16_t port);
QByteArray SendOfferLine(const QString &nick, const QString &path, std::uint32_t address,
                         std::uint16_t port, std::uint64_t size);

} // namespace ferry::dcc
