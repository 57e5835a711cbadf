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

// Counts a measure's lines and rows from the splitter's masks, up to the first line that ends a
// measure: most of a chart's lines are rows, and this is the mend's hot path.
struct RowCounter
{
    std::uint64_t lines = 0;
    std::uint64_t rows = 0;
    const char *last = nullptr; // the last line begun: the one that ends the measure, or the piece
    bool isLastRow = false;

    bool chunk(const LineChunk &chunk)
    {
        std::uint64_t starts = chunk.starts;
        const std::uint64_t ends = starts & chunk.ends;
        if (ends != 0) // the lines up to the first measure end, that one included
            starts &= (std::uint64_t(2) << std::countr_zero(ends)) - 1;
        if (starts != 0) {
            const std::uint64_t rowStarts = starts & ~chunk.skipped & ~chunk.ends;
            const unsigned at = 63 - unsigned(std::countl_zero(starts));
            lines += unsigned(std::popcount(starts));
            rows += unsigned(std::popcount(rowStarts));
            last = chunk.data + at;
            isLastRow = ((rowStarts >> at) & 1) != 0;
        }
        return ends == 0;
    }
};

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
        settle();
        m_partial.clear();
    }
    while (p != end) {
        if (m_state == State::Done) {
            // Past the blocks mended: the rest goes through without a look at its lines.
            keepLine({p, std::size_t(end - p)});
            break;
        }
        if (m_state == State::Block && !m_tooLong && (m_heldEnd == p || m_heldBegin == nullptr)) {
            p = holdRows(p, end);
            if (p == end)
                break;
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
    settle();
}

const char *Mender::holdRows(const char *p, const char *end)
{
    // The lines before the last one begun are whole rows or skipped lines of the measure; the
    // last one may be cut by the end of the bytes, or end the measure, and goes line by line.
    RowCounter counter;
    LineSplitter splitter;
    splitter.feed(p, std::size_t(end - p), counter);
    if (counter.last == nullptr || counter.last == p)
        return p;
    m_line += counter.lines - 1;
    m_rows += counter.rows - std::uint64_t(counter.isLastRow);
    if (m_heldBegin == nullptr)
        m_heldBegin = p;
    m_heldEnd = counter.last;
    return counter.last;
}

void Mender::finish()
{
    if (!m_partial.empty()) {
        line(m_partial);
        settle();
        m_partial.clear();
    }
    // A measure that no ',' or ';' line ends is not checked, so not mended either.
    if (m_state == State::Block && !m_measure.empty()) {
        flushKept();
        m_output.keep(m_measure);
    }
    m_measure.clear();
    m_rows = 0;
    m_tooLong = false;
    flushKept();
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
    case State::Block:
        blockLine(text);
        return;
    case State::Done:
        keepLine(text);
        return;
    }
}

void Mender::blockLine(std::string_view text)
{
    const rules::LineClass lineClass = rules::lineClass(text[0]);
    if (lineClass == rules::LineClass::MeasureEnd || lineClass == rules::LineClass::BlockEnd) {
        measureEnds();
        keepLine(text);
        if (lineClass == rules::LineClass::BlockEnd)
            m_state = m_everyBlock ? State::Header : State::Done;
        return;
    }
    if (lineClass == rules::LineClass::Row)
        ++m_rows;
    holdLine(text);
}

void Mender::holdLine(std::string_view text)
{
    if (m_tooLong) {
        keepLine(text);
        return;
    }
    if (m_heldEnd != nullptr && m_heldEnd == text.data()) {
        m_heldEnd += text.size();
        return;
    }
    m_measure.append(m_heldBegin, m_heldEnd);
    m_heldBegin = text.data();
    m_heldEnd = text.data() + text.size();
    if (m_measure.size() > maxHeldMeasure) {
        flushKept();
        m_output.keep(m_measure);
        m_measure.clear();
        m_tooLong = true;
        m_heldBegin = m_heldEnd = nullptr;
        keepLine(text);
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

void Mender::settle()
{
    flushKept();
    if (m_heldBegin == m_heldEnd)
        return;
    m_measure.append(m_heldBegin, m_heldEnd);
    m_heldBegin = m_heldEnd = nullptr;
    if (m_measure.size() > maxHeldMeasure) {
        m_output.keep(m_measure);
        m_measure.clear();
        m_tooLong = true;
    }
}

void Mender::measureEnds()
{
    const std::string_view held(m_heldBegin, std::size_t(m_heldEnd - m_heldBegin));
    if (m_tooLong) {
        if (!rules::isAcceptedSize(m_rows)) {
            MeasureMend mend {m_line, m_rows, MendKind::TooLong, m_rows};
            report(mend);
        }
    } else if (rules::isAcceptedSize(m_rows)) {
        if (m_measure.empty()) {
            if (!held.empty())
                keepLine(held);
        } else {
            flushKept();
            m_measure.append(held);
            m_output.keep(m_measure);
        }
    } else {
        flushKept();
        if (m_measure.empty()) {
            mendMeasure(held);
        } else {
            m_measure.append(held);
            mendMeasure(m_measure);
        }
    }
    m_measure.clear();
    m_heldBegin = m_heldEnd = nullptr;
    m_rows = 0;
    m_tooLong = false;
}

void Mender::mendMeasure(std::string_view bytes)
{
    // Kept from one measure to the next: charts have many.
    thread_local std::vector<MeasureLine> lines;
    readMeasureLines(bytes, lines);
    MeasureMend mend {m_line, m_rows};
    decideMend(lines, mend);
    report(mend);
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
