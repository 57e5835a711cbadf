#pragma once

#include "checkresult.h"

#include <cstdint>
#include <string_view>

namespace quillet {

// A measure of a wrong size, where the chart's lines show it.
struct MeasureProblem
{
    std::uint64_t beat = 0; // as the log reports it: 4 times the measures ended so far
    std::uint64_t rows = 0;
    std::uint64_t blankRows = 0; // rows that are empty lines
    std::uint64_t line = 0; // the chart's 1-based line that ends the measure
};

// Watches the note blocks of a check as the chart is read: what the log says, and where in the
// chart it is.
class BlockObserver
{
public:
    virtual ~BlockObserver() = default;

    /// A note block begins, before its problems and its log. number counts from 1; name is
    /// "steps-type difficulty meter" from its #NOTES header, or empty when it has none.
    virtual void blockBegins(std::uint64_t number, std::string_view name) = 0;
    /// A measure of a wrong size, before the log reports it.
    virtual void measureProblem(const MeasureProblem &problem) = 0;
    /// The block's result, after its log; also for a chart that has no block (incorrect, or not
    /// checked), without blockBegins before it.
    virtual void blockEnds(const CheckResult &result) = 0;
};

} // namespace quillet
