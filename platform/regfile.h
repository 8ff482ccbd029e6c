#pragma once

// Registration files (.reg): the text formats that begin with "REGEDIT4" or
// "Windows Registry Editor Version 5.00".
//
// Reading accepts UTF-8 (with or without a byte-order mark), UTF-16LE with its
// mark (as version 5 files are usually written) and, for text that is not valid
// UTF-8, Windows-1252. In version 5 files hex(1), hex(2) and hex(7) data are
// UTF-16LE and are stored as UTF-8; in REGEDIT4 files they are 8-bit text.
//
// Key names are taken byte for byte between the brackets: blanks at the start or
// end of a key's name belong to it. A key nested deeper than kMaxKeyDepth levels
// below its root (the limit of the system these files come from) is a malformed line.
//
// A file is parsed completely before anything is written, and then applied in
// one transaction. A malformed line is reported with its number and skipped; a
// file without the header, that is not text, or that is cut off (it ends inside
// a continued value, or its last line is malformed and has no line end) is
// refused as a whole and nothing of it is written.
//
// Writing produces "Windows Registry Editor Version 5.00" text in UTF-8 with CRLF
// line ends: strings as "..." (hex(1) when they hold line breaks or NULs),
// double words as dword:, string lists and expandable strings as UTF-16LE
// hex(7)/hex(2) like the system writes them, anything else as hex(N). It reads
// back to identical values (string data that is not valid UTF-8 is the one
// exception: its invalid bytes come back as U+FFFD).

#include "platform/registrystore.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace ferry::reg {

inline constexpr int kMaxKeyDepth = 512;

struct LineError {
    int line = 0;
    QString message;
};

// One change a file asks for.
struct Statement {
    enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = CreateKey;
    int line = 0;
    HKEY root = HKEY_LOCAL_MACHINE;
    QString path;          // below the root
    QString name;          // value name; empty for the default value
    quint32 type = REG_NONE;
    QByteArray data;
};

struct Document {
    bool accepted = false;   // false: refused as a whole, see refusal
    QString refusal;
    QList<Statement> statements;
    QList<LineError> errors;
};

// Parses a whole file; writes nothing.
Document parseRegFile(const QByteArray &bytes);

// Applies statements in one transaction; a storage failure rolls all of them back.
// Deleting a key or value that does not exist is not a failure.
int applyStatements(Store &store, const QList<Statement> &statements);

struct ImportResult {
    bool accepted = false;   // the file was read and its good lines written
    QString refusal;         // why not, when not accepted
    int code = ERROR_SUCCESS;
    QList<LineError> errors; // lines that were skipped
    bool complete() const { return accepted && errors.isEmpty(); }
};

ImportResult importRegData(Store &store, const QByteArray &bytes);
ImportResult importRegFile(Store &store, const QString &fileName);

// The key (with all values and sub keys below it) as file text.
int exportRegKeyById(Store &store, qint64 key, QByteArray &out);
int exportRegKey(Store &store, HKEY root, const QString &path, QByteArray &out);
// Every root that holds anything.
int exportRegAll(Store &store, QByteArray &out);

} // namespace ferry::reg
