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
namespace {

// Each half of a chunk goes out in one expand: output slot 2i holds a CR when byte i is an LF to
// be preceded, slot 2i + 1 holds byte i; squeezing out the unused CR slots (pext) gives the
// places of the bytes, and the expand fills the others with CRs. present marks the half's bytes.
[[gnu::target("avx512f,avx512bw,avx512vbmi2,bmi2")]] inline char *expandHalf(
    char *out, const char *data, std::uint32_t lfs, std::uint32_t present)
{
    constexpr std::uint64_t evenSlots = 0x5555555555555555;
    constexpr std::uint64_t oddSlots = 0xaaaaaaaaaaaaaaaa;
    lfs &= present;
    const std::uint64_t places
        = _pext_u64(oddSlots, _pdep_u64(lfs, evenSlots) | _pdep_u64(present, oddSlots));
    const __m512i bytes = _mm512_maskz_loadu_epi8(present, data);
    _mm512_storeu_si512(out, _mm512_mask_expand_epi8(_mm512_set1_epi8('\r'), places, bytes));
    return out + __builtin_popcount(present) + __builtin_popcount(lfs);
}

} // namespace

[[gnu::target("avx512f,avx512bw,avx512vbmi2,bmi2")]] char *expandCrBeforeLf(
    char *out, const char *data, unsigned size, std::uint64_t lfs)
{
    const std::uint64_t present
        = size == 64 ? ~std::uint64_t(0) : _bzhi_u64(~std::uint64_t(0), size);
    out = expandHalf(out, data, std::uint32_t(lfs), std::uint32_t(present));
    if (size <= 32)
        return out;
    return expandHalf(out, data + 32, std::uint32_t(lfs >> 32), std::uint32_t(present >> 32));
}

// One call for a run of chunks: the chunks' expansions overlap, where a call each kept them apart.
[[gnu::target("avx512f,avx512bw,avx512vbmi2,bmi2")]] char *expandCrBeforeLf(
    char *out, const char *data, const std::uint64_t *lfs, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i, data += 64) {
        out = expandHalf(out, data, std::uint32_t(lfs[i]), ~std::uint32_t(0));
        out = expandHalf(out, data + 32, std::uint32_t(lfs[i] >> 32), ~std::uint32_t(0));
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
