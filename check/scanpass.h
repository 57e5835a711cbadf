#pragma once

#include "linesplitter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillet {

/// The numbers of rows a measure may have: whole, 8th, 12th, 16th, 24th and 48th notes.
inline constexpr std::array<std::uint64_t, 6> acceptedMeasureSizes = {4, 8, 12, 16, 24, 48};

/// True when a measure of this many rows has an accepted size.
constexpr bool isAcceptedMeasureSize(std::uint64_t rows)
{
    // One bit per accepted size: every size is below 64.
    constexpr std::uint64_t accepted = [] {
        std::uint64_t bits = 0;
        for (const std::uint64_t size : acceptedMeasureSizes)
            bits |= std::uint64_t(1) << size;
        return bits;
    }();
    return rows < 64 && ((accepted >> rows) & 1) != 0;
}

class BlockReader;
class MessageSink;
class PumpClock;

// The scan pass: reads the scratch file back, counts the rows of each measure and reports the
// ones of a wrong size, each with the beat at its end.
class ScanPass
{
public:
    using Splitter = LineSplitter<',', ';'>;
    // The extraction ends every line of the scratch file with CR LF and leaves no other CR.
    static constexpr bool crOnlyBeforeLf = true;

    ScanPass(MessageSink &sink, PumpClock &clock);

    /// Scans the scratch file's blocks from where it stands; returns the system's error number
    /// of a read that failed, 0 otherwise.
    int run(BlockReader &scratch);

    /// The measures of a wrong size reported so far.
    std::uint64_t problems() const { return m_problems; }
    /// True when the pump asked to stop.
    bool isAbandoned() const { return m_abandoned; }

    // Inlined into the splitter's loop.
    [[gnu::always_inline]] inline bool chunk(const Splitter::Chunk &chunk);

private:
    void reportProblem();

    MessageSink &m_sink;
    PumpClock &m_clock;
    std::uint64_t m_beat = 0;
    std::uint64_t m_rows = 0;
    std::uint64_t m_problems = 0;
    bool m_abandoned = false;
};

} // namespace quillet
