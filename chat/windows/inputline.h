#pragma once

// The one-line text entry at the bottom of every chat window. Enter hands the line
// to the window's document and keeps it in a 30-line history that Up and Down
// recall; Esc empties it; Tab fills in a private message to the next recent
// partner; Page Up and Page Down scroll the window's message views; F2..F12 send
// their programmable texts with $USER, $IP and $LONGIP filled in.
//
// No line leaves it with a CR, LF or NUL inside: such characters (from a paste of
// several lines, a drop, or a function-key text) become single blanks, a CR LF
// pair or any run of them one blank, so a line can never carry a second protocol
// line with it.

#include <QLineEdit>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

class CPartnerRing;
class CTavernwApp;
class QKeyEvent;

namespace tavern {

// How an input line reaches the rest of the client. Empty members do nothing,
// except beep, which falls back to the platform's beep.
struct InputLineHost {
    // The document's SendText: a finished line, or an expanded function-key text.
    std::function<void(const QString &)> sendText;
    // Qt::Key_PageUp or Qt::Key_PageDown, for the window's message views.
    std::function<void(int key)> scrollViews;
    std::function<void()> beep;
    // The texts of F2..F12, in that order.
    std::function<QStringList()> functionKeyTexts;
    // The own nickname, for $USER.
    std::function<QString()> ownNick;
    // The own address in network byte order (first octet first), for $IP and
    // $LONGIP; nothing leaves both tokens as they stand.
    std::function<std::optional<std::array<unsigned char, 4>>()> ownAddress;
    // The application's ring of recent private-message partners, walked by Tab.
    CPartnerRing *partners = nullptr;
};

// The parts of a host that come from the application: the function-key texts of its
// settings, its own nickname, its own address (from the shared session block; an
// address of 0.0.0.0 counts as unknown) and the given partner ring. The window
// adds sendText and scrollViews.
InputLineHost AppInputLineHost(const CTavernwApp &app, CPartnerRing *partners);

// Fills $USER, then $IP ("a.b.c.d") and $LONGIP (the address as one unsigned
// number, first octet most significant) into a function-key text. Without an
// address the two address tokens stay. Replacements are not searched again.
QString ExpandFunctionKeyText(const QString &text, const QString &ownNick,
                              const std::optional<std::array<unsigned char, 4>> &ownAddress);

// The text with every run of CR, LF and NUL replaced by one blank.
QString FlattenLineBreaks(const QString &text);

class CInputLine : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kHistorySize = 30;
    static constexpr int kMaxLength = 250;

    explicit CInputLine(InputLineHost host, QWidget *parent = nullptr);

    // Makes the line's font from the chat font settings, in its regular style.
    void ApplyFont(const QString &family, int pointSize);

    // A key typed into the window's message view: the line takes the focus and
    // handles it as if typed here.
    void TypeKey(const QKeyEvent &event);
    void TypeCharacter(QChar character);
    // F2..F12 pressed elsewhere in the window (n = 2..12), handled as if pressed here.
    void PressFunctionKey(int n);

    // Hands the line to the document, as Enter does.
    void SendLine();
    // Recalls the previous or the next line of the history; beeps at an empty slot.
    void RecallOlder();
    void RecallNewer();
    // Fills in "/msg "nick" " for the next recent partner; beeps without partners.
    void CompletePartner();

    const std::array<QString, kHistorySize> &History() const { return m_history; }
    int WriteIndex() const { return m_writeIndex; }
    int BrowseIndex() const { return m_browseIndex; }

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void beep() const;
    // Shows a history slot and browses there, or beeps at an empty slot.
    void recall(int slot);
    void showRecalled(const QString &text);
    void flattenText();

    InputLineHost m_host;
    std::array<QString, kHistorySize> m_history;
    int m_writeIndex = 0;
    int m_browseIndex = 0;
};

// The Server and private windows' line and the channel windows' line behave alike.
using CSendChat = CInputLine;
using CSendView = CInputLine;

} // namespace tavern
