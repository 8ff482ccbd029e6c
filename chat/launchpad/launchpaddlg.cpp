#include "chat/launchpad/launchpaddlg.h"

#include "chat/launchpad/gamescanner.h"
#include "chat/launchpad/programicon.h"
#include "platform/prompts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tavern {

namespace {

constexpr int kTitleLength = 1024;
const QString kErrorCaption = QStringLiteral("Error");
const QString kFindGamesCaption = QStringLiteral("Find Games");

// The search's small window: "Searching for New Games..." with its Cancel button.
class CSearchingDlg : public QDialog {
public:
    explicit CSearchingDlg(QWidget *parent) : QDialog(parent)
    {
        setWindowTitle(QStringLiteral("Launchpad"));
        setWindowModality(Qt::ApplicationModal);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("Searching for New Games..."), this));
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::rejected, this, [this] { m_onCancel(); });
    }
    std::function<void()> m_onCancel;

protected:
    // Closing the window is Cancel too; the window goes when the scan has stopped.
    void reject() override { m_onCancel(); }
};

} // namespace

const QString CLaunchpadDlg::kDuplicateTitleText =
    QStringLiteral("You cannot use the same title for more than one item. Please choose another!");
const QString CLaunchpadDlg::kNoSuchFileText = QStringLiteral("That file does not exist!");
const QString CLaunchpadDlg::kLaunchpadFullText =
    QStringLiteral("Unable to add, you already have the maximum items in your launchpad!");
const QString CLaunchpadDlg::kNoGamesFileText =
    QStringLiteral("Unable to open games.txt. We will not be able to automatically find games on your system.");

// ---- "Add New Launchpad Item"

CAddLaunchItemDlg::CAddLaunchItemDlg(QWidget *parent) : CheckedDialog(parent), m_title(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("Add New Launchpad Item"));
    m_title->setMaxLength(kTitleLength);
    auto *content = new QVBoxLayout;
    content->addWidget(new QLabel(QStringLiteral("Please Enter the Title of the new program:"), this));
    content->addWidget(m_title);
    setContentWithButtons(content);
    m_title->setFocus();
}

void CAddLaunchItemDlg::applyScript(const QString &text)
{
    m_title->setText(text.left(kTitleLength));
}

// ---- "Configure Launchpad"

CLaunchpadDlg::CLaunchpadDlg(CLaunchTable &table, const QString &programDir, QWidget *parent)
    : CheckedDialog(parent), m_table(table), m_programDir(programDir), m_scanRoots(SystemScanRoots),
      m_list(new QListWidget(this)), m_name(new QLineEdit(this)), m_file(new QLineEdit(this)),
      m_directory(new QLineEdit(this)), m_parameters(new QLineEdit(this)), m_icon(new QLabel(this)),
      m_selectIcon(new QPushButton(QStringLiteral("&Select New Icon"), this)),
      m_closeChat(new QCheckBox(QStringLiteral("&Close Chat when playing games"), this)),
      m_confirmLaunch(new QCheckBox(QStringLiteral("C&onfirm before launching?"), this))
{
    setWindowTitle(QStringLiteral("Configure Launchpad"));
    m_list->setMinimumWidth(180);
    m_icon->setFixedSize(36, 36);
    m_icon->setAlignment(Qt::AlignCenter);
    m_name->setMaxLength(kTitleLength);

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("Program Name"), m_name);
    fields->addRow(QStringLiteral("File Name"), m_file);
    fields->addRow(QStringLiteral("Program Directory"), m_directory);
    fields->addRow(QStringLiteral("Program Parameters"), m_parameters);
    auto *iconRow = new QHBoxLayout;
    iconRow->addWidget(m_icon);
    iconRow->addWidget(m_selectIcon);
    iconRow->addStretch();
    fields->addRow(iconRow);

    auto *add = new QPushButton(QStringLiteral("&Add"), this);
    auto *remove = new QPushButton(QStringLiteral("&Remove"), this);
    auto *find = new QPushButton(QStringLiteral("&Find..."), this);
    auto *look = new QPushButton(QStringLiteral("&Look for Games"), this);
    for (QPushButton *b : {m_selectIcon, add, remove, find, look})
        b->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {add, remove, find, look})
        buttons->addWidget(b);

    auto *right = new QVBoxLayout;
    right->addLayout(fields);
    right->addLayout(buttons);
    right->addWidget(m_closeChat);
    right->addWidget(m_confirmLaunch);
    right->addStretch();
    auto *content = new QHBoxLayout;
    content->addWidget(m_list);
    content->addLayout(right, 1);
    setContentWithButtons(content);
    ferry::chainTabOrder({m_list, m_name, m_file, m_directory, m_parameters, m_selectIcon, add, remove, find, look,
                          m_closeChat, m_confirmLaunch});

    connect(m_list, &QListWidget::currentRowChanged, this, [this] { LoadSelection(); });
    connect(m_name, &QLineEdit::editingFinished, this, &CLaunchpadDlg::OnTitleEdited);
    connect(m_file, &QLineEdit::editingFinished, this, &CLaunchpadDlg::OnFileNameEdited);
    connect(m_directory, &QLineEdit::editingFinished, this, &CLaunchpadDlg::OnDirectoryEdited);
    connect(m_selectIcon, &QPushButton::clicked, this, &CLaunchpadDlg::OnSelectNewIcon);
    connect(add, &QPushButton::clicked, this, &CLaunchpadDlg::OnAdd);
    connect(remove, &QPushButton::clicked, this, &CLaunchpadDlg::OnRemove);
    connect(find, &QPushButton::clicked, this, &CLaunchpadDlg::PickProgramFile);
    connect(look, &QPushButton::clicked, this, &CLaunchpadDlg::FindGames);
    // The flags change at once, not only on OK.
    connect(m_closeChat, &QCheckBox::toggled, this, [this](bool on) { m_table.CloseChat = on ? 1 : 0; });
    connect(m_confirmLaunch, &QCheckBox::toggled, this, [this](bool on) { m_table.ConfirmLaunch = on ? 1 : 0; });
    m_name->installEventFilter(this);
}

CLaunchpadDlg::~CLaunchpadDlg() = default;

void CLaunchpadDlg::LoadKnownGames()
{
    const auto games = ReadKnownGames(KnownGamesPath(m_programDir));
    m_games = games.value_or(QList<CKnownGame>());
    if (!games)
        ferry::prompts::message(parentWidget(), QString(), kNoGamesFileText, ferry::prompts::Buttons::Ok,
                                ferry::prompts::Icon::Error);
}

bool CLaunchpadDlg::Run()
{
    OnOpen();
    if (m_searchOnOpen) {
        // The questions of the search come over the dialog once it is up; a scripted
        // run has no dialog on the screen and searches at once.
        if (ferry::prompts::nonInteractive())
            FindGames();
        else
            QTimer::singleShot(0, this, &CLaunchpadDlg::FindGames);
    }
    return run();
}

bool CLaunchpadDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_name && event->type() == QEvent::FocusIn)
        m_titleOnEntry = m_name->text();
    return CheckedDialog::eventFilter(watched, event);
}

// ---- selection

int CLaunchpadDlg::rowOf(const QString &title) const
{
    for (int row = 0; row < m_list->count(); ++row)
        if (m_list->item(row)->text() == title)
            return row;
    return -1;
}

void CLaunchpadDlg::selectRow(int row)
{
    const QSignalBlocker quiet(m_list);
    m_list->setCurrentRow(row);
}

void CLaunchpadDlg::OnOpen()
{
    m_editing = -1;
    m_iconPath.clear();
    {
        const QSignalBlocker quiet(m_list);
        m_list->clear();
        m_list->addItems(m_table.Titles());
    }
    int row = 0;
    if (!m_preselect.isEmpty()) {
        row = std::max(0, rowOf(m_preselect));
        m_preselect.clear();
    }
    selectRow(m_list->count() > 0 ? row : -1);
    LoadSelection();
    const QSignalBlocker quietClose(m_closeChat);
    const QSignalBlocker quietConfirm(m_confirmLaunch);
    m_closeChat->setChecked(m_table.CloseChat != 0);
    m_confirmLaunch->setChecked(m_table.ConfirmLaunch != 0);
}

void CLaunchpadDlg::refuseDuplicateTitle()
{
    ferry::prompts::message(this, kErrorCaption, kDuplicateTitleText);
    m_name->setFocus();
}

// Stores the edits into the slot being edited; refused (and said so) when its title
// is another game's.
bool CLaunchpadDlg::storeEdits()
{
    if (m_editing < 0)
        return true;
    if (m_table.FindTitle(m_name->text(), m_editing) >= 0) {
        refuseDuplicateTitle();
        return false;
    }
    CLaunchSlot &slot = m_table.Slots[m_editing];
    slot.ProgramName = m_name->text();
    slot.FileName = m_file->text();
    slot.FilePath = m_directory->text();
    slot.FileParms = m_parameters->text();
    slot.FileIcon = m_iconPath;
    return true;
}

bool CLaunchpadDlg::LoadSelection()
{
    if (!storeEdits()) {
        // The list goes back to the game whose fields are still shown.
        selectRow(rowOf(m_table.Slots[m_editing].ProgramName));
        return false;
    }
    QListWidgetItem *item = m_list->currentItem();
    showSlot(item ? m_table.FindTitle(item->text()) : -1);
    return true;
}

void CLaunchpadDlg::showSlot(int slot)
{
    m_editing = slot;
    const CLaunchSlot shown = slot >= 0 ? m_table.Slots[slot] : CLaunchSlot();
    m_name->setText(shown.ProgramName);
    m_parameters->setText(shown.FileParms);
    m_directory->setText(shown.FilePath);
    m_file->setText(shown.FileName);
    m_iconPath = shown.FileIcon;
    if (slot >= 0)
        showIcon(m_iconPath);
    else
        m_icon->clear();
}

void CLaunchpadDlg::showIcon(const QString &path)
{
    m_icon->setPixmap(IconOrDefault(path).pixmap(32, 32));
}

// ---- the fields

void CLaunchpadDlg::OnTitleEdited()
{
    const QString title = m_name->text();
    if (m_table.FindTitle(title, m_editing) >= 0) {
        refuseDuplicateTitle();
        return;
    }
    if (QListWidgetItem *item = m_list->currentItem())
        item->setText(title);
    m_titleOnEntry = title;
}

void CLaunchpadDlg::OnFileNameEdited()
{
    if (m_file->text().isEmpty())
        return;
    CLaunchSlot probe;
    probe.FilePath = m_directory->text();
    probe.FileName = m_file->text();
    QFile file(probe.ProgramPath());
    if (!file.open(QIODevice::ReadOnly))
        ferry::prompts::warning(this, kErrorCaption, kNoSuchFileText);
}

void CLaunchpadDlg::OnDirectoryEdited()
{
    QString folder = m_directory->text();
    if (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(u'\\')))
        folder.chop(1);
    if (folder != m_directory->text())
        m_directory->setText(folder);
}

// ---- the buttons

void CLaunchpadDlg::OnAdd()
{
    const int slot = m_table.FirstEmptySlot();
    if (slot < 0) {
        ferry::prompts::message(this, kErrorCaption, kLaunchpadFullText);
        return;
    }
    CAddLaunchItemDlg ask(this);
    const QString title = ask.run() ? ask.title()->text() : QString();
    if (title.isEmpty()) {
        LoadSelection();
        if (m_list->count() > 0 && m_list->currentRow() != 0) {
            selectRow(0);
            LoadSelection();
        }
        return;
    }
    if (m_table.FindTitle(title) >= 0) {
        ferry::prompts::message(this, kErrorCaption, kDuplicateTitleText);
        return;
    }
    // Edits of the game shown before that were not stored yet are dropped.
    m_table.Slots[slot].Clear();
    m_table.Slots[slot].ProgramName = title;
    m_list->addItem(title);
    selectRow(m_list->count() - 1);
    showSlot(slot);
}

void CLaunchpadDlg::OnRemove()
{
    QListWidgetItem *item = m_list->currentItem();
    if (!item)
        return;
    {
        const QSignalBlocker quiet(m_list); // the game removed is the one being edited
        delete m_list->takeItem(m_list->row(item));
    }
    if (m_editing >= 0)
        m_table.Slots[m_editing].Clear();
    m_editing = -1;
    selectRow(m_list->count() > 0 ? 0 : -1);
    LoadSelection();
}

void CLaunchpadDlg::OnSelectNewIcon()
{
    if (m_editing < 0)
        return;
    const QString start = m_iconPath.isEmpty() ? NativeSeparators(m_directory->text()) : m_iconPath;
    const auto chosen = ferry::prompts::openFile(
        this, QStringLiteral("Open"), start,
        QStringLiteral("Files with Icons (*.exe *.dll *.ico *.png *.svg *.xpm *.desktop);;All files (*)"));
    if (!chosen || chosen->isEmpty())
        return;
    m_iconPath = *chosen;
    showIcon(m_iconPath);
}

QString CLaunchpadDlg::DefaultParameters(const QString &fileName)
{
    if (fileName == QLatin1String("war2.exe"))
        return QStringLiteral("pkt:8");
    if (fileName == QLatin1String("duke3d.exe"))
        return QStringLiteral("/f4");
    return QString();
}

void CLaunchpadDlg::PickProgramFile()
{
    if (!storeEdits())
        return;
    CLaunchSlot current;
    current.FilePath = m_directory->text();
    current.FileName = m_file->text();
    const QString start = current.FileName.isEmpty() ? NativeSeparators(current.FilePath) : current.ProgramPath();
    const auto chosen = ferry::prompts::openFile(this, QStringLiteral("Open"), start, QStringLiteral("All files (*)"));
    if (!chosen || chosen->isEmpty())
        return;
    QString folder, name;
    SplitPath(*chosen, folder, name);
    m_file->setText(name);
    m_directory->setText(folder);
    m_parameters->setText(DefaultParameters(name));
    m_iconPath = *chosen;
    showIcon(m_iconPath);
}

// ---- the search

void CLaunchpadDlg::FindGames()
{
    const CScanRoots roots = m_scanRoots ? m_scanRoots() : CScanRoots();
    for (const QString &root : roots.fixed) {
        const QString question = QStringLiteral("%1 %2 %3").arg(QStringLiteral("Do you want to scan drive"), root,
                                                                 QStringLiteral("for games?"));
        if (ferry::prompts::askYesNo(this, kFindGamesCaption, question))
            searchRoot(root);
    }
    // Games found into an empty list: show the first.
    if (m_list->currentRow() < 0 && m_list->count() > 0) {
        selectRow(0);
        LoadSelection();
    }
}

void CLaunchpadDlg::searchRoot(const QString &root)
{
    CGameScanner scanner;
    m_scanner = &scanner;
    CSearchingDlg searching(this);
    searching.m_onCancel = [this] { CancelSearch(); };
    QEventLoop wait;
    bool cancelled = false;
    connect(&scanner, &CGameScanner::gameFound, this, [this](const CFoundGame &found) {
        if (found.game < 0 || found.game >= m_games.size())
            return;
        const CKnownGame &game = m_games.at(found.game);
        const QString icon = game.icon.isEmpty() ? QString() : m_programDir + NativeSeparators(game.icon);
        AddFoundGame(found.program, game.title, icon, game.parameters);
    });
    connect(&scanner, &CGameScanner::finished, &wait, [&](const CScanStats &stats) {
        cancelled = stats.cancelled;
        wait.quit();
    });
    searching.show();
    emit searchStarted(root);
    scanner.Start(root, m_games);
    wait.exec();
    m_scanner = nullptr;
    searching.hide();
    emit searchEnded(root, cancelled);
}

void CLaunchpadDlg::CancelSearch()
{
    if (m_scanner)
        m_scanner->Cancel();
}

void CLaunchpadDlg::AddFoundGame(const QString &programPath, const QString &title, const QString &iconPath,
                                 const QString &parameters)
{
    const int slot = m_table.FirstEmptySlot();
    if (slot < 0 || title.isEmpty() || m_table.FindTitle(title) >= 0)
        return;
    CLaunchSlot &s = m_table.Slots[slot];
    s.ProgramName = title;
    SplitPath(programPath, s.FilePath, s.FileName);
    s.FileParms = parameters;
    s.FileIcon = iconPath.isEmpty() ? programPath : iconPath;
    m_list->addItem(title);
    LoadSelection();
}

// ---- OK and scripted answers

bool CLaunchpadDlg::checkFields()
{
    return storeEdits();
}

void CLaunchpadDlg::applyFields(const QHash<QString, QString> &fields)
{
    if (fields.contains(QStringLiteral("select"))) {
        const int row = rowOf(fields.value(QStringLiteral("select")));
        if (row >= 0) {
            m_list->setCurrentRow(row);
        }
    }
    const std::pair<const char *, QLineEdit *> edits[] = {
        {"programname", m_name}, {"filename", m_file}, {"filepath", m_directory}, {"fileparms", m_parameters}};
    for (const auto &[name, edit] : edits)
        if (fields.contains(QLatin1String(name)))
            edit->setText(fields.value(QLatin1String(name)));
    if (fields.contains(QStringLiteral("programname")))
        OnTitleEdited();
    if (fields.contains(QStringLiteral("fileicon")))
        m_iconPath = fields.value(QStringLiteral("fileicon"));
    if (fields.contains(QStringLiteral("closechat")))
        m_closeChat->setChecked(ferry::parseFieldFlag(fields.value(QStringLiteral("closechat"))));
    if (fields.contains(QStringLiteral("confirmlaunch")))
        m_confirmLaunch->setChecked(ferry::parseFieldFlag(fields.value(QStringLiteral("confirmlaunch"))));
}

} // namespace tavern
