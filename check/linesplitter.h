#pragma once

#include "vectorlevel.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUILLET_HAVE_SSE2 1
#endif
// Most x86-64 machines have AVX2 or AVX-512: there the masks are made 32 or 64 bytes at a time,
// chosen at run time.
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define QUILLET_HAVE_AVX2 1
#endif

namespace quillet {

// 64 bytes of a stream, and where its lines begin and end. Lines end at CR LF, a lone CR or a
// lone LF. Bit i stands for data[i]; only the low size bits are used.
struct LineChunk
{
    const char *data;
    unsigned size;
    std::uint64_t starts; // a line begins at this byte
    std::uint64_t cr;
    std::uint64_t lf;
    bool crBefore; // the byte before the chunk, in this or an earlier block, was a CR
    std::uint64_t marked; // bytes equal to one of the splitter's characters
    std::uint64_t commas; // bytes equal to ',', for a visitor whose marksCommas is true
};

// A visitor that also wants the commas of each chunk, apart from its marked characters.
template <class Visitor> inline constexpr bool marksCommas = requires
{
    requires Visitor::marksCommas;
};

// A visitor may declare static constexpr bool crOnlyBeforeLf = true when its stream has a CR
// only just before an LF, as the scratch file has: its lines are then found from the LFs alone,
// and its chunks' cr is 0.
template <class Visitor>
concept CrOnlyBeforeLf = Visitor::crOnlyBeforeLf;

// Splits a stream, block after block, into lines 64 bytes at a time, so that finding a line costs
// a few instructions and a line or a CR LF pair may fall across two blocks.
//
// Calls visitor.chunk(const LineChunk &) for every 64 bytes (fewer at a block's end); returning
// false stops the split. Chars are the characters the visitor wants marked (first characters).
template <char... Chars> class LineSplitter
{
public:
    using Chunk = LineChunk;

    /// firstLineStarts: whether the stream's first byte counts as a line start; afterCr: the
    /// stream follows a CR, so that an LF at its start ends no line of its own.
    explicit LineSplitter(bool firstLineStarts, bool afterCr = false)
        : m_crBefore(afterCr)
        , m_lfBefore(firstLineStarts)
    { }

    /// Feeds one block; returns false when the visitor stopped.
    template <class Visitor> bool feed(const char *data, std::size_t size, Visitor &visitor);

    /// After the last block: whether the stream ended with a CR (a lone line end).
    bool endsWithCr() const { return m_crBefore; }
    /// After the last block: whether the stream's last line has no line end.
    bool endsInsideLine() const { return m_sawBytes && !m_crBefore && !m_lfBefore; }

private:
    struct Portable
    {
    };
    struct Avx2
    {
    };
    struct Avx512
    {
    };

    template <class Visitor, class Isa>
    [[gnu::always_inline]] inline bool feedWith(
        const char *data, std::size_t size, Visitor &visitor);
#ifdef QUILLET_HAVE_AVX2
    template <class Visitor>
    [[gnu::target("avx2,popcnt")]] bool feedAvx2(
        const char *data, std::size_t size, Visitor &visitor);
    [[gnu::target("avx2")]] static void locateAvx2(
        const char *data, std::uint64_t &cr, std::uint64_t &lf, std::uint64_t &marked);
    template <class Visitor>
    [[gnu::target("avx512f,avx512bw,popcnt")]] bool feedAvx512(
        const char *data, std::size_t size, Visitor &visitor);
    [[gnu::target("avx512f,avx512bw")]] static void locateAvx512(
        const char *data, std::uint64_t &cr, std::uint64_t &lf, std::uint64_t &marked);
    [[gnu::target("avx2")]] static std::uint64_t commasAvx2(const char *data);
    [[gnu::target("avx512f,avx512bw")]] static std::uint64_t commasAvx512(const char *data);
#endif
    static std::uint64_t commas(const char *data, unsigned size);
    static void locate(const char *data, unsigned size, std::uint64_t &cr, std::uint64_t &lf,
        std::uint64_t &marked);

    bool m_crBefore;
    bool m_lfBefore;
    bool m_sawBytes = false;
};

template <char... Chars>
void LineSplitter<Chars...>::locate(
    const char *data, unsigned size, std::uint64_t &cr, std::uint64_t &lf, std::uint64_t &marked)
{
#ifdef QUILLET_HAVE_SSE2
    if (size == 64) {
        cr = lf = marked = 0;
        for (int i = 0; i < 4; ++i) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + 16 * i));
            const __m128i anyMarked
                = (_mm_setzero_si128() | ... | _mm_cmpeq_epi8(bytes, _mm_set1_epi8(Chars)));
            const auto bits = [](__m128i hits) {
                return std::uint64_t(std::uint32_t(_mm_movemask_epi8(hits)) & 0xffffu);
            };
            cr |= bits(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))) << (16 * i);
            lf |= bits(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))) << (16 * i);
            marked |= bits(anyMarked) << (16 * i);
        }
        return;
    }
#endif
    cr = lf = marked = 0;
    for (unsigned i = 0; i < size; ++i) {
        const std::uint64_t bit = std::uint64_t(1) << i;
        cr |= data[i] == '\r' ? bit : 0;
        lf |= data[i] == '\n' ? bit : 0;
        marked |= ((data[i] == Chars) || ...) ? bit : 0;
    }
}

#ifdef QUILLET_HAVE_AVX2
template <char... Chars>
void LineSplitter<Chars...>::locateAvx2(
    const char *data, std::uint64_t &cr, std::uint64_t &lf, std::uint64_t &marked)
{
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + 32));
#define QUILLET_MASK(hitsLow, hitsHigh)                                                            \
    (std::uint64_t(std::uint32_t(_mm256_movemask_epi8(hitsLow)))                                   \
        | (std::uint64_t(std::uint32_t(_mm256_movemask_epi8(hitsHigh))) << 32))
    const __m256i crs = _mm256_set1_epi8('\r');
    const __m256i lfs = _mm256_set1_epi8('\n');
    cr = QUILLET_MASK(_mm256_cmpeq_epi8(low, crs), _mm256_cmpeq_epi8(high, crs));
    lf = QUILLET_MASK(_mm256_cmpeq_epi8(low, lfs), _mm256_cmpeq_epi8(high, lfs));
    const __m256i markedLow
        = (_mm256_setzero_si256() | ... | _mm256_cmpeq_epi8(low, _mm256_set1_epi8(Chars)));
    const __m256i markedHigh
        = (_mm256_setzero_si256() | ... | _mm256_cmpeq_epi8(high, _mm256_set1_epi8(Chars)));
    marked = QUILLET_MASK(markedLow, markedHigh);
#undef QUILLET_MASK
}

template <char... Chars>
template <class Visitor>
bool LineSplitter<Chars...>::feedAvx2(const char *data, std::size_t size, Visitor &visitor)
{
    return feedWith<Visitor, Avx2>(data, size, visitor);
}

template <char... Chars>
void LineSplitter<Chars...>::locateAvx512(
    const char *data, std::uint64_t &cr, std::uint64_t &lf, std::uint64_t &marked)
{
    const __m512i bytes = _mm512_loadu_si512(data);
    cr = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\r'));
    lf = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\n'));
    marked = (std::uint64_t(0) | ... | _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(Chars)));
}

template <char... Chars> std::uint64_t LineSplitter<Chars...>::commasAvx2(const char *data)
{
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + 32));
    const __m256i commas = _mm256_set1_epi8(',');
    return std::uint64_t(std::uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, commas))))
        | (std::uint64_t(std::uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, commas))))
            << 32);
}

template <char... Chars> std::uint64_t LineSplitter<Chars...>::commasAvx512(const char *data)
{
    return _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(data), _mm512_set1_epi8(','));
}

template <char... Chars>
template <class Visitor>
bool LineSplitter<Chars...>::feedAvx512(const char *data, std::size_t size, Visitor &visitor)
{
    return feedWith<Visitor, Avx512>(data, size, visitor);
}
#endif

template <char... Chars>
std::uint64_t LineSplitter<Chars...>::commas(const char *data, unsigned size)
{
    std::uint64_t commas = 0;
    for (unsigned i = 0; i < size; ++i)
        commas |= data[i] == ',' ? std::uint64_t(1) << i : 0;
    return commas;
}

template <char... Chars>
template <class Visitor>
bool LineSplitter<Chars...>::feed(const char *data, std::size_t size, Visitor &visitor)
{
#ifdef QUILLET_HAVE_AVX2
    switch (vectorLevel()) {
    case VectorLevel::Avx512:
        return feedAvx512(data, size, visitor);
    case VectorLevel::Avx2:
        return feedAvx2(data, size, visitor);
    case VectorLevel::Portable:
        break;
    }
#endif
    return feedWith<Visitor, Portable>(data, size, visitor);
}

template <char... Chars>
template <class Visitor, class Isa>
bool LineSplitter<Chars...>::feedWith(const char *data, std::size_t size, Visitor &visitor)
{
    // The state stays in registers across the visitor's calls, and full chunks have their size
    // known to the compiler: this loop is most of the check's own time.
    bool crBefore = m_crBefore;
    bool lfBefore = m_lfBefore;
    // The masks are found here, not in the lambda: only this function has the vector target.
    const auto split = [&](Chunk &chunk) __attribute__((always_inline)) {
        if constexpr (CrOnlyBeforeLf<Visitor>)
            chunk.cr = 0;
        const unsigned chunkSize = chunk.size;
        const std::uint64_t valid
            = chunkSize == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << chunkSize) - 1;
        // A line begins after an LF, and after a CR that no LF follows.
        chunk.starts = ((chunk.lf << 1) | std::uint64_t(lfBefore))
            | (((chunk.cr << 1) | std::uint64_t(crBefore)) & ~chunk.lf);
        chunk.starts &= valid;
        chunk.crBefore = crBefore;
        crBefore = (chunk.cr >> (chunkSize - 1)) & 1;
        lfBefore = (chunk.lf >> (chunkSize - 1)) & 1;
        return visitor.chunk(chunk);
    };
    bool goOn = true;
    std::size_t position = 0;
    for (; goOn && size - position >= 64; position += 64) {
        Chunk chunk;
        chunk.data = data + position;
        chunk.size = 64;
#ifdef QUILLET_HAVE_AVX2
        if constexpr (std::is_same_v<Isa, Avx512>)
            locateAvx512(chunk.data, chunk.cr, chunk.lf, chunk.marked);
        else if constexpr (std::is_same_v<Isa, Avx2>)
            locateAvx2(chunk.data, chunk.cr, chunk.lf, chunk.marked);
        else
#endif
            locate(chunk.data, 64, chunk.cr, chunk.lf, chunk.marked);
        chunk.commas = 0;
        if constexpr (marksCommas<Visitor>) {
#ifdef QUILLET_HAVE_AVX2
            if constexpr (std::is_same_v<Isa, Avx512>)
                chunk.commas = commasAvx512(chunk.data);
            else if constexpr (std::is_same_v<Isa, Avx2>)
                chunk.commas = commasAvx2(chunk.data);
            else
#endif
                chunk.commas = commas(chunk.data, 64);
        }
        goOn = split(chunk);
    }
    if (goOn && position < size) {
        Chunk chunk;
        chunk.data = data + position;
        chunk.size = unsigned(size - position);
        locate(chunk.data, chunk.size, chunk.cr, chunk.lf, chunk.marked);
        chunk.commas = marksCommas<Visitor> ? commas(chunk.data, chunk.size) : 0;
        goOn = split(chunk);
    }
    m_crBefore = crBefore;
    m_lfBefore = lfBefore;
    m_sawBytes = m_sawBytes || size > 0;
    return goOn;
}

} // namespace quillet
