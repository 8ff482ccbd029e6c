#pragma once

// The game spy window in the main frame's window area: the child frame that holds
// the spy's document and form. It places itself at the area's top left corner,
// 510 by 370 pixels, and leaves the window list and tabs when it closes (by the
// user, by the menu entry, or because the spy's socket failed).

#include "chat/spy/dwatchdoc.h"
#include "chat/spy/gameview.h"

#include <QMdiSubWindow>

#include <functional>

namespace tavern {

class CDspyFrm : public QMdiSubWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 510;
    static constexpr int kHeight = 370;

    // The frame owns the document and the view.
    CDspyFrm(CDwatchDoc *doc, CGameView *view, QWidget *parent = nullptr);
    ~CDspyFrm() override;

    CDwatchDoc *GetDocument() const { return m_doc; }
    CGameView *view() const { return m_view; }

    // Called once when the window goes (before the document does).
    std::function<void(CDwatchDoc *)> onClosing;

    // Moves the frame to the top left corner with its fixed size (once placed).
    void PlaceAtOrigin();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void closing();

    CDwatchDoc *m_doc;
    CGameView *m_view;
    bool m_closing = false;
};

} // namespace tavern
