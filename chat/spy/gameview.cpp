#include "chat/spy/gameview.h"

#include "platform/prompts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tavern {

namespace {

using spy::SpyMode;

// The labels of the detail fields, in the order of the form.
const char *const kGameLabels[] = {"Game Name:", "Mission:", "Mission Level:", "Difficulty:", "Game Mode:",
                                   "PPS:", "Current:", "Max:"};
const char *const kPlayerLabels[] = {"Rank:", "Kills:", "Deaths:", "Score:", "IP Address:"};

QLineEdit *readOnlyField(const QString &label, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setAccessibleName(label);
    return edit;
}

// What the "Socket:" edit holds: a number in range, a number out of range, or a
// text on its way to a number ("", "-", "+").
enum class OffsetEntry { Valid, OutOfRange, Unfinished };

OffsetEntry parseOffset(const QString &text, int *offset)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok) // the validator lets through only a sign and digits
        return OffsetEntry::Unfinished;
    if (n < spy::kMinSocketOffset || n > spy::kMaxSocketOffset)
        return OffsetEntry::OutOfRange;
    *offset = n;
    return OffsetEntry::Valid;
}

} // namespace

CGameView::CGameView(std::unique_ptr<spy::ISpySocket> socket, QWidget *parent)
    : QWidget(parent), m_listener(std::move(socket))
{
    buildForm();
    // The details of a game from the list left behind go with it.
    connect(&m_listener, &spy::CSpyListener::gameListCleared, this, [this] {
        m_games->clear();
        clearDetails();
    });
    connect(&m_listener, &spy::CSpyListener::gameAdded, m_games, [this](const QString &name) { m_games->addItem(name); });
    connect(&m_listener, &spy::CSpyListener::waitingForGame, this, [this] {
        clearDetails();
        field(QStringLiteral("Game Name:"))->setText(QString::fromLatin1(kWaiting));
    });
    connect(&m_listener, &spy::CSpyListener::gameShown, this, &CGameView::showGame);
    connect(&m_listener, &spy::CSpyListener::playersShown, this, &CGameView::showPlayers);
    connect(&m_listener, &spy::CSpyListener::playerShown, this, &CGameView::showPlayer);
    // Told once the window is up (the socket may fail while the view is being made).
    connect(&m_listener, &spy::CSpyListener::socketFailed, this, &CGameView::onSocketFailed, Qt::QueuedConnection);
    m_timer.setInterval(kTimerMs);
    connect(&m_timer, &QTimer::timeout, &m_listener, &spy::CSpyListener::PollSpySocket);
    m_listener.OpenSpySocket();
}

CGameView::~CGameView()
{
    m_timer.stop();
}

void CGameView::buildForm()
{
    // Left: the game type, the socket offset and the games.
    m_descent1 = new QRadioButton(QStringLiteral("Descent I"), this);
    m_descent2 = new QRadioButton(QStringLiteral("Descent II"), this);
    auto *modes = new QButtonGroup(this);
    modes->addButton(m_descent1);
    modes->addButton(m_descent2);
    m_descent2->setChecked(true);

    auto *socketLabel = new QLabel(QStringLiteral("Socket:"), this);
    m_socket = new QLineEdit(QStringLiteral("0"), this);
    m_socket->setAccessibleName(QStringLiteral("Socket:"));
    m_socket->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[+-]?\\d{0,6}")), m_socket));
    m_socket->setFixedWidth(44);
    socketLabel->setBuddy(m_socket);
    m_up = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_up->setAccessibleName(QStringLiteral("Socket up"));
    m_down = new QToolButton(this);
    m_down->setArrowType(Qt::DownArrow);
    m_down->setAccessibleName(QStringLiteral("Socket down"));
    for (QToolButton *b : {m_up, m_down}) {
        b->setFixedSize(16, 11);
        b->setAutoRepeat(true);
    }
    auto *spin = new QVBoxLayout;
    spin->setSpacing(0);
    spin->addWidget(m_up);
    spin->addWidget(m_down);
    auto *socketRow = new QHBoxLayout;
    socketRow->addWidget(socketLabel);
    socketRow->addWidget(m_socket);
    socketRow->addLayout(spin);
    socketRow->addStretch();

    m_games = new QListWidget(this);
    m_games->setAccessibleName(QStringLiteral("Games"));
    m_refresh = new QPushButton(QStringLiteral("&Refresh"), this);

    auto *left = new QVBoxLayout;
    left->setSpacing(3);
    left->addWidget(m_descent1);
    left->addWidget(m_descent2);
    left->addLayout(socketRow);
    left->addWidget(m_games, 1);
    left->addWidget(m_refresh);

    // Right: the chosen game, two fields a row where they are short.
    auto *game = new QGridLayout;
    game->setSpacing(3);
    const auto add = [this](QGridLayout *grid, const char *label, int row, int column, int span, QWidget *parent) {
        grid->addWidget(new QLabel(QString::fromLatin1(label), parent), row, column);
        QLineEdit *edit = readOnlyField(QString::fromLatin1(label), parent);
        m_fields << edit;
        grid->addWidget(edit, row, column + 1, 1, span);
    };
    add(game, kGameLabels[0], 0, 0, 3, this); // Game Name:
    add(game, kGameLabels[1], 1, 0, 3, this); // Mission:
    add(game, kGameLabels[2], 2, 0, 1, this); // Mission Level:
    add(game, kGameLabels[3], 2, 2, 1, this); // Difficulty:
    add(game, kGameLabels[4], 3, 0, 3, this); // Game Mode:
    m_shortPackets = new QCheckBox(QStringLiteral("Short Pkts"), this);
    m_shortPackets->setAttribute(Qt::WA_TransparentForMouseEvents); // shows, never edits
    m_shortPackets->setFocusPolicy(Qt::NoFocus);
    game->addWidget(m_shortPackets, 4, 0, 1, 2);
    add(game, kGameLabels[5], 4, 2, 1, this); // PPS:
    add(game, kGameLabels[6], 5, 0, 1, this); // Current:
    add(game, kGameLabels[7], 5, 2, 1, this); // Max:

    // Its players, and the one chosen.
    auto *playersBox = new QGroupBox(QStringLiteral("Players"), this);
    m_players = new QListWidget(playersBox);
    m_players->setAccessibleName(QStringLiteral("Players"));
    auto *player = new QGridLayout;
    player->setSpacing(3);
    for (int row = 0; row < int(std::size(kPlayerLabels)); ++row)
        add(player, kPlayerLabels[row], row, 0, 1, playersBox);
    auto *players = new QHBoxLayout(playersBox);
    players->setContentsMargins(6, 3, 6, 6);
    players->addWidget(m_players, 2);
    players->addLayout(player, 3);

    auto *right = new QVBoxLayout;
    right->setSpacing(3);
    right->addLayout(game);
    right->addWidget(playersBox, 1);

    auto *form = new QHBoxLayout(this);
    form->setContentsMargins(6, 6, 6, 6);
    form->addLayout(left, 1);
    form->addLayout(right, 2);

    connect(m_descent1, &QRadioButton::clicked, this, &CGameView::onModeChosen);
    connect(m_descent2, &QRadioButton::clicked, this, &CGameView::onModeChosen);
    connect(m_socket, &QLineEdit::textChanged, this, &CGameView::onSocketTextChanged);
    connect(m_up, &QToolButton::clicked, this, [this] { stepSocket(+1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepSocket(-1); });
    connect(m_refresh, &QPushButton::clicked, &m_listener, &spy::CSpyListener::SendGameRequest);
    connect(m_games, &QListWidget::itemSelectionChanged, this, &CGameView::onGameSelected);
    connect(m_players, &QListWidget::itemSelectionChanged, this, &CGameView::onPlayerSelected);
}

QLineEdit *CGameView::field(const QString &label) const
{
    for (QLineEdit *edit : m_fields)
        if (edit->accessibleName() == label)
            return edit;
    return nullptr;
}

void CGameView::OnInitialUpdate()
{
    m_descent2->setChecked(true);
    m_restoringOffset = true;
    m_socket->setText(QStringLiteral("0"));
    m_restoringOffset = false;
    m_timer.start();
    m_listener.SendGameRequest();
}

void CGameView::onModeChosen()
{
    const SpyMode mode = m_descent1->isChecked() ? SpyMode::Descent1 : SpyMode::Descent2;
    m_listener.ReopenSpySocket(mode, m_listener.SocketOffset());
}

// Every change of the offset that makes a number in range moves the socket; a
// number out of range is refused with the range message and the last good offset
// comes back; a sign alone or an empty field waits for more typing.
void CGameView::onSocketTextChanged(const QString &text)
{
    if (m_restoringOffset)
        return;
    int offset = 0;
    switch (parseOffset(text, &offset)) {
    case OffsetEntry::Valid:
        if (offset != m_listener.SocketOffset())
            m_listener.ReopenSpySocket(m_listener.Mode(), offset);
        return;
    case OffsetEntry::OutOfRange:
        ferry::prompts::warning(this, QStringLiteral("Tavern97"), QString::fromLatin1(kRangeMessage));
        m_restoringOffset = true;
        m_socket->setText(QString::number(m_listener.SocketOffset()));
        m_restoringOffset = false;
        return;
    case OffsetEntry::Unfinished:
        return;
    }
}

// The up arrow raises the offset by one, the down arrow lowers it; the edit's
// change then moves the socket. The arrows stop at the ends of the range.
void CGameView::stepSocket(int delta)
{
    const int offset = std::clamp(m_listener.SocketOffset() + delta, spy::kMinSocketOffset, spy::kMaxSocketOffset);
    if (offset != m_listener.SocketOffset())
        m_socket->setText(QString::number(offset));
}

void CGameView::onGameSelected()
{
    const QList<QListWidgetItem *> chosen = m_games->selectedItems();
    if (chosen.isEmpty())
        return;
    m_listener.SelectGame(chosen.first()->text());
}

void CGameView::onPlayerSelected()
{
    const QList<QListWidgetItem *> chosen = m_players->selectedItems();
    if (chosen.isEmpty())
        return;
    // A player without details (Descent II lists twelve, details cover eight) shows
    // empty fields, not those of the player shown before.
    clearPlayerDetails();
    m_listener.SelectPlayer(chosen.first()->text());
}

void CGameView::clearPlayerDetails()
{
    for (const char *label : kPlayerLabels)
        field(QString::fromLatin1(label))->clear();
}

void CGameView::clearDetails()
{
    for (QLineEdit *edit : std::as_const(m_fields))
        edit->clear();
    m_shortPackets->setChecked(false);
    const QSignalBlocker quiet(m_players);
    m_players->clear();
}

void CGameView::showGame(const spy::SpyGameFields &f)
{
    field(QStringLiteral("Game Name:"))->setText(f.name);
    field(QStringLiteral("Mission:"))->setText(f.mission);
    field(QStringLiteral("Mission Level:"))->setText(f.level);
    field(QStringLiteral("Difficulty:"))->setText(f.difficulty);
    field(QStringLiteral("Game Mode:"))->setText(f.mode);
    field(QStringLiteral("PPS:"))->setText(f.packetsPerSecond);
    field(QStringLiteral("Current:"))->setText(f.current);
    field(QStringLiteral("Max:"))->setText(f.maximum);
    m_shortPackets->setChecked(f.shortPackets);
}

// The player list anew, row 0 chosen and shown.
void CGameView::showPlayers(const QStringList &names)
{
    {
        const QSignalBlocker quiet(m_players);
        m_players->clear();
        m_players->addItems(names);
        if (!names.isEmpty())
            m_players->setCurrentRow(0);
    }
    clearPlayerDetails();
    if (!names.isEmpty())
        m_listener.SelectPlayer(names.first());
}

void CGameView::showPlayer(const spy::SpyPlayerFields &f)
{
    field(QStringLiteral("Rank:"))->setText(f.rank);
    field(QStringLiteral("Kills:"))->setText(f.kills);
    field(QStringLiteral("Deaths:"))->setText(f.deaths);
    field(QStringLiteral("Score:"))->setText(f.score);
    field(QStringLiteral("IP Address:"))->setText(f.address);
}

// The spy cannot work without its socket: the user is told and the window closes;
// the chat goes on.
void CGameView::onSocketFailed(const QString &text)
{
    m_timer.stop();
    ferry::prompts::error(this, QStringLiteral("Error"), text);
    emit closeRequested();
}

} // namespace tavern
