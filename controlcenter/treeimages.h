#pragma once

// The pictures of the control center: its window icon and the server tree's
// image list, drawn in code (16 by 16 pixels, a few solid colours each).

#include <QIcon>
#include <QList>

namespace ferry::treeimages {

// Positions in the image list.
enum Index : int {
    ListRoot = 0,
    OpenListRoot = 1,
    Server = 2,
    Player = 3,
    Operator = 4,
    TaskGroup = 5,
};
inline constexpr int kSize = 16;

// Every image in the order of Index.
QList<QIcon> imageList();

} // namespace ferry::treeimages
