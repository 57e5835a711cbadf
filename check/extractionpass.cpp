#include "extractionpass.h"

#include "crexpansion.h"
#include "fileio.h"
#include "measuretracker.h"
#include "pumpclock.h"
#include "scratchwriter.h"

#include <bit>
#include <cstring>

namespace quillet {

namespace {

std::uint64_t bitsBelow(unsigned bit)
{
    return (std::uint64_t(1) << bit) - 1;
}

// Copies size bytes 16 at a time: lines are short, and fixed-size copies cost no call.
char *copyPiece(char *out, const char *from, unsigned size)
{
    for (;;) {
        std::memcpy(out, from, ExtractionPass::copyOverrun);
        if (size <= ExtractionPass::copyOverrun)
            return out + size;
        out += ExtractionPass::copyOverrun;
        from += ExtractionPass::copyOverrun;
        size -= unsigned(ExtractionPass::copyOverrun);
    }
}

} // namespace

ExtractionPass::ExtractionPass(ScratchWriter &writer, PumpClock &clock, MeasureTracker *tracker)
    : m_writer(writer)
    , m_clock(clock)
    , m_tracker(tracker)
    , m_expands(hasCrExpansion())
{ }

ExtractionPass::Stop ExtractionPass::run(int chart, char *block, std::size_t blockSize, Start start)
{
    // The chart's first line is never copied: it is the line under way.
    Splitter lines(!start.atChartStart && !start.afterCr, start.afterCr);
    if (start.atChartStart)
        m_clock.count(1);
    const char *data = start.data;
    std::size_t size = start.size;
    for (;;) {
        Tracked tracked {*this};
        const bool goOn = m_tracker != nullptr ? lines.feed(data, size, tracked)
                                               : lines.feed(data, size, *this);
        flushRun();
        if (!goOn) {
            if (m_stop == Stop::BlockEnd)
                m_rest.size = std::size_t(data + size - m_rest.data);
            break;
        }
        const long long read = fileio::readSome(chart, block, blockSize, m_readError);
        if (read < 0) {
            m_stop = Stop::ReadFailed;
            break;
        }
        if (read == 0) {
            finish(lines);
            break;
        }
        data = block;
        size = std::size_t(read);
    }
    m_writer.flush();
    if (m_stop != Stop::Abandoned && m_stop != Stop::ReadFailed && m_writer.error() != 0)
        m_stop = Stop::WriteFailed;
    return m_stop;
}

template <bool WithTracker> bool ExtractionPass::visit(const Splitter::Chunk &chunk)
{
    if constexpr (WithTracker)
        m_tracker->chunk(chunk);
    const std::uint64_t marked = chunk.starts & chunk.marked;
    const std::uint64_t loneLf = chunk.lf & ~((chunk.cr << 1) | std::uint64_t(chunk.crBefore));
    // A CR in the last byte is settled by the next chunk (loneCrBefore).
    const std::uint64_t loneCr = chunk.cr & ~(chunk.lf >> 1) & bitsBelow(chunk.size - 1);
    const bool loneCrBefore = chunk.crBefore && (chunk.lf & 1) == 0;

    const bool allCopied = m_copying && !m_endsBlock && marked == 0 && !loneCrBefore;
    if (allCopied && (loneLf | loneCr) == 0) {
        copy(chunk.data, chunk.data + chunk.size);
    } else if (allCopied && loneCr == 0) {
        // Most chunks of an LF chart join the batch under way, without a call.
        if (m_expansionCount > 0 && m_expansionCount < expansionBatch && chunk.size == 64
            && chunk.data == m_expansionBegin + 64 * m_expansionCount)
            m_expansionLfs[m_expansionCount++] = loneLf;
        else
            insertCrBefore(chunk.data, chunk.size, loneLf);
    } else if (!copyLines({chunk.data, chunk.size, chunk.starts, chunk.cr, marked, loneLf, loneCr,
                   loneCrBefore})) {
        return false;
    }
    if (m_writer.error() != 0)
        return stop(Stop::WriteFailed);
    if (!m_clock.count(unsigned(std::popcount(chunk.starts))))
        return stop(Stop::Abandoned);
    return true;
}

bool ExtractionPass::chunk(const Splitter::Chunk &chunk)
{
    return visit<false>(chunk);
}

bool ExtractionPass::Tracked::chunk(const Splitter::Chunk &chunk)
{
    return pass.visit<true>(chunk);
}

bool ExtractionPass::copyLines(const Lines &lines)
{
    const char *data = lines.data;
    if (lines.loneCrBefore && m_copying)
        insert("\n");
    const std::uint64_t lineEnds = lines.cr | lines.loneLf;
    const std::uint64_t starts = lines.starts;
    unsigned segment = 0;
    for (std::uint64_t events = starts | lineEnds; events != 0; events &= events - 1) {
        const unsigned at = unsigned(std::countr_zero(events));
        const std::uint64_t bit = std::uint64_t(1) << at;
        // A line's start comes before its end: an empty line has both at one byte.
        if (starts & bit) {
            if (m_copying)
                copy(data + segment, data + at);
            segment = at;
            m_copying = (lines.marked & bit) == 0 || data[at] == ';';
            m_endsBlock = (lines.marked & bit) != 0 && data[at] == ';';
        }
        if ((lineEnds & bit) == 0)
            continue;
        if (m_endsBlock) {
            copy(data + segment, data + at);
            insert("\r\n");
            m_rest = {data + at + 1, 0, false, (lines.cr & bit) != 0};
            return stop(Stop::BlockEnd);
        }
        if (!m_copying)
            continue;
        if (lines.loneLf & bit) {
            copy(data + segment, data + at);
            insert("\r");
            segment = at;
        } else if (lines.loneCr & bit) {
            copy(data + segment, data + at + 1);
            insert("\n");
            segment = at + 1;
        }
    }
    if (m_copying)
        copy(data + segment, data + lines.size);
    return true;
}

// A chunk of copied lines that end in lone LFs, the common case of charts saved on Linux.
void ExtractionPass::insertCrBefore(const char *data, unsigned size, std::uint64_t loneLf)
{
    flushRun();
    // A whole chunk that could not join the batch under way begins a new one.
    if (m_expands && size == 64) {
        m_expansionBegin = data;
        m_expansionLfs[0] = loneLf;
        m_expansionCount = 1;
        return;
    }
    char *out = m_writer.reserve(2 * 64 + copyOverrun);
    if (m_expands) {
        m_writer.commit(expandCrBeforeLf(out, data, size, loneLf));
        return;
    }
    unsigned from = 0;
    for (std::uint64_t ends = loneLf; ends != 0; ends &= ends - 1) {
        const unsigned at = unsigned(std::countr_zero(ends));
        out = copyPiece(out, data + from, at - from);
        *out++ = '\r';
        from = at; // the LF goes out with the next piece
    }
    out = copyPiece(out, data + from, size - from);
    m_writer.commit(out);
}

// At the end of the chart: the last line still needs its CR LF, or the LF after its CR.
void ExtractionPass::finish(const Splitter &splitter)
{
    if (!m_copying)
        return;
    if (splitter.endsWithCr())
        insert("\n");
    else if (splitter.endsInsideLine())
        insert("\r\n");
}

// Before the block's memory is reused, and before other bytes go out.
void ExtractionPass::flushRun()
{
    if (m_runBegin != m_runEnd)
        m_writer.append(m_runBegin, std::size_t(m_runEnd - m_runBegin));
    m_runBegin = m_runEnd = nullptr;
    flushExpansions();
}

void ExtractionPass::flushExpansions()
{
    if (m_expansionCount == 0)
        return;
    char *out = m_writer.reserve(2 * 64 * m_expansionCount);
    m_writer.commit(expandCrBeforeLf(out, m_expansionBegin, m_expansionLfs, m_expansionCount));
    m_expansionCount = 0;
}

void ExtractionPass::copy(const char *begin, const char *end)
{
    if (begin == end)
        return;
    if (begin != m_runEnd) {
        flushRun();
        m_runBegin = begin;
    }
    m_runEnd = end;
}

void ExtractionPass::insert(const char *text)
{
    flushRun();
    m_writer.append(text, std::strlen(text));
}

bool ExtractionPass::stop(Stop why)
{
    flushRun();
    m_stop = why;
    return false;
}

} // namespace quillet
