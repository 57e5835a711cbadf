#pragma once

#include "mend.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

// A mend's output kept as text: the chart as it is written.
class MendText : public MendOutput
{
public:
    void keep(std::string_view bytes) override { text.append(bytes); }
    void drop(std::string_view) override { }
    void add(std::string_view line) override { text.append(line); }

    std::string text;
};

// The mended chart, and the faulty measures' fates.
struct Mended
{
    std::string text;
    std::uint64_t mended = 0;
    std::uint64_t faulty = 0;
};

/// Mends chart fed in pieces of piece bytes, so that lines and line ends are cut anywhere.
inline Mended mendPieces(std::string_view chart, bool everyBlock, std::size_t piece)
{
    MendText output;
    Mender mender(output, everyBlock);
    for (std::size_t at = 0; at < chart.size(); at += piece)
        mender.feed(chart.data() + at, std::min(piece, chart.size() - at));
    mender.finish();
    return {output.text, mender.mendedMeasures(), mender.faultyMeasures()};
}

} // namespace quillet
