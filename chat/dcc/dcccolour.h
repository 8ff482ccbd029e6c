#pragma once

// Which chat colour setting a line from a direct connection is printed in. The
// window that shows the line maps the kind onto the user's colour settings.

#include "chat/core/chatsettings.h"

enum class DccColour { Normal, Action, Status };

inline ChatColour SettingColour(const CChatSettings &settings, DccColour colour)
{
    switch (colour) {
    case DccColour::Action:
        return settings.Action;
    case DccColour::Status:
        return settings.Status;
    case DccColour::Normal:
        break;
    }
    return settings.Normal;
}
