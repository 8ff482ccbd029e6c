#pragma once

// The document of the game spy window. It holds no data of its own; it stands in
// the application's window map under its title while the window is open.

#include "chat/core/chatdocs.h"

namespace tavern {

class CDwatchDoc : public CChatDocBase {
    Q_OBJECT
public:
    static constexpr const char *kTitle = "Descent(tm) Network Game Spy";

    explicit CDwatchDoc(QObject *parent = nullptr)
        : CChatDocBase(Kind::Direct, QString::fromLatin1(kTitle), parent)
    {
    }
};

} // namespace tavern
