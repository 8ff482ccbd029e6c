#include "common/programicon.h"

namespace ferry {

QIcon programIcon(const QString &program)
{
    return QIcon(QStringLiteral(":/icons/%1.png").arg(program));
}

} // namespace ferry
