#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quillet::test {

inline const std::string okLog
    = "Checking SM file...\r\nSM file is OK. Ready to send to convert.\r\n";

// count lines, each row followed by eol.
inline std::string rows(int count, const std::string &row = "0000", const std::string &eol = "\r\n")
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += row + eol;
    return text;
}

// The log of a chart whose faulty measures end at these beats with these sizes.
inline std::string problemLog(const std::vector<std::pair<int, int>> &measures)
{
    std::string log = "Checking SM file...\r\n";
    for (auto [beat, size] : measures)
        log += "Problem note detected at beat: " + std::to_string(beat)
            + "\r\nMeasureSize: " + std::to_string(size) + "\r\n";
    return log + "Problem SM file. Please fix it before send to vorblen staff.\r\n";
}

inline const std::string okChart = "#TITLE:Song;\r\n#NOTES:\r\n" + rows(4) + ";\r\n";

// Long enough that its check pumps many times: every tenth of 20000 measures has 7 rows.
inline std::string longChart()
{
    std::string chart = "#TITLE:Long;\r\n#NOTES:\r\n     dance-single:\r\n";
    for (int measure = 1; measure <= 20000; ++measure)
        chart += rows(measure % 10 == 0 ? 7 : 4) + (measure < 20000 ? ",\r\n" : ";\r\n");
    return chart;
}

inline std::string longChartLog()
{
    std::vector<std::pair<int, int>> measures;
    for (int beat = 40; beat <= 80000; beat += 40)
        measures.emplace_back(beat, 7);
    return problemLog(measures);
}

// Two note blocks, in both ways of writing a block's header, with a blank line and a comment
// between them; no #NOTES line begins the measure after them, which is no block.
inline const std::string song
    = "#T\n#NOTES:\n dance-single:\n :\n Challenge:\n 12:\n 0:\n0000\n0000\n0000\n"
      "0000\n;\n\n// next\n#NOTES:dance-single::Beginner:1::\n0000\n,\n;\n0000\n0000\n;\n\n";

} // namespace quillet::test
