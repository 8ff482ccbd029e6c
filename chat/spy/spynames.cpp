#include "chat/spy/spynames.h"

namespace tavern::spy {

namespace {

QString fromTable(const char *const *names, std::size_t count, std::uint8_t index)
{
    return QString::fromLatin1(index < count ? names[index] : "Unknown");
}

} // namespace

QString DifficultyName(std::uint8_t difficulty)
{
    static const char *const kNames[] = {"Unknown", "Trainee", "Rookie", "Hotshot", "Ace", "Insane"};
    return fromTable(kNames, std::size(kNames), difficulty);
}

QString GameModeName(SpyMode mode, std::uint8_t gameMode)
{
    static const char *const kDescent1[] = {"Anarchy", "Team Anarchy", "Robot Anarchy", "Coop"};
    static const char *const kDescent2[] = {"Anarchy", "Team Anarchy", "Robot Anarchy", "Coop", "Capture the Flag",
                                            "Hoard", "Team Hoard", "Flag Hoard", "Flag Team Hoard"};
    return mode == SpyMode::Descent2 ? fromTable(kDescent2, std::size(kDescent2), gameMode)
                                     : fromTable(kDescent1, std::size(kDescent1), gameMode);
}

QString RankName(std::uint8_t rank)
{
    static const char *const kNames[] = {"Unpatched", "Cadet", "Ensign", "Lieutenant", "Lt. Commander",
                                         "Commander", "Captain", "Rear Admiral", "Admiral", "Demigod"};
    return fromTable(kNames, std::size(kNames), rank);
}

QString GameModeText(SpyMode mode, const SpyGame &game)
{
    QString text = GameModeName(mode, game.mode);
    if (game.restrictedOrClosed)
        text += mode == SpyMode::Descent2 ? QStringLiteral(" (Restricted)") : QStringLiteral(" (Closed)");
    return text;
}

QString NodeAddressText(const std::array<std::uint8_t, 6> &node)
{
    return QStringLiteral("%1.%2.%3.%4").arg(node[3]).arg(node[2]).arg(node[1]).arg(node[0]);
}

} // namespace tavern::spy

namespace tavern::spy {

QString WireText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

SpyGameFields GameFields(SpyMode mode, const SpyGame &game)
{
    SpyGameFields f;
    f.name = WireText(game.name);
    f.mission = WireText(game.mission);
    f.level = QString::number(game.level);
    f.difficulty = DifficultyName(game.difficulty);
    f.mode = GameModeText(mode, game);
    f.packetsPerSecond = game.packetsPerSecond ? QString::number(*game.packetsPerSecond)
                                               : QString::fromLatin1(kNotAvailable);
    f.current = QString::number(game.current);
    f.maximum = QString::number(game.maximum);
    f.shortPackets = game.shortPackets;
    return f;
}

SpyPlayerFields PlayerFields(const SpyPlayer &player)
{
    SpyPlayerFields f;
    f.rank = player.rank ? RankName(*player.rank) : QString::fromLatin1(kNotAvailable);
    f.kills = QString::number(player.kills);
    f.deaths = QString::number(player.deaths);
    f.score = QString::number(player.score);
    f.address = NodeAddressText(player.node);
    return f;
}

} // namespace tavern::spy
