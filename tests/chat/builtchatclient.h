#pragma once

// The built chat client run as a user runs it, for tests that see it from outside:
// its own prompt answers, typed-lines file and window dump, its windows read back
// through the dump request and its window logs from the data folder.

#include "platform/requests.h"
#include "tests/support/filebytes.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStringList>
#include <QTest>

#include <functional>
#include <memory>

// One window of a dump: its title, list items and lines ("colour<TAB>text").
struct DumpedWindow {
    QString title;
    QStringList users;
    QStringList lines;
    bool has(quint32 colour, const QString &text) const
    {
        return lines.contains(QStringLiteral("%1\t%2").arg(colour, 8, 16, QLatin1Char('0')).arg(text));
    }
    // Whether a line (whatever its colour) has this text.
    bool shows(const QString &text) const
    {
        for (const QString &line : lines)
            if (line.section(u'\t', 1) == text)
                return true;
        return false;
    }
};

class Dump {
public:
    QMap<QString, DumpedWindow> windows; // keyed by the lower-cased window name
    QStringList tabs;                    // "name<TAB>seen|unseen", left to right

    // Asks the running client for its windows and reads the file it writes.
    bool take(qint64 pid, const QString &path)
    {
        QFile::remove(path);
        if (!ferry::requests::sendRequest(pid, ferry::requests::Request::DumpWindows))
            return false;
        if (!QTest::qWaitFor([&] { return QFile::exists(path); }, 5000))
            return false;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        windows.clear();
        tabs.clear();
        QString current;
        for (const QString &record : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList f = record.split(u'\t');
            if (f.value(0) == QLatin1String("window")) {
                current = f.value(1).toLower(); // window names match without regard to case
                windows[current].title = f.value(2);
            } else if (f.value(0) == QLatin1String("user")) {
                windows[current].users << f.value(1);
            } else if (f.value(0) == QLatin1String("line")) {
                windows[current].lines << f.mid(1).join(u'\t');
            } else if (f.value(0) == QLatin1String("tab")) {
                tabs << f.mid(1).join(u'\t');
            }
        }
        return true;
    }
};

// Takes dumps until the check holds (the lines travel through the server first).
inline bool dumpUntil(Dump &dump, qint64 pid, const QString &path, const std::function<bool(const Dump &)> &check,
                      int ms = 15000)
{
    return QTest::qWaitFor([&] { return dump.take(pid, path) && check(dump); }, ms);
}

// The built client with its own prompt answers, typed-lines file and window dump,
// started in `dir` (which is also its working folder).
struct BuiltClient {
    QString folder;
    QString typed;
    QString dumpPath;
    QString logFolder; // the "logs" folder of the data folder
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    Dump dump;

    BuiltClient(const ferry::test::TestEnv &env, const QString &dir, const QStringList &answers,
                const QMap<QString, QString> &extraEnvironment = {})
        : folder(dir), typed(dir + QStringLiteral("/typed.txt")), dumpPath(dir + QStringLiteral("/windows.dump")),
          logFolder(env.home() + QStringLiteral("/logs"))
    {
        writeFileBytes(dir + QStringLiteral("/answers.txt"), answers.join(u'\n').toUtf8() + '\n');
        writeFileBytes(typed, QByteArray());
        QProcessEnvironment e = env.environment();
        e.insert(QStringLiteral("FERRY_PROMPTS"), dir + QStringLiteral("/answers.txt"));
        e.insert(QStringLiteral("FERRY_TYPED_LINES"), typed);
        e.insert(QStringLiteral("FERRY_WINDOW_DUMP"), dumpPath);
        for (auto it = extraEnvironment.begin(); it != extraEnvironment.end(); ++it)
            e.insert(it.key(), it.value());
        process->setProcessEnvironment(e);
        process->setWorkingDirectory(dir);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(ferry::test::TestEnv::program(QStringLiteral("tavern97")), {});
    }
    ~BuiltClient() { ferry::test::stopProcess(*process); }

    qint64 pid() const { return process->processId(); }
    bool type(const QString &line) { return writeFileBytes(typed, line.toUtf8() + '\n', QIODevice::Append); }
    // The lines of a window's log.
    QStringList log(const QString &window) const
    {
        return QString::fromUtf8(readFileBytes(logFolder + u'/' + window)).split(u'\n', Qt::SkipEmptyParts);
    }
    bool dumpUntil(const std::function<bool(const Dump &)> &check, int ms = 15000)
    {
        return ::dumpUntil(dump, pid(), dumpPath, check, ms);
    }
};
