#pragma once

// "Configure Launchpad": the list of configured games with the fields of the selected
// one, adding and removing games, picking a program file or icon by hand, and the
// search for known games. It edits the slot table in place; its owner saves the
// table on OK and reloads it from the registry on Cancel.
//
// Scripted answers (FERRY_PROMPTS "text:...") set fields of the selected game:
// Select=<title> first selects that game; ProgramName, FileName, FilePath, FileParms,
// FileIcon set its fields; CloseChat and ConfirmLaunch (1/0) the two check boxes.

#include "chat/launchpad/knowngames.h"
#include "chat/launchpad/launchslots.h"
#include "chat/launchpad/scanroots.h"
#include "platform/checkeddialog.h"

#include <QString>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tavern {

class CGameScanner;

// "Add New Launchpad Item": asks for the title of a new game.
class CAddLaunchItemDlg : public ferry::CheckedDialog {
    Q_OBJECT
public:
    explicit CAddLaunchItemDlg(QWidget *parent = nullptr);
    QLineEdit *title() const { return m_title; }
    void applyScript(const QString &text) override;

private:
    QLineEdit *m_title;
};

class CLaunchpadDlg : public ferry::CheckedDialog {
    Q_OBJECT
public:
    static const QString kDuplicateTitleText;
    static const QString kNoSuchFileText;
    static const QString kLaunchpadFullText;
    static const QString kNoGamesFileText;

    CLaunchpadDlg(CLaunchTable &table, const QString &programDir, QWidget *parent = nullptr);
    ~CLaunchpadDlg() override;

    // Reads the known games ("games.txt"); says so once when there is no such file.
    void LoadKnownGames();
    void SetKnownGames(const QList<CKnownGame> &games) { m_games = games; }
    const QList<CKnownGame> &KnownGames() const { return m_games; }
    // Where the search looks; the machine's mounted file systems unless replaced (tests).
    void SetScanRoots(std::function<CScanRoots()> roots) { m_scanRoots = std::move(roots); }

    // The title to select when the dialog next opens.
    void SetPreselect(const QString &title) { m_preselect = title; }
    // Whether opening the dialog starts the search for games (first start).
    void SetSearchOnOpen(bool on) { m_searchOnOpen = on; }

    // Opens the dialog and runs it modally; true when it ended with OK.
    bool Run();

    // The steps of the dialog, as its controls run them.
    void OnOpen();
    bool LoadSelection();
    void OnTitleEdited();
    void OnFileNameEdited();
    void OnDirectoryEdited();
    void OnAdd();
    void OnRemove();
    void OnSelectNewIcon();
    void PickProgramFile();
    void FindGames();
    void AddFoundGame(const QString &programPath, const QString &title, const QString &iconPath,
                      const QString &parameters);
    // The search dialog's Cancel: ends the scan of the folder being searched.
    void CancelSearch();

    // The parameters a few games need when their program is picked by hand.
    static QString DefaultParameters(const QString &fileName);

    int EditedSlot() const { return m_editing; }
    QString IconPath() const { return m_iconPath; }
    QListWidget *titles() const { return m_list; }
    QLineEdit *programName() const { return m_name; }
    QLineEdit *fileName() const { return m_file; }
    QLineEdit *programDirectory() const { return m_directory; }
    QLineEdit *programParameters() const { return m_parameters; }
    QLabel *iconPicture() const { return m_icon; }
    QCheckBox *closeChat() const { return m_closeChat; }
    QCheckBox *confirmLaunch() const { return m_confirmLaunch; }

signals:
    // The search dialog is up and the folder's scan about to begin.
    void searchStarted(const QString &root);
    // The scan of a folder ended (found games added); cancelled when Cancel ended it.
    void searchEnded(const QString &root, bool cancelled);

protected:
    bool checkFields() override;
    void applyFields(const QHash<QString, QString> &fields) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool storeEdits();
    void showSlot(int slot);
    void showIcon(const QString &path);
    void selectRow(int row);
    int rowOf(const QString &title) const;
    void refuseDuplicateTitle();
    void searchRoot(const QString &root);

    CLaunchTable &m_table;
    QString m_programDir;
    QList<CKnownGame> m_games;
    std::function<CScanRoots()> m_scanRoots;
    QString m_preselect;
    bool m_searchOnOpen = false;
    int m_editing = -1;   // the slot whose fields the edits show
    QString m_iconPath;
    QString m_titleOnEntry;
    CGameScanner *m_scanner = nullptr;

    QListWidget *m_list;
    QLineEdit *m_name;
    QLineEdit *m_file;
    QLineEdit *m_directory;
    QLineEdit *m_parameters;
    QLabel *m_icon;
    QPushButton *m_selectIcon;
    QCheckBox *m_closeChat;
    QCheckBox *m_confirmLaunch;
};

} // namespace tavern
