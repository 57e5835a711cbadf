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
    const std::uint64_t present
        = size == 64 ? ~std::uint64_t(0) : _bzhi_u64(~std::uint64_t(0), size);
    lfs &= present;
    // The halves' places are found side by side: only where the second half goes waits on
    // the first.
    const std::uint64_t lowPlaces = _pext_u64(oddSlots,
        _pdep_u64(lfs & 0xffffffff, evenSlots) | _pdep_u64(present & 0xffffffff, oddSlots));
    const std::uint64_t highPlaces
        = _pext_u64(oddSlots, _pdep_u64(lfs >> 32, evenSlots) | _pdep_u64(present >> 32, oddSlots));
    const __m512i low = _mm512_maskz_loadu_epi8(present & 0xffffffff, data);
    _mm512_storeu_si512(out, _mm512_mask_expand_epi8(crs, lowPlaces, low));
    char *const high = out + (size < 32 ? size : 32) + __builtin_popcountll(lfs & 0xffffffff);
    if (size <= 32)
        return high;
    const __m512i upper = _mm512_maskz_loadu_epi8(present >> 32, data + 32);
    _mm512_storeu_si512(high, _mm512_mask_expand_epi8(crs, highPlaces, upper));
    return high + (size - 32) + __builtin_popcountll(lfs >> 32);
}

// One call for a run of chunks: the chunks' expansions overlap, where a call each kept them apart.
[[gnu::target("avx512f,avx512bw,avx512vbmi2,bmi2")]] char *expandCrBeforeLf(
    char *out, const char *data, const std::uint64_t *lfs, std::size_t count)
{
    constexpr std::uint64_t evenSlots = 0x5555555555555555;
    constexpr std::uint64_t oddSlots = 0xaaaaaaaaaaaaaaaa;
    const __m512i crs = _mm512_set1_epi8('\r');
    for (std::size_t i = 0; i < count; ++i, data += 64) {
        const std::uint64_t low = lfs[i] & 0xffffffff;
        const std::uint64_t high = lfs[i] >> 32;
        const std::uint64_t lowPlaces = _pext_u64(oddSlots, _pdep_u64(low, evenSlots) | oddSlots);
        const std::uint64_t highPlaces = _pext_u64(oddSlots, _pdep_u64(high, evenSlots) | oddSlots);
        const __m512i lowBytes = _mm512_castsi256_si512(
            _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data)));
        const __m512i highBytes = _mm512_castsi256_si512(
            _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + 32)));
        _mm512_storeu_si512(out, _mm512_mask_expand_epi8(crs, lowPlaces, lowBytes));
        out += 32 + __builtin_popcountll(low);
        _mm512_storeu_si512(out, _mm512_mask_expand_epi8(crs, highPlaces, highBytes));
        out += 32 + __builtin_popcountll(high);
    }
    return out;
}
#else
char *expandCrBeforeLf(char *out, const char *, unsigned, std::uint64_t)
{
    return out;
}

char *expandCrBeforeLf(char *out, const char *, const std::uint64_t *, std::size_t)
{
    return out;
}
#endif

} // namespace quillet
