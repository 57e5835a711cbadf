#pragma once

#include "chartrules.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <type_traits>

// x86-64 machines with AVX2 find a chunk's bytes 32 at a time, chosen at run time; every other
// machine, and the tests of the fallback, use the portable code.
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define QUILLET_HAVE_AVX2 1
#endif
// WebAssembly built with its vectors (-msimd128, as the browser page is) finds them 16 at a time.
#ifdef __wasm_simd128__
#include <wasm_simd128.h>
#endif

namespace quillet {

// The bytes of one chunk that matter to the rules, as masks.
struct ChunkBytes
{
    std::uint64_t cr = 0, lf = 0;
    std::uint64_t skipped = 0; // bytes that make a line that begins with them skipped
    std::uint64_t ends = 0; // bytes that end a measure or the block
};

// 64 bytes of a chart, and where its lines begin and what they begin with. Lines end at CR LF, a
// lone CR or a lone LF. Bit i stands for data[i]; only the low size bits are used.
struct LineChunk : ChunkBytes
{
    const char *data;
    unsigned size;
    std::uint64_t starts; // a line begins at this byte
    bool crBefore; // the byte before the chunk, in this or an earlier piece, was a CR
};

enum class VectorLevel { Portable, Avx2 };

/// The vector instructions this processor has for finding lines; QUILLET_VECTORS=portable in the
/// environment asks for the portable code, so that the tests cover it on every machine.
inline VectorLevel vectorLevel()
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

#ifdef __wasm_simd128__
/// The bytes of 16 that equal c, as a mask.
inline std::uint64_t equalBytes(v128_t bytes, char c)
{
    return std::uint16_t(wasm_i8x16_bitmask(wasm_i8x16_eq(bytes, wasm_i8x16_splat(c))));
}

/// As findBytes, 16 bytes at a time.
inline ChunkBytes findBytesSimd128(const char *data)
{
    ChunkBytes bytes;
    for (unsigned quarter = 0; quarter < 4; ++quarter) {
        const v128_t in = wasm_v128_load(data + 16 * quarter);
        std::uint64_t skipped = 0;
        for (const char c : rules::skippedStarts)
            skipped |= equalBytes(in, c);
        const unsigned shift = 16 * quarter;
        bytes.cr |= equalBytes(in, '\r') << shift;
        bytes.lf |= equalBytes(in, '\n') << shift;
        bytes.skipped |= skipped << shift;
        bytes.ends |= (equalBytes(in, rules::measureEnd) | equalBytes(in, rules::blockEnd)) << shift;
    }
    return bytes;
}
#endif

/// The masks of the 64 bytes at data, in portable code: a byte at a time.
inline ChunkBytes findBytes(const char *data)
{
#ifdef __wasm_simd128__
    // The portable code costs a browser several times as much.
    return findBytesSimd128(data);
#endif
    ChunkBytes bytes;
    for (unsigned i = 0; i < 64; ++i) {
        const std::uint64_t bit = std::uint64_t(1) << i;
        const char c = data[i];
        bytes.cr |= c == '\r' ? bit : 0;
        bytes.lf |= c == '\n' ? bit : 0;
        bytes.skipped |= rules::lineClass(c) == rules::LineClass::Skipped ? bit : 0;
        bytes.ends |= c == rules::measureEnd || c == rules::blockEnd ? bit : 0;
    }
    return bytes;
}

#ifdef QUILLET_HAVE_AVX2
// The bytes the rules look for, each 32 times over. Made once a piece and hidden from the
// compiler's constant folding, which would otherwise make them again for every chunk.
struct Splats
{
    __m256i cr, lf, measureEnd, blockEnd;
    __m256i skipped[rules::skippedStarts.size()];

    [[gnu::target("avx2")]] static __m256i splat(char c)
    {
        __m256i splat = _mm256_set1_epi8(c);
        asm("" : "+x"(splat));
        return splat;
    }
    [[gnu::target("avx2")]] Splats()
        : cr(splat('\r'))
        , lf(splat('\n'))
        , measureEnd(splat(rules::measureEnd))
        , blockEnd(splat(rules::blockEnd))
    {
        for (std::size_t i = 0; i < rules::skippedStarts.size(); ++i)
            skipped[i] = splat(rules::skippedStarts[i]);
    }
};

/// The top bits of the two halves' bytes, as a mask of 64.
[[gnu::target("avx2")]] inline std::uint64_t mask(__m256i low, __m256i high)
{
    return std::uint32_t(_mm256_movemask_epi8(low))
        | std::uint64_t(std::uint32_t(_mm256_movemask_epi8(high))) << 32;
}

/// As findBytes, 32 bytes at a time; only where vectorLevel() is Avx2.
[[gnu::target("avx2")]] inline ChunkBytes findBytesAvx2(const char *data, const Splats &splats)
{
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + 32));
    __m256i skippedLow = _mm256_setzero_si256();
    __m256i skippedHigh = _mm256_setzero_si256();
    for (const __m256i &splat : splats.skipped) {
        skippedLow = _mm256_or_si256(skippedLow, _mm256_cmpeq_epi8(low, splat));
        skippedHigh = _mm256_or_si256(skippedHigh, _mm256_cmpeq_epi8(high, splat));
    }
    const __m256i endsLow = _mm256_or_si256(
        _mm256_cmpeq_epi8(low, splats.measureEnd), _mm256_cmpeq_epi8(low, splats.blockEnd));
    const __m256i endsHigh = _mm256_or_si256(
        _mm256_cmpeq_epi8(high, splats.measureEnd), _mm256_cmpeq_epi8(high, splats.blockEnd));
    ChunkBytes bytes;
    bytes.cr = mask(_mm256_cmpeq_epi8(low, splats.cr), _mm256_cmpeq_epi8(high, splats.cr));
    bytes.lf = mask(_mm256_cmpeq_epi8(low, splats.lf), _mm256_cmpeq_epi8(high, splats.lf));
    bytes.skipped = mask(skippedLow, skippedHigh);
    bytes.ends = mask(endsLow, endsHigh);
    return bytes;
}
#endif

// Splits a stream, piece after piece, into lines 64 bytes at a time, so that finding a line costs
// a few instructions, and a line or a CR LF pair may fall across two pieces.
//
// Calls visitor.chunk(const LineChunk &) for every 64 bytes (fewer at a piece's end); returning
// false stops the split.
class LineSplitter
{
public:
    /// firstLineStarts: whether the stream's first byte begins a line; afterCr: the stream
    /// follows a CR, so that an LF at its start ends no line of its own.
    explicit LineSplitter(bool firstLineStarts = true, bool afterCr = false)
        : m_crBefore(afterCr)
        , m_lfBefore(firstLineStarts)
    { }

    /// Feeds one piece; returns false when the visitor stopped.
    template <class Visitor> bool feed(const char *data, std::size_t size, Visitor &visitor)
    {
#ifdef QUILLET_HAVE_AVX2
        if (vectorLevel() == VectorLevel::Avx2)
            return feedAvx2(data, size, visitor);
#endif
        return feedWith<false>(data, size, visitor);
    }

    /// After the last piece: whether the stream ended with a CR (a lone line end).
    bool endsWithCr() const { return m_crBefore; }
    /// After the last piece: whether the stream's last line has no line end.
    bool endsInsideLine() const { return m_sawBytes && !m_crBefore && !m_lfBefore; }

private:
#ifdef QUILLET_HAVE_AVX2
    template <class Visitor>
    [[gnu::target("avx2,popcnt,bmi")]] bool feedAvx2(
        const char *data, std::size_t size, Visitor &visitor)
    {
        return feedWith<true>(data, size, visitor);
    }
#endif

    // The state stays in registers across the visitor's calls, and full chunks, in a loop of
    // their own, have their size known to the compiler: this loop is most of the check's time.
    template <bool Avx2, class Visitor>
    [[gnu::always_inline]] inline bool feedWith(
        const char *data, std::size_t size, Visitor &visitor)
    {
        std::uint64_t crBefore = m_crBefore;
        std::uint64_t lfBefore = m_lfBefore;
        // A line begins after an LF, and after a CR that no LF follows.
        const auto split = [&](LineChunk &chunk) {
            chunk.starts = (chunk.lf << 1 | lfBefore) | ((chunk.cr << 1 | crBefore) & ~chunk.lf);
            chunk.crBefore = crBefore != 0;
            crBefore = chunk.cr >> 63;
            lfBefore = chunk.lf >> 63;
            return visitor.chunk(chunk);
        };
        bool goOn = true;
        std::size_t at = 0;
#ifdef QUILLET_HAVE_AVX2
        const std::conditional_t<Avx2, Splats, char> splats {};
#endif
        for (; goOn && size - at >= 64; at += 64) {
            LineChunk chunk;
#ifdef QUILLET_HAVE_AVX2
            if constexpr (Avx2)
                static_cast<ChunkBytes &>(chunk) = findBytesAvx2(data + at, splats);
            else
#endif
                static_cast<ChunkBytes &>(chunk) = findBytes(data + at);
            chunk.data = data + at;
            chunk.size = 64;
            goOn = split(chunk);
        }
        if (goOn && at < size) {
            // The piece's last bytes, padded with zeros, which match nothing.
            LineChunk chunk;
            chunk.data = data + at;
            chunk.size = unsigned(size - at);
            char tail[64] = {};
            std::memcpy(tail, chunk.data, chunk.size);
            static_cast<ChunkBytes &>(chunk) = findBytes(tail);
            const std::uint64_t cr = chunk.cr, lf = chunk.lf;
            chunk.starts = (lf << 1 | lfBefore) | ((cr << 1 | crBefore) & ~lf);
            chunk.starts &= (std::uint64_t(1) << chunk.size) - 1;
            chunk.crBefore = crBefore != 0;
            crBefore = (cr >> (chunk.size - 1)) & 1;
            lfBefore = (lf >> (chunk.size - 1)) & 1;
            goOn = visitor.chunk(chunk);
        }
        m_crBefore = crBefore != 0;
        m_lfBefore = lfBefore != 0;
        m_sawBytes = m_sawBytes || size > 0;
        return goOn;
    }

    bool m_crBefore;
    bool m_lfBefore;
    bool m_sawBytes = false;
};

} // namespace quillet
