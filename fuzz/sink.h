#pragma once

// Keeps a value a target computed from its input, so that the compiler cannot
// drop the work that made it.

#include <cstddef>

namespace ferry::fuzz {

inline volatile std::size_t sink;
inline void keep(std::size_t value) { sink = value; }

} // namespace ferry::fuzz
