#pragma once

#include <QColor>

namespace tavern {

// Colours are kept as 32-bit values 0x00BBGGRR. A top byte of 0x02 marks a
// palette-relative colour; on a true-colour display that is the colour itself,
// so the top byte is ignored when converting.
inline QColor colorFromRef(quint32 ref)
{
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}

// The 0x00BBGGRR value of a colour the user picked (an exact colour, top byte 0).
inline quint32 colorRefFrom(const QColor &colour)
{
    return quint32(colour.red()) | quint32(colour.green()) << 8 | quint32(colour.blue()) << 16;
}

} // namespace tavern
