// Fuzz target: a .reg file as anyone could hand it to `ferryreg import`, imported
// into an empty registry store; what it left there is exported, imported into a
// second empty store and exported again. The export must be read back whole (no
// refusal, no skipped line) and the second export must equal the first: whatever
// the parser accepted survives a round trip byte for byte.
//
// Input: the bytes of the file.

#include "platform/regfile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace ferry::reg;
    Store first(QStringLiteral(":memory:"));
    if (!first.isOpen())
        std::abort();
    if (!importRegData(first, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))).accepted)
        return 0;
    QByteArray exported;
    if (exportRegAll(first, exported) != ERROR_SUCCESS)
        std::abort();

    Store second(QStringLiteral(":memory:"));
    const ImportResult again = importRegData(second, exported);
    QByteArray reexported;
    if (!again.complete() || exportRegAll(second, reexported) != ERROR_SUCCESS || reexported != exported) {
        std::fprintf(stderr, "export does not survive a round trip:\n%s\n-- read back as --\n%s\n",
                     exported.constData(), reexported.constData());
        for (const LineError &e : again.errors)
            std::fprintf(stderr, "line %d: %s\n", e.line, qPrintable(e.message));
        std::abort();
    }
    return 0;
}

#include "fuzz/fuzzreplay.h"
