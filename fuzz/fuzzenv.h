#pragma once

// Set up once per fuzz process, before the first input: a private home folder,
// shared block name and port offset (so that a fuzz run beside the test suite or
// another fuzz run shares nothing with it), a prompt script with no answers (every
// question a hostile input raises gets its safe default: no, cancel), and an
// application object for the targets that need an event loop.

#include "tests/support/testenv.h"

#include <QCoreApplication>

namespace ferry::fuzz {

inline void isolate()
{
    static ferry::test::TestEnv env;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
}

} // namespace ferry::fuzz
