#pragma once

// The state of the keyboard's Caps Lock, Num Lock and Scroll Lock, for the status
// bar indicators. Linux shows it on the keyboard LEDs, which the kernel lists under
// /sys/class/leds as "<device>::capslock", "::numlock" and "::scrolllock" with a
// "brightness" file (0 = off). A lock is on when any keyboard has its LED lit; where
// no such LED exists (no keyboard, a remote or virtual display) it reads as off.

#include <QString>

namespace ferry {

struct KeyLocks {
    bool caps = false;
    bool num = false;
    bool scroll = false;
    bool operator==(const KeyLocks &) const = default;
};

// Reads the locks from a folder laid out like /sys/class/leds.
KeyLocks readKeyLocks(const QString &ledsFolder);
// The locks of this machine now.
KeyLocks currentKeyLocks();

} // namespace ferry
