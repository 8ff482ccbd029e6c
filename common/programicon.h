#pragma once

// The program icons drawn at build time: "tavern97" (the chat client) and
// "ferrycc" (the control center). Set as the application's window icon, they show
// on every window and dialog of the program instead of the toolkit's own.

#include <QIcon>
#include <QString>

namespace ferry {

QIcon programIcon(const QString &program);

} // namespace ferry
