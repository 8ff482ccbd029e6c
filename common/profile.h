#pragma once

#include <QString>
#include <QStringList>

// A private profile (.ini) file read and written with the rules programs of the
// system have always relied on: section and key names match without regard to
// case, a missing entry gives the caller's default, writing creates the file and
// the section, and everything else in the file (comments, order) is kept.
// Every call reads the file anew, so two programs sharing it see each other's writes.
class PrivateProfile {
public:
    explicit PrivateProfile(const QString &path) : m_path(path) {}

    const QString &path() const { return m_path; }

    // The value, trimmed of surrounding blanks and of one pair of enclosing quotes.
    QString getString(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    // The leading decimal number of the value (0 when it has none); the default when the key is missing.
    int getInt(const QString &section, const QString &key, int defaultValue) const;

    // Writes key=value, creating the file and the section when needed. A null value removes the key.
    bool writeString(const QString &section, const QString &key, const QString &value);
    bool writeInt(const QString &section, const QString &key, int value)
    {
        return writeString(section, key, QString::number(value));
    }
    bool removeSection(const QString &section);

    QStringList sections() const;
    QStringList keys(const QString &section) const;

private:
    QStringList readLines() const;
    bool writeLines(const QStringList &lines) const;

    QString m_path;
};
