#pragma once

#include "blockobserver.h"

#include <string>

namespace quillet::test {

// Writes down what a check tells its observer, a line per block:
// "[NUMBER NAME] Lline eempty bbeat rrows ... =outcome".
class BlockRecorder : public BlockObserver
{
public:
    void blockBegins(std::uint64_t number, std::string_view name) override
    {
        events.append("[").append(std::to_string(number));
        if (withNames)
            events.append(" ").append(name);
        events.append("]");
    }
    void measureProblem(const MeasureProblem &p) override
    {
        for (const auto &[key, value] :
            {std::pair {" L", p.line}, {" e", p.blankRows}, {" b", p.beat}, {" r", p.rows}})
            events.append(key).append(std::to_string(value));
    }
    void blockEnds(const CheckResult &result) override
    {
        events.append(" =").append(std::to_string(int(result.outcome))).append("\n");
    }

    bool withNames = true;
    std::string events;
};

} // namespace quillet::test
