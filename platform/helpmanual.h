#pragma once

// Help that works offline: the network's manual when its address answers, else
// the short manual shipped beside the programs ("manual.html").

#include <QString>

#include <functional>

namespace ferry::help {

inline constexpr int kReachTimeoutMs = 3000;

// The shipped manual: "manual.html" beside the running program; empty when missing.
QString localManualPath();

// Asks the address (a HEAD request, at most kReachTimeoutMs) and opens it in the
// desktop's browser when it answers, else the shipped manual. `opened` gets what
// was opened (empty when nothing could be). Returns at once.
void openManual(const QString &onlineUrl, std::function<void(const QString &opened)> opened = {});

} // namespace ferry::help
