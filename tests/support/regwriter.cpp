// Test helper: writes COUNT double-word values NAME0..NAME<COUNT-1> (value = index)
// into one key of a registry file, each write its own transaction, the way two
// programs sharing the registry write their settings.
//
//   regwriter DBFILE KEYPATH NAME COUNT      exit 0 when every write succeeded

#include "platform/registrystore.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: regwriter DBFILE KEYPATH NAME COUNT\n");
        return 2;
    }
    ferry::reg::Store store(QString::fromLocal8Bit(argv[1]));
    if (!store.isOpen()) {
        std::fprintf(stderr, "regwriter: %s\n", qPrintable(store.lastMessage()));
        return 1;
    }
    qint64 key = 0;
    if (const int err = store.createKey(ferry::reg::Store::rootKey(HKEY_LOCAL_MACHINE), QString::fromLocal8Bit(argv[2]),
                                        QString(), key)) {
        std::fprintf(stderr, "regwriter: create key failed: %d\n", err);
        return 1;
    }
    const QString prefix = QString::fromLocal8Bit(argv[3]);
    const int count = std::atoi(argv[4]);
    for (int i = 0; i < count; ++i) {
        if (const int err = store.setValue(key, prefix + QString::number(i), REG_DWORD, ferry::reg::encodeDword(quint32(i)))) {
            std::fprintf(stderr, "regwriter: write %d failed: %d %s\n", i, err, qPrintable(store.lastMessage()));
            return 1;
        }
    }
    return 0;
}
