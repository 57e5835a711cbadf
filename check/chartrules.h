#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The chart's rules, and nothing else: which lines a check reads and what each one is. The
// extraction, the scan, the reports and the fuzz target's plain reading all take them from here.
namespace quillet::rules {

/// A chart's first line must begin with this, or the chart is incorrect.
inline constexpr char firstLineStart = '#';

/// A note block begins at a line that begins with this tag, in any letter case; every line
/// before the first one is passed over.
inline constexpr std::string_view notesTag = "#NOTES";

/// Inside a block, lines beginning with one of these are skipped (tags, comments, indented
/// header fields).
inline constexpr std::array<char, 3> skippedStarts = {'#', '/', ' '};
/// Inside a block, a line beginning with this ends a measure.
inline constexpr char measureEnd = ',';
/// Inside a block, the first line beginning with this ends the last measure and the block.
inline constexpr char blockEnd = ';';

/// What a line of a note block is, by its first byte.
enum class LineClass { Skipped, MeasureEnd, BlockEnd, Row };

/// The class of a line inside a block whose first byte is first; an empty line's first byte is
/// its line end, CR or LF, and it is a row.
constexpr LineClass lineClass(char first)
{
    for (const char skipped : skippedStarts) {
        if (first == skipped)
            return LineClass::Skipped;
    }
    if (first == measureEnd)
        return LineClass::MeasureEnd;
    return first == blockEnd ? LineClass::BlockEnd : LineClass::Row;
}

/// c in upper case, for the tag: ASCII letters only, whatever the locale.
constexpr char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

/// True when line (its first bytes at least) begins with the #NOTES tag, in any letter case.
/// Fewer bytes than the tag count as far as they go.
constexpr bool matchesNotesTag(std::string_view line)
{
    for (std::size_t i = 0; i < line.size() && i < notesTag.size(); ++i) {
        if (upper(line[i]) != notesTag[i])
            return false;
    }
    return true;
}

/// The numbers of rows a measure may have: whole, 8th, 12th, 16th, 24th and 48th notes.
inline constexpr std::array<std::uint64_t, 6> acceptedSizes = {4, 8, 12, 16, 24, 48};

/// True when a measure of this many rows has an accepted size.
constexpr bool isAcceptedSize(std::uint64_t rows)
{
    // One bit per accepted size: every size is below 64.
    constexpr std::uint64_t accepted = [] {
        std::uint64_t bits = 0;
        for (const std::uint64_t size : acceptedSizes)
            bits |= std::uint64_t(1) << size;
        return bits;
    }();
    return rows < 64 && ((accepted >> rows) & 1) != 0;
}

/// The accepted sizes as people read them: "4, 8, 12, 16, 24 and 48", or with "or" as lastJoin.
inline std::string acceptedSizesText(std::string_view lastJoin = "and")
{
    std::string text;
    for (std::size_t i = 0; i < acceptedSizes.size(); ++i) {
        if (i > 0)
            text.append(i + 1 == acceptedSizes.size() ? " " : ", ");
        if (i > 0 && i + 1 == acceptedSizes.size())
            text.append(lastJoin).append(" ");
        text.append(std::to_string(acceptedSizes[i]));
    }
    return text;
}

} // namespace quillet::rules
