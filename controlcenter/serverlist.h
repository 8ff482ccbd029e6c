#pragma once

// The player's own server list in the registry (one string value per server:
// name = description, data = dotted address, optionally followed by ",preferred"),
// and the task-name translations the tree shows task groups under.

#include "controlcenter/servertreerecords.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

class QWidget;

namespace ferry::serverlist {

inline constexpr char kTasksKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Tasks";
inline constexpr char kPreferredSuffix[] = ",preferred";
inline constexpr char kLocalAddress[] = "local";

// One registry entry as a server: the text before the first comma must be a dotted
// address (kept in its normal form) or "local" in any case (kept as written); the
// server is preferred when the data contains "preferred". nullopt when unusable.
std::optional<CKServer> parseEntry(const QString &description, const QString &data);
// The data an entry is written with: "address" or "address,preferred".
QString entryData(const CKServer &server);

// Every usable entry in stored order. A missing key is an empty list; a key that
// cannot be opened otherwise is reported as unreadable settings. A value that
// cannot be read is reported in a "Debug" box and skipped.
QList<CKServer> readServers(QWidget *parent = nullptr);
// Writes every server (entries already stored stay); a failed write is reported.
bool writeServers(const QList<CKServer> &servers, QWidget *parent = nullptr);

// Task -> display name, keys lower-cased as tasks are. Empty unless the key holds
// at least two values.
QHash<QString, QString> readTaskNames();

} // namespace ferry::serverlist
