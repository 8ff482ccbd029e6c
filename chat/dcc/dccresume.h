#pragma once

// Continuing an interrupted DCC file transfer, as common clients do it, inside CTCP
// private messages through the chat server:
//   receiver -> sender:  DCC RESUME <file name> <port> <position>
//   sender -> receiver:  DCC ACCEPT <file name> <port> <position>
// The port is the one of the sender's offer and names the transfer; the position is
// the byte offset the file continues at. Clients disagree on the file name (some
// send "file.ext"), so only port, position and the peer's nick identify a request.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace ferry::dcc {

struct ResumeMessage {
    enum class Kind { Resume, Accept };
    Kind kind = Kind::Resume;
    QByteArray fileName; // as the peer wrote it, without enclosing quotes
    std::uint32_t port = 0;
    std::uint64_t position = 0;
};

// Parses the arguments of a CTCP DCC request (the text after "DCC "): sub-word
// RESUME or ACCEPT in any case, a file name (any words, possibly quoted), then the
// port as a plain unsigned 32-bit decimal and the position as a plain decimal up to
// kMaxFileSize. Anything else is nullopt.
std::optional<ResumeMessage> ParseResume(const QByteArray &arguments);

// Our private-message lines: the file name as the offer gave it, reduced to bytes
// that cannot end the line or the CTCP frame, quoted when it holds blanks.
QByteArray ResumeLine(const QString &nick, const QByteArray &fileName, std::uint32_t port, std::uint64_t position);
QByteArray AcceptLine(const QString &nick, const QByteArray &fileName, std::uint32_t port, std::uint64_t position);

} // namespace ferry::dcc
