#include "linesplitter.h"

#include <cstdlib>
#include <string_view>

namespace quillet {

VectorLevel vectorLevel()
{
    static const VectorLevel level = [] {
        const char *asked = std::getenv("QUILLET_VECTORS");
        if (asked != nullptr && std::string_view(asked) == "portable")
            return VectorLevel::Portable;
#ifdef QUILLET_HAVE_AVX2
        if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt")
            && __builtin_cpu_supports("bmi"))
            return VectorLevel::Avx2;
#endif
        return VectorLevel::Portable;
    }();
    return level;
}

} // namespace quillet
