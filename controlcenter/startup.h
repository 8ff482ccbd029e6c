#pragma once

// The control center as a whole: start-up in its fixed order, the main dialog,
// and the end. Returns the program's exit code.

namespace ferry {

int runControlCenter();

} // namespace ferry
