#pragma once

// Which chat colour setting a line from a direct connection is printed in. The
// window that shows the line maps the kind onto the user's colour settings.
enum class DccColour { Normal, Action, Status };
