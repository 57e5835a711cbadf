#pragma once

#include "mend.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

// What the mend makes of one faulty measure, once its bytes are held: reading its lines,
// deciding whether an accepted size holds its notes, and writing it in that size.
namespace quillet {

/// The first CR or LF in [p, end), or end.
inline const char *findLineEnd(const char *p, const char *end)
{
    return std::find_if(p, end, [](char c) { return c == '\r' || c == '\n'; });
}

// A line of a faulty measure, as the mend sees it.
struct MeasureLine
{
    enum class Kind : unsigned char { Skipped, Blank, Content };

    std::string_view text; // with its line end
    std::size_t width = 0; // of its notes: the row without a trailing comment and outer blanks
    Kind kind = Kind::Blank;
    bool isPinned = false; // holds a note or a comment, so it must keep its time
};

/// The lines of a measure's bytes, each with its line end, into lines.
void readMeasureLines(std::string_view bytes, std::vector<MeasureLine> &lines);

/// What becomes of a measure of these lines: sets mend's kind, newRows and blankRows, its line
/// and rows given.
void decideMend(const std::vector<MeasureLine> &lines, MeasureMend &mend);

/// Writes the lines of a measure that decideMend mended, as the mend has them, to output.
void writeMend(const std::vector<MeasureLine> &lines, const MeasureMend &mend, MendOutput &output);

} // namespace quillet
