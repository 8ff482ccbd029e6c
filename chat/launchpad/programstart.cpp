#include "chat/launchpad/programstart.h"

#include "chat/launchpad/peimage.h"
#include "chat/launchpad/programicon.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace tavern {

namespace {

constexpr qint64 kMaxDesktopEntryBytes = 256 * 1024;

bool hasSuffix(const QString &path, const char *suffix)
{
    return QFileInfo(path).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

QString dosCommandTail(const QString &fileName, const QString &parameters)
{
    // A batch file run from DOSBox's start-up commands must be called, or it never returns.
    QString command = hasSuffix(fileName, "bat") ? QStringLiteral("CALL ") + fileName : fileName;
    if (!parameters.trimmed().isEmpty())
        command += u' ' + parameters.trimmed();
    return command;
}

} // namespace

ProgramKind ClassifyProgram(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return ProgramKind::Missing;
    if (hasSuffix(path, "desktop"))
        return ProgramKind::DesktopEntry;
    // Files from DOS and Windows drives often carry every execute bit: the header decides.
    switch (DetectExecutableFormat(FileBytes(path))) {
    case ExecutableFormat::Dos:
        return ProgramKind::Dos;
    case ExecutableFormat::Windows:
        return ProgramKind::Windows;
    case ExecutableFormat::NotMz:
        break;
    }
    if (hasSuffix(path, "com") || hasSuffix(path, "bat") || hasSuffix(path, "exe"))
        return ProgramKind::Dos;
    if (info.isExecutable())
        return ProgramKind::Executable;
    return ProgramKind::Document;
}

QStringList ShellWords(const QString &text)
{
    QStringList words;
    QString word;
    bool inWord = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == u'\\') {
            if (i + 1 < text.size())
                word += text.at(++i);
        } else if (c == u'\'') {
            const qsizetype close = text.indexOf(u'\'', i + 1);
            const qsizetype end = close < 0 ? text.size() : close;
            word += text.mid(i + 1, end - i - 1);
            i = end;
        } else if (c == u'"') {
            for (++i; i < text.size() && text.at(i) != u'"'; ++i) {
                const bool escape = text.at(i) == u'\\' && i + 1 < text.size()
                                    && QStringLiteral("$`\"\\").contains(text.at(i + 1));
                word += escape ? text.at(++i) : text.at(i);
            }
        } else {
            word += c;
        }
    }
    if (inWord)
        words << word;
    return words;
}

QStringList DesktopExecArguments(const QString &exec, const QString &entryPath)
{
    QStringList arguments;
    for (const QString &word : ShellWords(exec)) {
        QString out;
        bool dropped = false;
        for (qsizetype i = 0; i < word.size(); ++i) {
            if (word.at(i) != u'%' || i + 1 >= word.size()) {
                out += word.at(i);
                continue;
            }
            const QChar code = word.at(++i);
            if (code == u'%')
                out += u'%';
            else if (code == u'k')
                out += entryPath;
            else
                dropped = true; // files, addresses, icon, name: none are handed over here
        }
        if (!(dropped && out.isEmpty()))
            arguments << out;
    }
    return arguments;
}

QStringList DosBoxArguments(const QString &folder, const QString &fileName, const QString &parameters,
                            const CStartContext &context)
{
    QStringList arguments{QStringLiteral("-userconf")};
    if (!context.dosboxIpxConfig.isEmpty())
        arguments << QStringLiteral("-conf") << context.dosboxIpxConfig;
    const QString mountFolder = folder.isEmpty() ? QStringLiteral("/") : folder;
    arguments << QStringLiteral("-c") << QStringLiteral("mount c \"%1\"").arg(mountFolder)
              << QStringLiteral("-c") << QStringLiteral("c:");
    if (!context.ipxHost.isEmpty() && context.ipxPort != 0)
        arguments << QStringLiteral("-c")
                  << QStringLiteral("ipxnet connect %1 %2").arg(context.ipxHost).arg(context.ipxPort);
    arguments << QStringLiteral("-c") << dosCommandTail(fileName, parameters) << QStringLiteral("-c")
              << QStringLiteral("exit");
    return arguments;
}

CStartPlan PlanStart(const CLaunchSlot &slot, const CStartContext &context)
{
    CStartPlan plan;
    const QString path = slot.ProgramPath();
    const QString folder = NativeSeparators(slot.FilePath);
    plan.workingDirectory = folder.isEmpty() ? QStringLiteral("/") : folder;
    const QStringList parameters = ShellWords(slot.FileParms);
    const auto helper = [&](const char *name) {
        return context.findProgram ? context.findProgram(QLatin1String(name)) : QString();
    };

    switch (ClassifyProgram(path)) {
    case ProgramKind::Missing:
        plan.failure = QStringLiteral("%1 does not exist.").arg(path);
        break;
    case ProgramKind::DesktopEntry: {
        QFile file(path);
        QByteArray text;
        if (file.open(QIODevice::ReadOnly))
            text = file.read(kMaxDesktopEntryBytes);
        const QStringList command = DesktopExecArguments(DesktopEntryValue(text, QStringLiteral("Exec")), path);
        if (command.isEmpty()) {
            plan.failure = QStringLiteral("%1 has no command to run.").arg(path);
            break;
        }
        plan.program = command.first();
        plan.arguments = command.mid(1) + parameters;
        const QString entryFolder = DesktopEntryValue(text, QStringLiteral("Path"));
        if (!entryFolder.isEmpty())
            plan.workingDirectory = entryFolder;
        break;
    }
    case ProgramKind::Dos:
        plan.program = helper("dosbox");
        if (plan.program.isEmpty())
            plan.failure = QStringLiteral("it is a DOS program and DOSBox is not installed.");
        else
            plan.arguments = DosBoxArguments(folder, QFileInfo(path).fileName(), slot.FileParms, context);
        break;
    case ProgramKind::Windows:
        plan.program = helper("wine");
        if (plan.program.isEmpty())
            plan.failure = QStringLiteral("it is a Windows program and wine is not installed.");
        else
            plan.arguments = QStringList{path} + parameters;
        break;
    case ProgramKind::Executable:
        plan.program = QFileInfo(path).absoluteFilePath();
        plan.arguments = parameters;
        break;
    case ProgramKind::Document:
        plan.openPath = QFileInfo(path).absoluteFilePath();
        break;
    }
    if (!plan.failure.isEmpty()) {
        plan.program.clear();
        plan.arguments.clear();
    }
    return plan;
}

QString StartPlanned(const CStartPlan &plan, qint64 *pid)
{
    if (pid)
        *pid = 0;
    if (!plan.failure.isEmpty())
        return plan.failure;
    if (!plan.openPath.isEmpty()) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(plan.openPath))
                   ? QString() : QStringLiteral("no application opens %1.").arg(plan.openPath);
    }
    if (!QProcess::startDetached(plan.program, plan.arguments, plan.workingDirectory, pid))
        return QStringLiteral("%1 could not be started.").arg(plan.program);
    return QString();
}

} // namespace tavern
