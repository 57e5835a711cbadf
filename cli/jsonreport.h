#pragma once

#include "report.h"

#include <string>

namespace quillet {

// JSON Lines, one small record a line, each written whole as the check goes: one per faulty
// measure, and one per chart (per block with every chart) at its end:
//   {"type":"measure","path":"a.sm","chart":1,"name":"dance-single Hard 9","beat":8,"rows":7,
//    "line":31,"blankRows":0,"hint":null}
//   {"type":"chart","path":"a.sm","chart":1,"name":"dance-single Hard 9","verdict":"problems",
//    "reason":null,"measures":1}
// "chart" numbers the note block from 1; "name" is its #NOTES header's, or null. A byte that is
// not part of valid UTF-8 is written as the escape of the lone surrogate U+DC00 + byte, as
// Python's "surrogateescape" reads it back.
class JsonReport : public Report
{
public:
    using Report::Report;

    void beginChart(std::string name) override;
    void addMeasureMessages(std::uint64_t, std::uint64_t) override { }
    void blockBegins(std::uint64_t number, std::string_view name) override;
    void measureProblem(const MeasureProblem &problem) override;

protected:
    void endBlock(const CheckResult &result, std::string_view reason) override;

private:
    void makeHead(std::string_view type, std::string &head) const;

    std::string m_path; // the chart's name as a JSON string
    std::uint64_t m_block = 0;
    bool m_began = false; // blockBegins came for the block under way
    std::string m_blockName;
    std::uint64_t m_measures = 0; // faulty measures in the block
    std::string m_measureHead; // what every measure record of the block begins with
    std::string m_record; // reused
};

} // namespace quillet
