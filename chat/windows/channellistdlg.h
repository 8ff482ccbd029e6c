#pragma once

// The modeless "Channel List" dialog: the answer to "/list", one row per channel
// (channel, users, topic), with "Join Selected Channel" and "Close Channel List".

#include <QDialog>

#include <functional>

class QTreeWidget;

namespace tavern {

class CChannelListDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChannelListDlg(QWidget *parent = nullptr);

    // Replaces the rows by those of the list-reply lines.
    void FillChannelList(const QStringList &replyLines);
    QStringList rows() const;
    // Joins the channel of the selected row; nothing when no row is selected.
    void JoinSelected();
    QTreeWidget *list() const { return m_list; }

    // Runs "/join #channel" through the command interpreter.
    std::function<void(const QString &command)> runCommand;

private:
    QTreeWidget *m_list;
};

// One row "channel\tusers\ttopic" of a list-reply line: the fields are split at
// blanks, tabs, CR and LF; a fourth field starting with ':' makes the topic the whole
// rest of the line after it. Missing fields are empty.
QString ChannelListRow(const QString &replyLine);

} // namespace tavern
