#pragma once

// The shared session block: the 560-byte record through which the control center
// hands the player's identity to the chat client and the chat client registers
// itself. This is the layout codec only; platform/sharedmemory.h provides the
// named memory it lives in.
//
// Every field has a single writer, and every writer here touches only its own
// field, so the two programs never need to lock the block. Readers read whole
// fields; a string field without a NUL (caught mid-write) ends at the field's end.

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace ferry {

namespace sharedblock {

// Offsets and widths of the fields, fixed by the programs that share the block.
constexpr std::size_t OwnAddressOffset = 0;     // u32 LE, the IPv4 address's bytes in network order
constexpr std::size_t OwnAddressWidth = 4;
constexpr std::size_t NicknameOffset = 4;       // NUL-terminated text
constexpr std::size_t NicknameWidth = 16;
constexpr std::size_t ChatWindowOffset = 20;    // i32 LE, process id of the running chat client, 0 = none
constexpr std::size_t ChatWindowWidth = 4;
constexpr std::size_t BlockMarkOffset = 24;     // i32 LE, always 99
constexpr std::size_t BlockMarkWidth = 4;
constexpr std::size_t ReservedOffset = 28;      // zero
constexpr std::size_t ReservedWidth = 17;
constexpr std::size_t EmailOffset = 45;         // NUL-terminated text
constexpr std::size_t EmailWidth = 256;
constexpr std::size_t ServerNameOffset = 301;   // NUL-terminated text, empty when not signed on
constexpr std::size_t ServerNameWidth = 259;
constexpr std::size_t Size = 560;

constexpr std::int32_t BlockMark = 99;

// Stored in place of an empty e-mail setting.
inline constexpr char UnspecifiedEmail[] = "unspecified_email_address";

// The program whose process id the chat-window field holds.
inline constexpr char ChatProgramName[] = "tavern97";

static_assert(NicknameOffset == OwnAddressOffset + OwnAddressWidth);
static_assert(ChatWindowOffset == NicknameOffset + NicknameWidth);
static_assert(BlockMarkOffset == ChatWindowOffset + ChatWindowWidth);
static_assert(ReservedOffset == BlockMarkOffset + BlockMarkWidth);
static_assert(EmailOffset == ReservedOffset + ReservedWidth);
static_assert(ServerNameOffset == EmailOffset + EmailWidth);
static_assert(Size == ServerNameOffset + ServerNameWidth);
static_assert(Size == 560);

} // namespace sharedblock

// A view onto the Size bytes of a session block; it does not own the memory.
// Own addresses are passed as QHostAddress::toIPv4Address() values (1.2.3.4 is
// 0x01020304); the block stores their bytes in network order. Text is 8-bit and
// stored as given; text longer than its field is cut so that a NUL ends it inside
// the field.
class SharedBlock {
public:
    explicit SharedBlock(unsigned char *data) : m_data(data) {}

    // Control center, at creation: zero everything, then own address, nickname,
    // block mark and e-mail address. The chat-window and server-name fields stay 0.
    void initialize(std::uint32_t ownAddress, const QByteArray &nickname, const QByteArray &email);
    // Control center, after a settings change: own address, nickname and e-mail
    // address again; the chat-window and server-name fields are left alone.
    void refreshIdentity(std::uint32_t ownAddress, const QByteArray &nickname, const QByteArray &email);

    void setOwnAddress(std::uint32_t ipv4);
    void setNickname(const QByteArray &nickname);
    // An empty address is stored as UnspecifiedEmail.
    void setEmail(const QByteArray &email);
    void setServerName(const QByteArray &name);
    void clearServerName();
    void writeBlockMark();
    // Chat client: its process id once its main window exists; 0 for none.
    void setChatWindow(std::int32_t pid);

    std::uint32_t ownAddress() const;
    QByteArray nickname() const;
    QByteArray email() const;
    QByteArray serverName() const;
    std::int32_t chatWindow() const;
    std::int32_t blockMark() const;

    // The whole block as it stands.
    QByteArray bytes() const;

private:
    void writeText(std::size_t offset, std::size_t width, const QByteArray &text);
    QByteArray readText(std::size_t offset, std::size_t width) const;

    unsigned char *m_data;
};

} // namespace ferry
