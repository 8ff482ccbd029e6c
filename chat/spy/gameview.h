#pragma once

// The game spy's form: mode, socket offset and the list of games on the left,
// the chosen game's details and its players on the right. It holds the listener,
// drives it from a 100 ms timer and shows what it reports. Every control carries
// its label as accessible name (the window dump and screen readers use it).

#include "chat/spy/spylistener.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace tavern {

class CGameView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 100;
    // Texts of the form.
    static constexpr const char *kWaiting = "Waiting....";
    static constexpr const char *kRangeMessage = "Please enter an integer between -100 and 100.";

    // OpenSpySocket runs here, with the socket given.
    explicit CGameView(std::unique_ptr<spy::ISpySocket> socket, QWidget *parent = nullptr);
    ~CGameView() override;

    // Checks "Descent II", shows offset 0, starts the timer and sends the broadcast.
    void OnInitialUpdate();

    spy::CSpyListener &listener() { return m_listener; }
    QTimer &pollTimer() { return m_timer; }

    // Controls (tests drive them as a user would).
    QRadioButton *descent1Radio() const { return m_descent1; }
    QRadioButton *descent2Radio() const { return m_descent2; }
    QLineEdit *socketEdit() const { return m_socket; }
    QToolButton *socketUp() const { return m_up; }
    QToolButton *socketDown() const { return m_down; }
    QListWidget *gameList() const { return m_games; }
    QListWidget *playerList() const { return m_players; }
    QPushButton *refreshButton() const { return m_refresh; }
    // A detail field by its label ("Game Name:", "Mission:", ... "IP Address:").
    QLineEdit *field(const QString &label) const;
    QCheckBox *shortPackets() const { return m_shortPackets; }

signals:
    // The socket failed: the window closes (the user has been told).
    void closeRequested();

private:
    void buildForm();
    void onModeChosen();
    void onSocketTextChanged(const QString &text);
    void stepSocket(int delta);
    void onGameSelected();
    void onPlayerSelected();
    void clearDetails();
    void clearPlayerDetails();
    void showGame(const spy::SpyGameFields &fields);
    void showPlayers(const QStringList &names);
    void showPlayer(const spy::SpyPlayerFields &fields);
    void onSocketFailed(const QString &text);

    spy::CSpyListener m_listener;
    QTimer m_timer;
    QRadioButton *m_descent1 = nullptr;
    QRadioButton *m_descent2 = nullptr;
    QLineEdit *m_socket = nullptr;
    QToolButton *m_up = nullptr;
    QToolButton *m_down = nullptr;
    QListWidget *m_games = nullptr;
    QPushButton *m_refresh = nullptr;
    QListWidget *m_players = nullptr;
    QCheckBox *m_shortPackets = nullptr;
    QList<QLineEdit *> m_fields;
    bool m_restoringOffset = false;
};

} // namespace tavern
