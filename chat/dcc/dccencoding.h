#pragma once

// Chat text on a direct connection is bytes: received lines are read as UTF-8 when
// they are valid UTF-8 and as Windows-1252 otherwise; we send UTF-8.

#include <QByteArray>
#include <QString>

namespace ferry::dcc {

QString DecodeChatBytes(const QByteArray &bytes);

} // namespace ferry::dcc
