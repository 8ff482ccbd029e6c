#include "chat/windows/inputline.h"

#include "chat/core/partnerring.h"
#include "chat/core/tavernwapp.h"
#include "protocol/bytes.h"

#include <QApplication>
#include <QFont>
#include <QKeyEvent>

#include <algorithm>

namespace tavern {

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n' || c == QChar(0);
}

// F2..F12 as 2..12, or 0 for any other key. Modified function keys are left to
// others (Shift+F10 is the message view's context menu).
int functionKeyNumber(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier || event.key() < Qt::Key_F2 || event.key() > Qt::Key_F12)
        return 0;
    return event.key() - Qt::Key_F1 + 1;
}

bool isPlainTab(const QKeyEvent &event)
{
    return event.key() == Qt::Key_Tab && (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

InputLineHost AppInputLineHost(const CTavernwApp &app, CPartnerRing *partners)
{
    InputLineHost h;
    h.functionKeyTexts = [&app] { return app.m_Settings.FKeys; };
    h.ownNick = [&app] { return app.OwnNick(); };
    h.ownAddress = [&app]() -> std::optional<std::array<unsigned char, 4>> {
        const auto &a = app.Identity().address;
        if (a == std::array<unsigned char, 4>{})
            return std::nullopt;
        return a;
    };
    h.partners = partners;
    return h;
}

QString ExpandFunctionKeyText(const QString &text, const QString &ownNick,
                              const std::optional<std::array<unsigned char, 4>> &ownAddress)
{
    QString s = text;
    s.replace(QLatin1String("$USER"), ownNick);
    if (!ownAddress)
        return s;
    const auto &a = *ownAddress;
    s.replace(QLatin1String("$IP"), QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]));
    s.replace(QLatin1String("$LONGIP"), QString::number(ferry::bytes::getBe32(a.data())));
    return s;
}

QString FlattenLineBreaks(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isLineBreak(text.at(i))) {
            out += text.at(i);
            continue;
        }
        out += u' ';
        while (i + 1 < text.size() && isLineBreak(text.at(i + 1)))
            ++i;
    }
    return out;
}

CInputLine::CInputLine(InputLineHost host, QWidget *parent) : QLineEdit(parent), m_host(std::move(host))
{
    setMaxLength(kMaxLength);
    connect(this, &QLineEdit::textChanged, this, &CInputLine::flattenText);
}

void CInputLine::ApplyFont(const QString &family, int pointSize)
{
    QFont f(family, pointSize, QFont::Normal, false);
    setFont(f);
}

void CInputLine::TypeKey(const QKeyEvent &event)
{
    setFocus(Qt::OtherFocusReason);
    QKeyEvent copy(QEvent::KeyPress, event.key(), event.modifiers(), event.text(), event.isAutoRepeat(),
                   ushort(event.count()));
    QApplication::sendEvent(this, &copy);
}

void CInputLine::TypeCharacter(QChar character)
{
    int key = character.toUpper().unicode();
    if (character == u'\r' || character == u'\n')
        key = Qt::Key_Return;
    else if (character == QChar(0x1B))
        key = Qt::Key_Escape;
    else if (character == u'\t')
        key = Qt::Key_Tab;
    else if (character == QChar(0x08))
        key = Qt::Key_Backspace;
    TypeKey(QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, QString(character)));
}

void CInputLine::PressFunctionKey(int n)
{
    if (n < 2 || n > 12)
        return;
    const QStringList texts = m_host.functionKeyTexts ? m_host.functionKeyTexts() : QStringList();
    const QString nick = m_host.ownNick ? m_host.ownNick() : QString();
    const auto address = m_host.ownAddress ? m_host.ownAddress() : std::nullopt;
    const QString expanded = ExpandFunctionKeyText(texts.value(n - 2), nick, address);
    if (m_host.sendText)
        m_host.sendText(FlattenLineBreaks(expanded));
}

void CInputLine::SendLine()
{
    const QString line = FlattenLineBreaks(text());
    m_history[std::size_t(m_writeIndex)] = line;
    m_writeIndex = (m_writeIndex + 1) % kHistorySize;
    m_browseIndex = m_writeIndex;
    // Emptied first, so that whatever the sent line causes finds an empty line.
    clear();
    if (m_host.sendText)
        m_host.sendText(line);
}

void CInputLine::RecallOlder()
{
    recall((m_browseIndex + kHistorySize - 1) % kHistorySize);
}

void CInputLine::RecallNewer()
{
    if (m_browseIndex != m_writeIndex)
        recall((m_browseIndex + 1) % kHistorySize);
}

void CInputLine::recall(int slot)
{
    const QString &line = m_history[std::size_t(slot)];
    if (line.isEmpty()) {
        beep();
        return;
    }
    showRecalled(line);
    m_browseIndex = slot;
}

void CInputLine::CompletePartner()
{
    if (!m_host.partners || m_host.partners->IsEmpty()) {
        beep();
        return;
    }
    const QString nick = m_host.partners->Next();
    if (nick.isEmpty())
        return;
    showRecalled(QStringLiteral("/msg \"") + nick + QStringLiteral("\" "));
}

bool CInputLine::event(QEvent *event)
{
    // Function keys and Tab belong to the line before any shortcut or menu sees
    // them (F10 never opens the menu bar), and Tab never moves the focus.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (functionKeyNumber(*key) || isPlainTab(*key)) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && isPlainTab(*static_cast<QKeyEvent *>(event))) {
        CompletePartner();
        return true;
    }
    return QLineEdit::event(event);
}

void CInputLine::keyPressEvent(QKeyEvent *event)
{
    if (const int n = functionKeyNumber(*event)) {
        PressFunctionKey(n);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat())
            SendLine();
        return;
    case Qt::Key_Escape:
        clear();
        return;
    case Qt::Key_Up:
        RecallOlder();
        return;
    case Qt::Key_Down:
        RecallNewer();
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (m_host.scrollViews)
            m_host.scrollViews(event->key());
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void CInputLine::beep() const
{
    if (m_host.beep)
        m_host.beep();
    else
        QApplication::beep();
}

void CInputLine::showRecalled(const QString &text)
{
    setText(text);
    end(false);
}

void CInputLine::flattenText()
{
    const QString current = text();
    if (std::none_of(current.begin(), current.end(), isLineBreak))
        return;
    const QString flat = FlattenLineBreaks(current);
    const qsizetype cursor = cursorPosition() - (current.size() - flat.size());
    setText(flat);
    setCursorPosition(int(std::clamp<qsizetype>(cursor, 0, flat.size())));
}

} // namespace tavern
