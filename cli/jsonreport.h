#pragma once

#include "report.h"

#include <string>

// JSON Lines: one object per chart, or per block with every chart, written as the check goes:
//   {"path":"a.sm","block":2,"name":"dance-single Challenge 12","measures":[{"beat":8,"rows":7,
//    "line":31,"blankRows":0}],"log":["Checking SM file...",...],"verdict":"problems"}
// "block" and "name" (null without a header) come with every chart, "reason" only where there is
// one. A byte that is not part of valid UTF-8 is written as the escape of the lone surrogate
// U+DC00 + byte, as Python's "surrogateescape" reads it back.
class JsonReport : public Report
{
public:
    using Report::Report;

    void beginChart(std::string name) override;
    void addMessage(std::string_view message) override;
    void addMeasureMessages(std::uint64_t beat, std::uint64_t rows) override;
    void blockBegins(std::uint64_t number, std::string_view name) override;
    void measureProblem(const quillet::MeasureProblem &problem) override;

protected:
    void endBlock(const quillet::CheckResult &result) override;

private:
    enum class Part { None, Measures, Log };

    void begin(std::string_view name);
    void beginLog();
    void send();

    Part m_part = Part::None;
    bool m_first = true; // no element yet in the array under way
    std::uint64_t m_block = 0;
    std::string m_piece; // reused
};
