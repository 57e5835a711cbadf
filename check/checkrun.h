#pragma once

#include "checkresult.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace quillet {

class BlockLines;
class BlockObserver;
class ChartReader;
class EventPump;
class MessageSink;
class PageBuffer;
class Scan;
class ScratchFactory;

// One check of one chart, read once: the first-line test, the search for the #NOTES line, the scan
// of the block's measures (extraction.h, scan.h), the verdict, each message sent to the sink. The
// block goes to the scan in memory, or with a scratch factory (the window's tmp.sm) through the
// scratch file. The result says why a chart failed (checkfailure.h) or that it had no #NOTES line.
class CheckRun
{
public:
    static constexpr std::size_t defaultBlockSize = 256 * 1024;

    /// Scans the chart as it is read. pump may be null; the sink and pump must outlive the run.
    explicit CheckRun(MessageSink &sink, EventPump *pump = nullptr);
    /// Scans a copy of the block in a scratch file from scratch, which must outlive the run too.
    CheckRun(MessageSink &sink, ScratchFactory &scratch, EventPump *pump = nullptr);
    ~CheckRun();

    /// Reads in blocks of this many bytes (at least 1); tests use tiny blocks to split line ends.
    void setBlockSize(std::size_t bytes) { m_blockSize = bytes > 0 ? bytes : 1; }

    /// Tells observer each block's name and result and where each problem is: the chart's line
    /// that ends the measure, or the scratch file's line in a run with one. Null by default.
    void setObserver(BlockObserver *observer) { m_observer = observer; }
    /// Checks every note block of the chart, not only the first: each from the next line that
    /// begins with #NOTES after the ';' line of the one before, to the end of the chart; nothing
    /// else is a block. An observer gets each block's result.
    void setEveryBlock(bool everyBlock) { m_everyBlock = everyBlock; }

    /// Checks the chart at path, taken verbatim. Anything but a regular file is incorrect. With
    /// every block, gives the first of the worst blocks' results (abandoned, not checked,
    /// incorrect, problems, OK in that order) and stops after a block that was not checked.
    [[nodiscard]] CheckResult run(const std::string &path);
    /// Checks the chart read from an open descriptor (a pipe or standard input); does not close it.
    [[nodiscard]] CheckResult runOnDescriptor(int descriptor);
    /// Checks the chart that reader gives, from its first byte.
    [[nodiscard]] CheckResult run(ChartReader &reader);

private:
    // What the blocks of one chart share.
    struct Chart;

    /// The block's result; none when no block is left.
    std::optional<CheckResult> checkBlock(Chart &chart);
    /// After a #NOTES line: the block's text to lines; a result when the run cannot go on.
    std::optional<CheckResult> passBlock(Chart &chart, BlockLines &lines);
    std::optional<CheckResult> copyAndScan(Chart &chart, bool hasNotes);
    CheckResult verdict(Scan &scan, bool hasNotes);
    CheckResult finished(CheckResult result);
    CheckResult incorrect(CheckResult result);
    CheckResult cannotCheck(CheckFailure failure, int error, std::string scratchFolders = {});

    MessageSink &m_sink;
    ScratchFactory *m_scratch = nullptr;
    EventPump *m_pump;
    BlockObserver *m_observer = nullptr;
    bool m_everyBlock = false;
    std::size_t m_blockSize = defaultBlockSize;
    // Kept from one run to the next: a pack of charts pays for its buffers once.
    std::unique_ptr<PageBuffer> m_input;
    std::unique_ptr<PageBuffer> m_scratchBuffer;
};

} // namespace quillet
