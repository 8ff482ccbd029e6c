#pragma once

// The names the game spy shows for the numbers of the Descent netgame datagrams,
// and the texts it builds from them.

#include "chat/spy/spypackets.h"

#include <QString>

#include <array>
#include <cstdint>

namespace tavern::spy {

// "Trainee".."Insane" for 1..5, "Unknown" otherwise (both games).
QString DifficultyName(std::uint8_t difficulty);
// The game mode of either game, "Unknown" for a value the game does not have.
QString GameModeName(SpyMode mode, std::uint8_t gameMode);
// Descent II player ranks, "Unpatched".."Demigod", "Unknown" otherwise.
QString RankName(std::uint8_t rank);
// The mode name with " (Restricted)" (Descent II) or " (Closed)" (Descent I) appended when set.
QString GameModeText(SpyMode mode, const SpyGame &game);
// A player's IP address: node bytes 3, 2, 1, 0 as a dotted address.
QString NodeAddressText(const std::array<std::uint8_t, 6> &node);

// What both games show where a value does not exist (Descent I ranks and packet rate).
inline constexpr const char *kNotAvailable = "N/A";

} // namespace tavern::spy

namespace tavern::spy {

// The texts of the game fields as the window shows them.
struct SpyGameFields {
    QString name;
    QString mission;
    QString level;
    QString difficulty;
    QString mode;
    QString packetsPerSecond;
    QString current;
    QString maximum;
    bool shortPackets = false;
};
SpyGameFields GameFields(SpyMode mode, const SpyGame &game);

// The texts of the player fields.
struct SpyPlayerFields {
    QString rank;
    QString kills;
    QString deaths;
    QString score;
    QString address;
};
SpyPlayerFields PlayerFields(const SpyPlayer &player);

// Names from the wire: bytes of the game's own character set, shown as they come.
QString WireText(const QByteArray &bytes);

} // namespace tavern::spy
