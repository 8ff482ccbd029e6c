#pragma once

// Cuts the byte stream from the chat server into lines. A line ends at a carriage
// return or a line feed; the character after a line end is not examined, so that a
// CR LF pair ends one line. Every cut line is trimmed of blanks, tabs, CR and LF at
// both ends and handed on, empty ones too. The tail after the last line end waits
// for the next chunk.
//
// A server may send anything, so both what one line and what all waiting lines may
// take is bounded: a line is cut at kMaxLine bytes (the rest of it, up to its line
// end, is dropped), and bytes that arrive while more than kMaxPending wait are
// dropped up to the next line end.

#include <QByteArray>

#include <functional>

class CLineCutter {
public:
    static constexpr qsizetype kMaxLine = 8191;
    static constexpr qsizetype kMaxPending = 1024 * 1024;

    void Append(const QByteArray &chunk);

    // Cuts every complete line of the pending bytes present at the call and passes it
    // to sink. Bytes appended while sink runs stay pending for the next call.
    void Cut(const std::function<void(const QByteArray &)> &sink);

    const QByteArray &Pending() const { return m_pending; }
    void Clear();

private:
    QByteArray m_pending;
    bool m_skipping = false; // dropping the rest of a line up to its line end
};
