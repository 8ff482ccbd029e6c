// ferryreg: imports registration (.reg) files into the registry and exports keys as such files.
//
//   ferryreg import FILE     exit 0: every line imported; 1: the file was imported but
//                            some lines were malformed and skipped (each reported on
//                            stderr with its line number); 2: nothing was imported
//   ferryreg export [KEY]    KEY and its subtree (everything without KEY) to standard
//                            output as UTF-8 "Windows Registry Editor Version 5.00" text;
//                            exit 2 when the key does not exist
//
// The registry is registry.db in the data folder ($FERRY_HOME when set).

#include "platform/regfile.h"
#include "platform/registrystore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

using namespace ferry::reg;

namespace {

constexpr int kPartial = 1;
constexpr int kFailed = 2;

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usage()
{
    err() << "usage: ferryreg import FILE\n       ferryreg export [KEY]\n";
    err().flush();
    return kFailed;
}

int fail(const QString &message)
{
    err() << "ferryreg: " << message << "\n";
    err().flush();
    return kFailed;
}

int runImport(Store &store, const QString &file)
{
    const ImportResult result = importRegFile(store, file);
    for (const LineError &e : result.errors)
        err() << file << ":" << e.line << ": " << e.message << "\n";
    err().flush();
    if (!result.accepted)
        return fail(QStringLiteral("%1 not imported: %2").arg(file, result.refusal));
    if (!result.errors.isEmpty()) {
        fail(QStringLiteral("%1: %2 line(s) skipped, the rest imported").arg(file).arg(result.errors.size()));
        return kPartial;
    }
    return 0;
}

int runExport(Store &store, const QStringList &args)
{
    QByteArray text;
    int code = ERROR_SUCCESS;
    if (args.isEmpty()) {
        code = exportRegAll(store, text);
    } else {
        HKEY root = HKEY_LOCAL_MACHINE;
        QString path;
        if (!splitFullPath(args.first(), root, path))
            return fail(QStringLiteral("unknown root key in \"%1\"").arg(args.first()));
        code = exportRegKey(store, root, path, text);
        if (code == ERROR_FILE_NOT_FOUND)
            return fail(QStringLiteral("key not found: %1").arg(args.first()));
    }
    if (code != ERROR_SUCCESS)
        return fail(QStringLiteral("cannot read the registry (error %1): %2").arg(code).arg(store.lastMessage()));
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly) || out.write(text) != text.size() || !out.flush())
        return fail(QStringLiteral("cannot write to standard output"));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString command = args.first();
    if ((command == QLatin1String("import") && args.size() != 2)
        || (command == QLatin1String("export") && args.size() > 2)
        || (command != QLatin1String("import") && command != QLatin1String("export")))
        return usage();

    const std::shared_ptr<Store> store = defaultStore();
    if (!store->isOpen())
        return fail(QStringLiteral("cannot open the registry %1: %2").arg(store->path(), store->lastMessage()));
    return command == QLatin1String("import") ? runImport(*store, args[1]) : runExport(*store, args.mid(1));
}
