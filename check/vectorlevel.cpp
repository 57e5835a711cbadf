#include "vectorlevel.h"

#include <cstdlib>
#include <string_view>

namespace quillet {

namespace {

VectorLevel detectVectorLevel()
{
    VectorLevel level = VectorLevel::Portable;
#if defined(__GNUC__) && defined(__x86_64__)
    if (__builtin_cpu_supports("avx512bw"))
        level = VectorLevel::Avx512;
    else if (__builtin_cpu_supports("avx2"))
        level = VectorLevel::Avx2;
#endif
    const char *cap = std::getenv("QUILLET_VECTORS");
    if (cap != nullptr && std::string_view(cap) == "portable")
        level = VectorLevel::Portable;
    else if (cap != nullptr && std::string_view(cap) == "avx2" && level == VectorLevel::Avx512)
        level = VectorLevel::Avx2;
    return level;
}

} // namespace

VectorLevel vectorLevel()
{
    static const VectorLevel level = detectVectorLevel();
    return level;
}

} // namespace quillet
