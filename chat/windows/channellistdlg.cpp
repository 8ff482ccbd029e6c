#include "chat/windows/channellistdlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QTreeWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavern {

namespace {

bool isSeparator(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

QString ChannelListRow(const QString &replyLine)
{
    // Walk the fields by position so the topic can take the rest of the line as it stands.
    QString fields[4];
    qsizetype pos = 0;
    const qsizetype n = replyLine.size();
    for (int field = 0; field < 4; ++field) {
        while (pos < n && isSeparator(replyLine[pos]))
            ++pos;
        if (pos >= n)
            break;
        if (field == 3 && replyLine[pos] == u':') {
            fields[3] = replyLine.mid(pos + 1);
            break;
        }
        const qsizetype start = pos;
        while (pos < n && !isSeparator(replyLine[pos]))
            ++pos;
        fields[field] = replyLine.mid(start, pos - start);
    }
    return QStringLiteral("%1\t%2\t%3").arg(fields[1], fields[2], fields[3]);
}

CChannelListDlg::CChannelListDlg(QWidget *parent) : QDialog(parent), m_list(new QTreeWidget(this))
{
    setWindowTitle(QStringLiteral("Channel List"));
    setModal(false);
    m_list->setHeaderLabels({QStringLiteral("Channel"), QStringLiteral("Users"), QStringLiteral("Topic")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setStretchLastSection(true);

    auto *join = new QPushButton(QStringLiteral("Join Selected Channel"), this);
    auto *close = new QPushButton(QStringLiteral("Close Channel List"), this);
    close->setDefault(true);
    connect(join, &QPushButton::clicked, this, &CChannelListDlg::JoinSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(join);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(480, 320);
}

void CChannelListDlg::FillChannelList(const QStringList &replyLines)
{
    m_list->clear();
    for (const QString &line : replyLines)
        m_list->addTopLevelItem(new QTreeWidgetItem(ChannelListRow(line).split(u'\t')));
}

QStringList CChannelListDlg::rows() const
{
    QStringList out;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_list->topLevelItem(i);
        out << QStringLiteral("%1\t%2\t%3").arg(item->text(0), item->text(1), item->text(2));
    }
    return out;
}

void CChannelListDlg::JoinSelected()
{
    QTreeWidgetItem *item = m_list->currentItem();
    if (!item || !item->isSelected() || !runCommand)
        return;
    runCommand(QStringLiteral("/join %1").arg(item->text(0)));
}

} // namespace tavern
