#pragma once

// The splash window each program shows while it starts. The programs once ran it
// on a thread of its own; Qt allows widgets only on the user-interface thread, so
// CSplashThread is a plain borderless window on that thread, shown at once and
// closed by the program with requestClose().

#include "common/dib.h"
#include "common/dibpalette.h"

#include <QPoint>
#include <QWidget>

#include <memory>

class CSplashThread : public QWidget {
    Q_OBJECT
public:
    // Resource ids of the control center's picture and of the status strip below it.
    static constexpr int ControlCenterPictureId = 174;
    static constexpr int ControlCenterStatusId = 187;
    static constexpr const char *ChatPictureFile = "tavern97.dat";

    // The chat client's splash: the picture file "tavern97.dat" in programDir.
    // Null when the picture cannot be loaded; nothing is shown then.
    static std::unique_ptr<CSplashThread> showChatSplash(const QString &programDir);
    // The control center's splash: picture and status strip from the resources,
    // draggable with the left mouse button. Null when a picture cannot be loaded.
    static std::unique_ptr<CSplashThread> showControlCenterSplash();

    // The picture, and when present the status strip below it.
    CSplashThread(const CDIB &picture, const CDIB *statusStrip, bool draggable);

    // Closes the window; the program asks for this once its main window is up.
    void requestClose();
    bool isClosed() const { return m_closed; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void showCentred();

    CDIB m_picture;
    CDIB m_statusStrip;
    bool m_hasStatusStrip = false;
    // Kept for palette-based displays; Qt draws the picture's own colours.
    CDIBPalette m_palette;
    bool m_draggable = false;
    bool m_dragging = false;
    QPoint m_dragOffset;
    bool m_closed = false;
};
