#include "mend.h"

#include "chartreader.h"
#include "chartrules.h"
#include "fileio.h"
#include "linesplitter.h"
#include "measuremend.h"

#include <bit>
#include <memory>
#include <vector>

namespace quillet {

namespace {

// Real measures are a few kilobytes; one larger than this goes out as it is, so that a chart
// with no measure end is never held whole.
constexpr std::size_t maxHeldMeasure = std::size_t(1) << 20;
constexpr std::size_t readSize = std::size_t(1) << 18;

} // namespace

Mender::Mender(MendOutput &output, bool everyBlock)
    : m_output(output)
    , m_everyBlock(everyBlock)
{ }

void Mender::feed(const char *data, std::size_t size)
{
    const char *p = data;
    const char *const end = data + size;
    if (p == end)
        return;
    if (!m_partial.empty()) {
        // Finish the line the last bytes cut: a CR there may have an LF here.
        if (m_partial.back() == '\r') {
            if (*p == '\n')
                m_partial += *p++;
        } else {
            const char *lineEnd = findLineEnd(p, end);
            if (lineEnd == end || (*lineEnd == '\r' && lineEnd + 1 == end)) {
                m_partial.append(p, end);
                return;
            }
            lineEnd += *lineEnd == '\r' && lineEnd[1] == '\n' ? 2 : 1;
            m_partial.append(p, lineEnd);
            p = lineEnd;
        }
        line(m_partial);
        flushKept();
        m_partial.clear();
    }
    while (p != end) {
        if (m_state == State::Done) {
            // Past the blocks mended: the rest goes through without a look at its lines.
            keepLine({p, std::size_t(end - p)});
            break;
        }
        if (m_state == State::Block) {
            p = scanBlock(p, end);
            continue;
        }
        const char *lineEnd = findLineEnd(p, end);
        if (lineEnd == end || (*lineEnd == '\r' && lineEnd + 1 == end)) {
            m_partial.assign(p, end);
            break;
        }
        lineEnd += *lineEnd == '\r' && lineEnd[1] == '\n' ? 2 : 1;
        line({p, std::size_t(lineEnd - p)});
        p = lineEnd;
    }
    flushKept();
}

bool Mender::chunk(const LineChunk &chunk)
{
    const std::uint64_t starts = chunk.starts;
    if (m_awaitStart && starts != 0) {
        m_awaitStart = false;
        m_begin = chunk.data + std::countr_zero(starts);
    }
    const std::uint64_t endStarts = starts & chunk.ends;
    std::uint64_t rowStarts = starts & ~endStarts & ~chunk.skipped;
    for (std::uint64_t ends = endStarts; ends != 0; ends &= ends - 1) {
        const unsigned at = unsigned(std::countr_zero(ends));
        const std::uint64_t before = (std::uint64_t(1) << at) - 1;
        m_rows += unsigned(std::popcount(rowStarts & before));
        rowStarts &= ~before;
        const std::uint64_t line = m_line + unsigned(std::popcount(starts & before)) + 1;
        measureEnds(chunk.data + at, line);
        if (chunk.data[at] == rules::blockEnd) {
            m_line = line - 1;
            m_stop = chunk.data + at;
            m_state = m_everyBlock ? State::Header : State::Done;
            return false;
        }
        // The next measure begins at the line after this one.
        const std::uint64_t after = starts & ~((std::uint64_t(2) << at) - 1);
        m_awaitStart = after == 0;
        if (after != 0)
            m_begin = chunk.data + std::countr_zero(after);
    }
    m_rows += unsigned(std::popcount(rowStarts));
    m_line += unsigned(std::popcount(starts));
    return true;
}

const char *Mender::scanBlock(const char *p, const char *end)
{
    if (!m_inBlock) {
        // The block's first measure begins at the line after its #NOTES line: here.
        m_inBlock = true;
        m_lines = LineSplitter();
        m_awaitStart = false;
    }
    m_keepFrom = m_begin = p;
    m_stop = nullptr;
    m_lines.feed(p, std::size_t(end - p), *this);
    if (m_stop != nullptr) {
        keepLine({m_keepFrom, std::size_t(m_stop - m_keepFrom)});
        m_inBlock = false;
        return m_stop;
    }
    // The measure under way is held until its end says whether it is mended.
    const char *const held = m_awaitStart || m_tooLong ? end : m_begin;
    keepLine({m_keepFrom, std::size_t(held - m_keepFrom)});
    flushKept();
    m_measure.append(held, end);
    if (m_measure.size() > maxHeldMeasure) {
        m_output.keep(m_measure);
        m_measure.clear();
        m_tooLong = true;
    }
    return end;
}

void Mender::finish()
{
    if (!m_partial.empty()) {
        line(m_partial);
        flushKept(); // before the line's bytes are cleared
        m_partial.clear();
    }
    flushKept();
    // A measure that no ',' or ';' line ends is not checked, so not mended either.
    if (!m_measure.empty())
        m_output.keep(m_measure);
    m_measure.clear();
    m_rows = 0;
    m_tooLong = false;
    m_inBlock = false;
}

int Mender::mendFrom(int descriptor)
{
    DescriptorReader reader(descriptor);
    return mendFrom(reader);
}

int Mender::mendFrom(ChartReader &reader)
{
    const std::unique_ptr<char[]> buffer(new char[readSize]);
    for (;;) {
        int error = fileio::noError;
        const long long count = reader.read(buffer.get(), readSize, error);
        if (count < 0)
            return error;
        if (count == 0)
            break;
        feed(buffer.get(), std::size_t(count));
    }
    finish();
    return fileio::noError;
}

void Mender::line(std::string_view text)
{
    ++m_line;
    switch (m_state) {
    case State::First:
        // A chart whose first line does not begin with '#' is incorrect, and not mended.
        if (text[0] != rules::firstLineStart) {
            m_state = State::Done;
            keepLine(text);
            return;
        }
        m_state = State::Header;
        [[fallthrough]];
    case State::Header:
        keepLine(text);
        if (text.size() >= rules::notesTag.size() && rules::matchesNotesTag(text))
            m_state = State::Block;
        return;
    case State::Block: // found 64 bytes at a time, never here
    case State::Done:
        keepLine(text);
        return;
    }
}

void Mender::keepLine(std::string_view text)
{
    if (m_keptEnd != nullptr && m_keptEnd == text.data()) {
        m_keptEnd += text.size();
        return;
    }
    flushKept();
    m_keptBegin = text.data();
    m_keptEnd = text.data() + text.size();
}

void Mender::flushKept()
{
    if (m_keptBegin != m_keptEnd)
        m_output.keep({m_keptBegin, std::size_t(m_keptEnd - m_keptBegin)});
    m_keptBegin = m_keptEnd = nullptr;
}

void Mender::measureEnds(const char *at, std::uint64_t line)
{
    const std::uint64_t rows = m_rows;
    m_rows = 0;
    if (m_tooLong) {
        m_tooLong = false;
        if (!rules::isAcceptedSize(rows)) {
            MeasureMend mend {line, rows, MendKind::TooLong, rows};
            report(mend);
        }
        return;
    }
    if (rules::isAcceptedSize(rows)) [[likely]] {
        // It stays in the stretch kept; what of it was held goes out first.
        if (!m_measure.empty()) {
            keepLine({m_keepFrom, std::size_t(m_begin - m_keepFrom)});
            flushKept();
            m_output.keep(m_measure);
            m_measure.clear();
            m_keepFrom = m_begin;
        }
        return;
    }
    keepLine({m_keepFrom, std::size_t(m_begin - m_keepFrom)});
    flushKept();
    if (m_measure.empty()) {
        mendMeasure({m_begin, std::size_t(at - m_begin)}, line, rows);
    } else {
        m_measure.append(m_begin, at);
        mendMeasure(m_measure, line, rows);
        m_measure.clear();
    }
    m_keepFrom = at;
}

void Mender::mendMeasure(std::string_view bytes, std::uint64_t line, std::uint64_t rows)
{
    // Kept from one measure to the next: charts have many.
    thread_local std::vector<MeasureLine> lines;
    readMeasureLines(bytes, lines);
    MeasureMend mend {line, rows};
    decideMend(lines, mend);
    report(mend);
    if (!m_output.wantsBytes())
        return;
    if (mend.isMended())
        writeMend(lines, mend, m_output);
    else
        m_output.keep(bytes);
}

void Mender::report(MeasureMend &mend)
{
    ++m_faulty;
    if (mend.isMended())
        ++m_mended;
    m_output.faultyMeasure(mend);
}

} // namespace quillet
