#include "controlcenter/ipxnotbounddialog.h"

#include "platform/launcher.h"
#include "platform/prompts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ferry {
namespace {
const QString kTitle = QStringLiteral("IPX Protocol Not Bound");
}

QList<QStringList> IpxNotBoundDialog::networkSettingsTools()
{
    return {
        {QStringLiteral("nm-connection-editor")},
        {QStringLiteral("gnome-control-center"), QStringLiteral("network")},
        {QStringLiteral("systemsettings"), QStringLiteral("kcm_networkmanagement")},
        {QStringLiteral("kcmshell6"), QStringLiteral("kcm_networkmanagement")},
        {QStringLiteral("kcmshell5"), QStringLiteral("kcm_networkmanagement")},
        {QStringLiteral("cinnamon-settings"), QStringLiteral("network")},
    };
}

IpxNotBoundDialog::IpxNotBoundDialog(QWidget *parent, const QList<QStringList> &tools)
    : QDialog(parent), m_tools(tools)
{
    setWindowTitle(kTitle);
    auto *text = new QLabel(QStringLiteral("The IPX protocol is not bound to your dial-up adapter, so games "
                                           "cannot use the tunnel. Do you want to open the network settings now?"),
                            this);
    text->setWordWrap(true);
    text->setTextFormat(Qt::PlainText);

    m_yes = new QPushButton(QStringLiteral("&Yes"), this);
    m_no = new QPushButton(QStringLiteral("&No"), this);
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->hide();
    m_yes->setDefault(true);
    connect(m_yes, &QPushButton::clicked, this, &IpxNotBoundDialog::onYes);
    connect(m_no, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_yes);
    buttons->addWidget(m_no);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(buttons);
    // The wrapped text alone would make the dialog too narrow for its whole title
    // (the room beside it is for the title bar's icon and buttons).
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 120);
}

QString IpxNotBoundDialog::onYes()
{
    QString started;
    for (const QStringList &tool : m_tools) {
        if (tool.isEmpty() || launcher::findProgram(tool.first()).isEmpty())
            continue;
        if (launcher::startProgram(tool.first(), tool.mid(1))) {
            started = tool.first();
            break;
        }
    }
    m_yes->hide();
    m_no->hide();
    m_close->show();
    m_close->setDefault(true);
    if (started.isEmpty())
        prompts::information(this, kTitle,
                             QStringLiteral("No network settings tool was found on this computer. "
                                            "Please open your desktop's network settings yourself."));
    return started;
}

} // namespace ferry
