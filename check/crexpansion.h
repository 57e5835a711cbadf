#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet {

/// True when expandCrBeforeLf can run here: x86-64 with AVX-512 VBMI2 and BMI2, and no lower
/// vector width asked for.
bool hasCrExpansion();

/// Copies a chunk of size bytes (at most 64) to out with a CR before each byte whose bit is set
/// in lfs; returns the end of the copy. Writes up to 128 bytes at out and reads nothing past
/// the chunk. Only where hasCrExpansion() is true.
char *expandCrBeforeLf(char *out, const char *data, unsigned size, std::uint64_t lfs);

/// As expandCrBeforeLf for count whole chunks that follow each other from data, lfs[i] for the
/// i-th; writes up to 128 bytes a chunk.
char *expandCrBeforeLf(char *out, const char *data, const std::uint64_t *lfs, std::size_t count);

} // namespace quillet
