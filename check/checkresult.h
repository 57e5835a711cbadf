#pragma once

#include <cstdint>
#include <string>

namespace quillet {

// How a check run ended, each worse than the one before: with every block, the first of the
// worst stands for the chart. Only Ok and Problems are verdicts on a fully scanned chart.
enum class CheckOutcome {
    Ok, // every measure has an accepted size
    Problems, // at least one measure has not
    Incorrect, // the chart cannot be opened, is not a regular file, or has no '#' first line
    CouldNotCheck, // the scratch file or the chart failed part-way: no verdict
    Abandoned, // the event pump asked to stop: no verdict
};

// Why a chart is Incorrect or CouldNotCheck, or why an Ok chart had nothing to check; None for
// the other outcomes.
enum class CheckFailure {
    None,
    // Incorrect
    CannotOpen, // with the system's error number (not found, no permission, ...)
    NotRegularFile, // a folder, FIFO or device
    Empty,
    ByteOrderMark, // starts with a UTF-8 byte-order mark
    Utf16, // starts with FF FE or FE FF
    BlankFirstLine,
    CommentFirstLine, // the first line begins with "//"
    NoHashFirstLine, // any other first line that does not begin with '#'
    // CouldNotCheck
    ScratchNotCreated,
    ScratchNotWritten,
    ScratchNotRead,
    ChartNotRead,
    // Ok
    NoNotesBlock, // no line begins with #NOTES: no notes were checked
};

struct CheckResult
{
    CheckOutcome outcome = CheckOutcome::Ok;
    std::uint64_t problems = 0;
    CheckFailure failure = CheckFailure::None;
    int error = 0; // the system's error number behind the failure, where there is one
    // For ScratchNotCreated: each folder tried and why, " in APP (reason) or in TMP (reason)";
    // empty when the factory named none.
    std::string scratchFolders = {};
};

} // namespace quillet
