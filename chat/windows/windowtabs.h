#pragma once

// The tab bar above the chat windows: one tab per open window, named like it.
// Names match without regard to case; with two tabs of the same name the first wins.
// A tab whose window has lines the user has not seen is drawn in red until selected.

#include <QTabBar>

#include <functional>

namespace tavern {

class CWindowTabBar : public QTabBar {
    Q_OBJECT
public:
    static constexpr int kHeight = 25;

    explicit CWindowTabBar(QWidget *parent = nullptr);

    // Appends a tab with the name and selects it (unless select is false).
    void AddWindowTab(const QString &name, bool select = true);
    // Deletes the first tab whose text equals the name (case ignored).
    void RemoveWindowTab(const QString &name);
    // Selects the first tab whose text equals the name (case ignored), without
    // reporting it as the user's choice.
    void SelectWindowTab(const QString &name);
    // The text of the selected tab, at most 300 characters.
    QString GetSelectedTabText() const;
    int findWindowTab(const QString &name) const;

    // Redraws every tab in red or the normal colour as the predicate says.
    void RepaintActivity(const std::function<bool(const QString &name)> &hasUnseenLines);
    // Redraws the one tab of that name (the selected tab is never red).
    void RepaintTab(const QString &name, bool unseen);

signals:
    // The user chose the tab.
    void windowTabChosen(const QString &name);
    // The user clicked the tab with the middle button: close its window.
    void windowTabCloseRequested(const QString &name);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_selecting = false;
};

} // namespace tavern
