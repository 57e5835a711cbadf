#include "crexpansion.h"

#include "vectorlevel.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define QUILLET_HAVE_VBMI2 1
#endif

namespace quillet {

bool hasCrExpansion()
{
#ifdef QUILLET_HAVE_VBMI2
    static const bool has = vectorLevel() == VectorLevel::Avx512
        && __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi2");
    return has;
#else
    return false;
#endif
}

#ifdef QUILLET_HAVE_VBMI2
// Each half of the chunk goes out in one expand: output slot 2i holds a CR when byte i is an LF
// to be preceded, slot 2i + 1 holds byte i; squeezing out the unused CR slots (pext) gives the
// places of the bytes, and the expand fills the others with CRs.
[[gnu::target("avx512f,avx512bw,avx512vbmi2,bmi2")]] char *expandCrBeforeLf(
    char *out, const char *data, unsigned size, std::uint64_t lfs)
{
    constexpr std::uint64_t evenSlots = 0x5555555555555555;
    constexpr std::uint64_t oddSlots = 0xaaaaaaaaaaaaaaaa;
    const __m512i crs = _mm512_set1_epi8('\r');
    for (unsigned half = 0; half < size; half += 32) {
        const unsigned count = size - half < 32 ? size - half : 32;
        const std::uint64_t present = _bzhi_u64(~std::uint64_t(0), count);
        const std::uint64_t halfLfs = (lfs >> half) & present;
        const std::uint64_t slots = _pdep_u64(halfLfs, evenSlots) | _pdep_u64(present, oddSlots);
        const std::uint64_t bytePlaces = _pext_u64(oddSlots, slots);
        const __m512i bytes = _mm512_maskz_loadu_epi8(present, data + half);
        _mm512_storeu_si512(out, _mm512_mask_expand_epi8(crs, bytePlaces, bytes));
        out += count + unsigned(__builtin_popcountll(halfLfs));
    }
    return out;
}
#else
char *expandCrBeforeLf(char *out, const char *, unsigned, std::uint64_t)
{
    return out;
}
#endif

} // namespace quillet
