#pragma once

// A private test environment whose registry file is opened anew: the process-wide
// store follows the new FERRY_HOME, and the next test starts from an empty registry.

#include "platform/registrystore.h"
#include "tests/support/testenv.h"

struct FreshRegistry {
    ferry::test::TestEnv env;
    FreshRegistry() { ferry::reg::resetDefaultStore(); }
    ~FreshRegistry() { ferry::reg::resetDefaultStore(); }
};
