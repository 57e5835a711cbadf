#pragma once

#include "mend.h"

#include <cstdint>
#include <string>

// The mended chart, handed to the page's script in pieces of 1 MiB, which it keeps as the parts
// of a Blob: the module holds one piece, not the chart. The chart up to the first measure
// mended is its own bytes, which the script takes from the chosen file: most charts with a
// mendable measure are not copied whole, and one with none not at all.
class PageMend : public quillet::MendOutput
{
public:
    void keep(std::string_view bytes) override;
    void drop(std::string_view) override { }
    void add(std::string_view line) override { write(line); }
    void faultyMeasure(const quillet::MeasureMend &mend) override;
    /// Hands over what is held.
    void flush();
    /// For the next chart.
    void reset();

private:
    void write(std::string_view bytes);

    std::string m_held;
    std::uint64_t m_untouched = 0; // the chart's first bytes, as they are
    bool m_mending = false;
};
