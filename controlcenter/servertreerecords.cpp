#include "controlcenter/servertreerecords.h"

#include <QStringDecoder>

namespace ferry {

QString networkText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows1252("Windows-1252");
    return windows1252.isValid() ? windows1252(bytes) : QString::fromLatin1(bytes);
}

} // namespace ferry
