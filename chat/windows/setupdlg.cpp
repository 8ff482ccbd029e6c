#include "chat/windows/setupdlg.h"

#include "chat/core/settingsstore.h"
#include "chat/core/tavernwapp.h"
#include "chat/windows/inputline.h"
#include "platform/prompts.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace tavern {

namespace {

const QString kTrue = QStringLiteral("TRUE");
const QString kFalse = QStringLiteral("FALSE");

QLineEdit *limitedField(const QString &text, int maxLength, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setMaxLength(maxLength);
    field->setText(text);
    field->setCursorPosition(0); // a text longer than the field shows its beginning
    return field;
}

} // namespace

std::optional<int> ParseSetupPort(const QString &text)
{
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok);
    if (!ok || port > uint(CSetupDlg::kMaxPort))
        return std::nullopt;
    return int(port);
}

CSetupDlg::CSetupDlg(CTavernwApp &app, QWidget *parent)
    : CheckedDialog(parent), m_app(app),
      m_autoLog(new QCheckBox(QStringLiteral("A&uto Log All Windows"), this)),
      m_spamFilter(new QCheckBox(QStringLiteral("Sp&am Filter"), this)),
      m_privateWindows(new QCheckBox(QStringLiteral("P&rivate Chat Windows"), this)),
      m_showJoinPart(new QCheckBox(QStringLiteral("Show &Join/Part/Quit Messages"), this)),
      m_profanityFilter(new QCheckBox(QStringLiteral("Enable &Profanity Filter"), this)),
      m_beepOnPrivate(new QCheckBox(QStringLiteral("&Beep on private messages"), this)),
      m_font(new QLabel(this)),
      m_tls(new QCheckBox(QStringLiteral("Use &TLS"), this)),
      m_autoReconnect(new QCheckBox(QStringLiteral("Reconnect auto&matically"), this))
{
    setWindowTitle(QStringLiteral("Tavern97 Setup"));
    const CChatSettings &s = app.m_Settings;
    settingsstore::SetupValues stored;
    settingsstore::LoadSetup(stored, s);

    m_autoLog->setChecked(s.AutoLog);
    m_spamFilter->setChecked(s.SpamFilter);
    m_privateWindows->setChecked(s.PrivateWindows);
    m_showJoinPart->setChecked(s.ShowJoinPart);
    m_profanityFilter->setChecked(stored.profanityFilter.compare(kTrue, Qt::CaseInsensitive) == 0);
    m_beepOnPrivate->setChecked(s.BeepOnPrivate);
    m_quitMsg = limitedField(stored.quitMsg, kQuitMsgLength, this);
    m_channel = limitedField(stored.channel, kChannelLength, this);
    m_font->setText(QStringLiteral("%1 (%2)").arg(stored.fontName).arg(stored.fontSize));
    m_chatServer = limitedField(s.ChatServer, kChatServerLength, this);
    // No length limit: a cut-off number would pass the check as a different port.
    m_port = new QLineEdit(QString::number(uint(s.ChatServerPort)), this);
    m_tls->setChecked(s.ChatServerTLS);
    m_autoReconnect->setChecked(s.AutoReconnect);

    auto *form = new QFormLayout;
    for (QCheckBox *box : {m_autoLog, m_spamFilter, m_privateWindows, m_showJoinPart, m_profanityFilter, m_beepOnPrivate})
        form->addRow(box);
    form->addRow(QStringLiteral("Quit Message"), m_quitMsg);
    form->addRow(QStringLiteral("Default Channel"), m_channel);
    form->addRow(QStringLiteral("Font:"), m_font);
    form->addRow(QStringLiteral("Chat Server:"), m_chatServer);
    form->addRow(QStringLiteral("Port:"), m_port);
    form->addRow(m_tls);
    form->addRow(m_autoReconnect);
    ferry::chainTabOrder({m_autoLog, m_spamFilter, m_privateWindows, m_showJoinPart, m_profanityFilter, m_beepOnPrivate,
                          m_quitMsg, m_channel, m_chatServer, m_port, m_tls, m_autoReconnect});

    setContentWithButtons(form);
}

bool CSetupDlg::checkFields()
{
    if (!ParseSetupPort(m_port->text())) {
        ferry::prompts::warning(this, QStringLiteral("Tavern97"),
                                QStringLiteral("Please enter an integer between 0 and %1.").arg(kMaxPort));
        m_port->setFocus();
        m_port->selectAll();
        return false;
    }
    // Nothing can be stored without the settings key: the dialog stays open.
    return settingsstore::CanOpenChatKey();
}

void CSetupDlg::commit()
{
    CChatSettings &s = m_app.m_Settings;
    s.ChatServer = m_chatServer->text();
    s.ChatServerPort = *ParseSetupPort(m_port->text());

    // Both travel in protocol lines; a pasted line break must not split them.
    QString channel = FlattenLineBreaks(m_channel->text());
    if (!channel.startsWith(u'#'))
        channel.prepend(u'#');

    s.PrivateWindows = m_privateWindows->isChecked();
    s.SpamFilter = m_spamFilter->isChecked();
    s.ShowJoinPart = m_showJoinPart->isChecked();
    s.AutoLog = m_autoLog->isChecked();
    s.BeepOnPrivate = m_beepOnPrivate->isChecked();
    s.ChatServerTLS = m_tls->isChecked();
    m_app.SetAutoReconnect(m_autoReconnect->isChecked());

    // The default channel is stored for the next start; the running session keeps its own.
    CChatSettings written = s;
    written.QuitMsg = FlattenLineBreaks(m_quitMsg->text());
    written.Channel = channel;
    written.ProfanityFilter = m_profanityFilter->isChecked() ? kTrue : kFalse;
    settingsstore::SaveSetup(written);

    s.ProfanityFilter = written.ProfanityFilter;
    s.QuitMsg = written.QuitMsg;
}

void CSetupDlg::applyFields(const QHash<QString, QString> &fields)
{
    const std::pair<const char *, QCheckBox *> boxes[] = {
        {"autolog", m_autoLog},           {"spamfilter", m_spamFilter},
        {"privatewindows", m_privateWindows}, {"showjoinpart", m_showJoinPart},
        {"profanityfilter", m_profanityFilter}, {"beeponprivate", m_beepOnPrivate},
        {"chatservertls", m_tls}, {"autoreconnect", m_autoReconnect},
    };
    for (const auto &[name, box] : boxes)
        if (const auto it = fields.find(QLatin1String(name)); it != fields.end())
            box->setChecked(ferry::parseFieldFlag(*it));
    const std::pair<const char *, QLineEdit *> texts[] = {
        {"quitmsg", m_quitMsg}, {"channel", m_channel}, {"chatserver", m_chatServer}, {"chatserverport", m_port},
    };
    for (const auto &[name, field] : texts)
        if (const auto it = fields.find(QLatin1String(name)); it != fields.end())
            field->setText(*it);
}

} // namespace tavern
