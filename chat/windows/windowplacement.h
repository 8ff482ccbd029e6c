#pragma once

// Window placement kept in "tavern97.ini": one section per window kind ("ChatWnd"
// for channel windows, "PrivWnd" for the Server and private windows, "ParentWnd"
// for the main frame). The last window of a kind to close writes the section, so
// the next one opens where that one was.

#include <QRect>
#include <QString>

class PrivateProfile;
class QWidget;

namespace tavern {

struct PlacementSection {
    const char *name;
    int top, bottom, left, right; // defaults when the keys are missing
};

inline constexpr PlacementSection kChatWndPlacement{"ChatWnd", 0, 162, 0, 511};
inline constexpr PlacementSection kPrivWndPlacement{"PrivWnd", 162, 324, 0, 511};
inline constexpr PlacementSection kParentWndPlacement{"ParentWnd", 0, 470, 0, 636};

struct StoredPlacement {
    QRect rect;              // left/top with width Right-Left and height Bottom-Top
    bool minimized = false;  // default "FALSE"
    bool maximized = true;   // default "TRUE": a fresh installation opens chat windows maximized
};

// The profile file in the data folder.
QString placementFile();

StoredPlacement ReadPlacement(const PrivateProfile &ini, const PlacementSection &section);

// Child windows: writes "Minimized" and "Maximized" always; the rectangle only when
// the window is neither, so a minimized or maximized window keeps the earlier one.
void WriteChildPlacement(PrivateProfile &ini, const PlacementSection &section, const QRect &rect,
                         bool minimized, bool maximized);
// Moves a child window to the section's stored rectangle and shows it minimized,
// maximized or normal as stored. Call after the window joined its window area.
void ShowAsPlaced(QWidget &window, const PlacementSection &section);

// The main frame: "Left" and "Top" are where its frame (title bar included) begins,
// "Right" - "Left" and "Bottom" - "Top" the size of the window inside the frame.
// Without a stored placement the window manager places it (beside the control
// center rather than over it); a stored one whose title bar would be off every
// screen is moved onto the primary screen, and a size larger than that screen shrinks.
void PlaceMainWindow(QWidget &window, const PrivateProfile &ini);
void WriteMainWindowPlacement(PrivateProfile &ini, const QWidget &window);
// Whether a grip of the title bar of a frame whose top-left corner is at topLeft
// and that is width wide lies on one of the screens.
bool TitleBarOnScreen(const QPoint &topLeft, int width);

// Writes "Top", "Bottom", "Left", "Right" in that order.
void WriteRect(PrivateProfile &ini, const PlacementSection &section, const QRect &rect);

} // namespace tavern
