#pragma once

// The files this player offers to others: up to ten full paths, announced in every
// open channel as "GetFile:<name>@<nick>" links. A peer who clicks such a link sends
// a FILEREQ for the name; a matching offer asks for a DCC send of the file to that
// peer (sendRequested), which the direct connections carry out.
//
// Entry points for the command interpreter:
//   /offer <path>       -> Offer(arguments)
//   /deoffer <path>     -> Deoffer(arguments)
//   /showoffers         -> ShowOffers()
// Offers live in memory only and start empty.

#include <QObject>
#include <QString>

#include <array>
#include <optional>

class CTavernwApp;

class CFileOffers : public QObject {
    Q_OBJECT
public:
    static constexpr int kSlotCount = 10;
    using Slots = std::array<QString, kSlotCount>;

    // Listens to the application's FILEREQ requests; a child of the application
    // unless another parent is given.
    explicit CFileOffers(CTavernwApp *app, QObject *parent = nullptr);

    // Stores path in the first free slot and announces it in every open channel.
    // A full set of slots or an unreadable file gives a line in the Server window.
    void Offer(const QString &path);
    // Empties the first slot whose stored path equals the first word of the
    // arguments (or, failing that, the whole arguments, for paths with blanks),
    // without regard to case.
    void Deoffer(const QString &arguments);
    // Announces every offer again in every open channel.
    void ShowOffers();

    // A peer's FILEREQ: the first slot whose file name equals fileName without
    // regard to case starts a send to the peer; other names are ignored silently.
    void OnFileRequest(const QString &sender, const QString &fileName);
    // Full path of the first slot whose file name matches, if any.
    std::optional<QString> FindOffered(const QString &fileName) const;

    const Slots &OfferSlots() const { return m_OfferSlots; }
    // The name announced for a path: the text after its last '\' or '/'.
    static QString OfferedFileName(const QString &path);

signals:
    // A requested file is to be sent to nick by DCC.
    void sendRequested(const QString &nick, const QString &path);

private:
    void announce(const QString &fileName);

    CTavernwApp *m_pApp;
    Slots m_OfferSlots;
};
