#include "scanpass.h"

#include "fileio.h"
#include "messages.h"
#include "messagesink.h"
#include "pumpclock.h"

#include <bit>
#include <charconv>

namespace quillet {

namespace {

std::uint64_t bitsBelow(unsigned bit)
{
    return (std::uint64_t(1) << bit) - 1;
}

} // namespace

ScanPass::ScanPass(MessageSink &sink, PumpClock &clock)
    : m_sink(sink)
    , m_clock(clock)
{ }

int ScanPass::run(int scratch, char *block, std::size_t blockSize)
{
    Splitter lines(true);
    for (;;) {
        int error = fileio::noError;
        const long long size = fileio::readSome(scratch, block, blockSize, error);
        if (size < 0)
            return error;
        if (size == 0 || !lines.feed(block, std::size_t(size), *this))
            return fileio::noError;
    }
}

bool ScanPass::chunk(const Splitter::Chunk &chunk)
{
    const std::uint64_t measureEnds = chunk.starts & chunk.marked;
    std::uint64_t rows = chunk.starts & ~measureEnds;
    std::uint64_t lines = 0;
    for (std::uint64_t ends = measureEnds; ends != 0; ends &= ends - 1) {
        const unsigned at = unsigned(std::countr_zero(ends));
        const unsigned measureRows = unsigned(std::popcount(rows & bitsBelow(at)));
        lines += measureRows + 1;
        m_rows += measureRows;
        rows &= ~bitsBelow(at);
        m_beat += 4;
        if (!isAcceptedMeasureSize(m_rows))
            reportProblem();
        m_rows = 0;
        if (chunk.data[at] == ';')
            return false;
    }
    const unsigned trailingRows = unsigned(std::popcount(rows));
    m_rows += trailingRows;
    if (!m_clock.count(lines + trailingRows)) {
        m_abandoned = true;
        return false;
    }
    return true;
}

void ScanPass::reportProblem()
{
    ++m_problems;
    report(messages::problemAtBeat, m_beat);
    report(messages::measureSize, m_rows);
}

void ScanPass::report(std::string_view text, std::uint64_t number)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    m_message.assign(text);
    m_message.append(digits, result.ptr);
    m_sink.addMessage(m_message);
}

} // namespace quillet
