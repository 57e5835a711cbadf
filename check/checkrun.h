#pragma once

#include "checkresult.h"
#include "extractionpass.h"
#include "scratchfile.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace quillet {

class BlockObserver;
class EventPump;
class IoThread;
class MeasureTracker;
class MessageSink;
class PageBuffer;
class PumpClock;
class ScratchFactory;

// One check of one chart, its passes in order: the first-line test, the search for the first
// note block's #NOTES line (NotesFinder), the extraction of the block from that line on into the
// scratch file (ExtractionPass), the scan of its measures (ScanPass) and the verdict, each
// message sent to the sink. The result says why a chart failed (checkfailure.h), or that it had
// no #NOTES line and so no notes to check.
class CheckRun
{
public:
    static constexpr std::size_t defaultBlockSize = 256 * 1024;

    /// pump may be null. The referenced objects must outlive the run.
    CheckRun(MessageSink &sink, ScratchFactory &scratch, EventPump *pump = nullptr);
    ~CheckRun();

    /// Reads in blocks of this many bytes (at least 1); tests use tiny blocks to split line ends.
    void setBlockSize(std::size_t bytes);

    /// Tells observer where each problem is in the chart and each block's name and result; null
    /// (the default) for the log alone, which is then read as fast as without it.
    void setObserver(BlockObserver *observer);
    /// Checks every note block of the chart, not only the first: each from the next line that
    /// begins with #NOTES after the ';' line of the one before, to the end of the chart; nothing
    /// else is a block. An observer gets each block's result.
    void setEveryBlock(bool everyBlock);

    /// Checks the chart at path, taken verbatim. Anything but a regular file is incorrect. With
    /// every block, gives the first of the worst blocks' results (abandoned, not checked,
    /// incorrect, problems, OK in that order) and stops after a block that was not checked.
    [[nodiscard]] CheckResult run(const std::string &path);
    /// Checks the chart read from an open descriptor (a pipe or standard input); does not close it.
    [[nodiscard]] CheckResult runOnDescriptor(int descriptor);

private:
    // What one block's check needs and leaves for the next.
    struct Block
    {
        int chart;
        PageBuffer &input;
        PageBuffer &output;
        PumpClock &clock;
        MeasureTracker *tracker;
        ExtractionPass::Start start;
        bool hasNext = false;
        ScratchFile scratch = {}; // with every block, one for all of them
    };

    /// The block's result; none for a stretch after the last block that is no block.
    std::optional<CheckResult> checkBlock(Block &block);
    CheckResult finished(CheckResult result);
    CheckResult incorrect(CheckResult result);
    CheckResult cannotCheck(CheckFailure failure, int error, std::string scratchFolders = {});
    static PageBuffer &reuse(std::unique_ptr<PageBuffer> &buffer, std::size_t size);

    MessageSink &m_sink;
    ScratchFactory &m_scratch;
    EventPump *m_pump;
    BlockObserver *m_observer = nullptr;
    bool m_everyBlock = false;
    std::size_t m_blockSize = defaultBlockSize;
    // Kept from one run to the next: a pack of charts pays for fresh pages once, not per chart.
    std::unique_ptr<PageBuffer> m_input;
    std::unique_ptr<PageBuffer> m_output;
    // Its thread runs while a chart too large for the scratch writer's buffer is checked.
    std::unique_ptr<IoThread> m_io;
};

} // namespace quillet
