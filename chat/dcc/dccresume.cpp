#include "chat/dcc/dccresume.h"

#include "chat/dcc/dccoffer.h"

#include <QList>

namespace ferry::dcc {
namespace {

QByteArray resumeBody(const char *word, const QByteArray &fileName, std::uint32_t port, std::uint64_t position)
{
    QByteArray name;
    for (const char c : fileName) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F && c != '"')
            name += c;
    }
    if (name.isEmpty())
        name = "file";
    if (name.contains(' '))
        name = '"' + name + '"';
    return QByteArray("DCC ") + word + ' ' + name + ' ' + QByteArray::number(port) + ' '
           + QByteArray::number(position);
}

} // namespace

std::optional<ResumeMessage> ParseResume(const QByteArray &arguments)
{
    // Port and position are the last two words; whatever lies between them and the
    // sub-word is the file name, kept only to be echoed.
    const QList<QByteArray> words = arguments.simplified().split(' ');
    if (words.size() < 4)
        return std::nullopt;
    const QByteArray sub = words.first().toUpper();
    const auto port = ParseNumber(words[words.size() - 2]);
    const auto position = ParseSize(words.last());
    if (!port || !position || (sub != "RESUME" && sub != "ACCEPT"))
        return std::nullopt;
    QByteArray name = words.mid(1, words.size() - 3).join(' ');
    if (name.size() >= 2 && name.startsWith('"') && name.endsWith('"'))
        name = name.mid(1, name.size() - 2);
    return ResumeMessage{sub == "RESUME" ? ResumeMessage::Kind::Resume : ResumeMessage::Kind::Accept, name,
                         *port, *position};
}

QByteArray ResumeLine(const QString &nick, const QByteArray &fileName, std::uint32_t port, std::uint64_t position)
{
    return CtcpLine(nick, resumeBody("RESUME", fileName, port, position));
}

QByteArray AcceptLine(const QString &nick, const QByteArray &fileName, std::uint32_t port, std::uint64_t position)
{
    return CtcpLine(nick, resumeBody("ACCEPT", fileName, port, position));
}

} // namespace ferry::dcc
