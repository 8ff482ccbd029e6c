#include "chat/windows/textfielddlg.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace tavern {

namespace {

constexpr int kKickReasonLength = 76;
constexpr int kAwayMessageLength = 50;

} // namespace

CTextFieldDlg::CTextFieldDlg(const QString &title, int maxLength, QWidget *parent)
    : CheckedDialog(parent), m_field(new QLineEdit(this))
{
    setWindowTitle(title);
    // Wide enough for the whole title beside the title bar's buttons.
    setMinimumWidth(fontMetrics().horizontalAdvance(title) + 120);
    m_field->setMaxLength(maxLength);
    auto *content = new QVBoxLayout;
    content->addWidget(m_field);
    setContentWithButtons(content);
    m_field->setFocus();
}

std::optional<QString> CTextFieldDlg::ask()
{
    if (!run())
        return std::nullopt;
    return m_field->text();
}

void CTextFieldDlg::applyScript(const QString &text)
{
    m_field->setText(text);
}

std::optional<QString> AskKickReason(QWidget *parent)
{
    CTextFieldDlg dlg(QStringLiteral("Enter the Reason for the Kick"), kKickReasonLength, parent);
    return dlg.ask();
}

std::optional<QString> AskAwayMessage(QWidget *parent)
{
    CTextFieldDlg dlg(QStringLiteral("Enter your away message"), kAwayMessageLength, parent);
    return dlg.ask();
}

} // namespace tavern
