#pragma once

#include "chartrules.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <type_traits>

// x86-64 finds a chunk's bytes with AVX2 where the processor has it; the rest use portable code.
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

/// The vector code this processor runs; QUILLET_VECTORS=portable asks for the portable (tests).
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
/// As findBytes, 16 bytes at a time.
inline ChunkBytes findBytesSimd128(const char *data)
{
    const auto equal = [](v128_t in, char c) {
        return std::uint64_t(
            std::uint16_t(wasm_i8x16_bitmask(wasm_i8x16_eq(in, wasm_i8x16_splat(c)))));
    };
    ChunkBytes bytes;
    for (unsigned shift = 0; shift < 64; shift += 16) {
        const v128_t in = wasm_v128_load(data + shift);
        bytes.cr |= equal(in, '\r') << shift;
        bytes.lf |= equal(in, '\n') << shift;
        for (const char c : rules::skippedStarts)
            bytes.skipped |= equal(in, c) << shift;
        bytes.ends |= (equal(in, rules::measureEnd) | equal(in, rules::blockEnd)) << shift;
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
// CR, LF, the ends and the skipped, 32 times over: made once a piece, never again for each chunk.
struct Splats
{
    __m256i bytes[4 + rules::skippedStarts.size()];

    [[gnu::target("avx2")]] Splats()
    {
        __m256i *splat = bytes;
        for (const char c : {'\r', '\n', rules::measureEnd, rules::blockEnd,
                 rules::skippedStarts[0], rules::skippedStarts[1], rules::skippedStarts[2]}) {
            *splat = _mm256_set1_epi8(c);
            asm("" : "+x"(*splat++));
        }
    }
};

/// The bytes of 32 that equal those of any of count splats, as 0xff or 0.
[[gnu::target("avx2")]] inline __m256i anyOf(__m256i in, const __m256i *splat, unsigned count)
{
    __m256i equal = _mm256_cmpeq_epi8(in, splat[0]);
    for (unsigned i = 1; i < count; ++i)
        equal = _mm256_or_si256(equal, _mm256_cmpeq_epi8(in, splat[i]));
    return equal;
}

/// The same for the two halves of 64 bytes, as a mask.
[[gnu::target("avx2")]] inline std::uint64_t anyOf(
    __m256i low, __m256i high, const __m256i *splat, unsigned count)
{
    return std::uint32_t(_mm256_movemask_epi8(anyOf(low, splat, count)))
        | std::uint64_t(std::uint32_t(_mm256_movemask_epi8(anyOf(high, splat, count)))) << 32;
}

/// As findBytes, 32 bytes at a time; only where vectorLevel() is Avx2.
[[gnu::target("avx2")]] inline ChunkBytes findBytesAvx2(const char *data, const Splats &splats)
{
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + 32));
    ChunkBytes bytes;
    bytes.cr = anyOf(low, high, splats.bytes, 1);
    bytes.lf = anyOf(low, high, splats.bytes + 1, 1);
    bytes.ends = anyOf(low, high, splats.bytes + 2, 2);
    bytes.skipped = anyOf(low, high, splats.bytes + 4, rules::skippedStarts.size());
    return bytes;
}
#endif

// Splits a stream, piece after piece, into lines 64 bytes at a time; a line or a CR LF pair may
// fall across two pieces. Calls visitor.chunk(const LineChunk &) for every 64 bytes (fewer at a
// piece's end); returning false stops the split.
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

    // Most of the check's time: full chunks, in a loop of their own, have their size known.
    template <bool Avx2, class Visitor>
    [[gnu::always_inline]] inline bool feedWith(
        const char *data, std::size_t size, Visitor &visitor)
    {
        std::uint64_t crBefore = m_crBefore;
        std::uint64_t lfBefore = m_lfBefore;
        // A line begins after an LF, and after a CR no LF follows; last is fixed in full chunks.
        const auto split = [&](LineChunk &chunk, auto last) {
            chunk.starts = ((chunk.lf << 1 | lfBefore) | ((chunk.cr << 1 | crBefore) & ~chunk.lf))
                & (~std::uint64_t(0) >> (63 - last));
            chunk.crBefore = crBefore != 0;
            crBefore = (chunk.cr >> last) & 1;
            lfBefore = (chunk.lf >> last) & 1;
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
            goOn = split(chunk, std::integral_constant<unsigned, 63>());
        }
        if (goOn && at < size) {
            // The piece's last bytes, padded with zeros, which match nothing.
            LineChunk chunk;
            chunk.data = data + at;
            chunk.size = unsigned(size - at);
            char tail[64] = {};
            std::memcpy(tail, chunk.data, chunk.size);
            static_cast<ChunkBytes &>(chunk) = findBytes(tail);
            goOn = split(chunk, chunk.size - 1);
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
