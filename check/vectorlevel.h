#pragma once

namespace quillet {

enum class VectorLevel { Portable, Avx2, Avx512 };

/// The widest vector instructions this processor has for finding lines, capped by the environment
/// variable QUILLET_VECTORS ("portable", "avx2"), which lets the tests cover every level.
VectorLevel vectorLevel();

} // namespace quillet
