#pragma once

// Included at the end of every fuzz target. Without libFuzzer (FERRY_FUZZ_REPLAY)
// the target is a replay driver: it runs the files named on its command line (a
// corpus) once each.

#ifdef FERRY_FUZZ_REPLAY
#include <QCoreApplication>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        QFile file(QString::fromLocal8Bit(argv[i]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        const QByteArray bytes = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()));
        ++replayed;
    }
    std::printf("replayed %d inputs\n", replayed);
    return 0;
}
#endif
