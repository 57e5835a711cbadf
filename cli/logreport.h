#pragma once

#include "report.h"

namespace quillet {

// The log, as the window shows it, one message a line; with every chart a line before each
// block's log names it: "Chart 2: dance-single Challenge 12". Prints nothing when quiet.
class LogReport : public Report
{
public:
    LogReport(const ReportOptions &options, LineOutput &output, Tally &tally, bool quiet);

    void addMessage(std::string_view message) override;
    void blockBegins(std::uint64_t number, std::string_view name) override;
    void addMeasureMessages(std::uint64_t beat, std::uint64_t rows) override;

private:
    bool m_quiet;
};

} // namespace quillet
