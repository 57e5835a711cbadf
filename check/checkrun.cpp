#include "checkrun.h"

#include "blockobserver.h"
#include "blockreader.h"
#include "checkfailure.h"
#include "extractionpass.h"
#include "fileio.h"
#include "filespace.h"
#include "iothread.h"
#include "measuretracker.h"
#include "messages.h"
#include "messagesink.h"
#include "notesfinder.h"
#include "pagebuffer.h"
#include "pumpclock.h"
#include "scanpass.h"
#include "scratchfactory.h"
#include "scratchwriter.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillet {

namespace {

// The bytes firstLineFailure needs to tell an incorrect chart's reason.
constexpr std::size_t firstLineProbe = 3;

// The chart size from which the scratch file's space is set aside at once.
constexpr long long reserveFrom = 4 << 20;

// Which block's result stands for a whole chart: the first of the worst.
int rank(CheckOutcome outcome)
{
    switch (outcome) {
    case CheckOutcome::Ok:
        return 0;
    case CheckOutcome::Problems:
        return 1;
    case CheckOutcome::Incorrect:
        return 2;
    case CheckOutcome::CouldNotCheck:
        return 3;
    case CheckOutcome::Abandoned:
        break;
    }
    return 4;
}

// Every block without an observer still needs the tracker to tell where blocks are.
class NoObserver : public BlockObserver
{
public:
    void blockBegins(std::uint64_t, std::string_view) override { }
    void measureProblem(const MeasureProblem &) override { }
    void blockEnds(const CheckResult &) override { }
    bool wantsProblems() const override { return false; }
};

} // namespace

CheckRun::CheckRun(MessageSink &sink, ScratchFactory &scratch, EventPump *pump)
    : m_sink(sink)
    , m_scratch(scratch)
    , m_pump(pump)
    , m_io(std::make_unique<IoThread>())
{ }

CheckRun::~CheckRun() = default;

PageBuffer &CheckRun::reuse(std::unique_ptr<PageBuffer> &buffer, std::size_t size)
{
    if (!buffer || buffer->size() != size)
        buffer = std::make_unique<PageBuffer>(size);
    return *buffer;
}

void CheckRun::setBlockSize(std::size_t bytes)
{
    m_blockSize = bytes > 0 ? bytes : 1;
}

void CheckRun::setObserver(BlockObserver *observer)
{
    m_observer = observer;
}

void CheckRun::setEveryBlock(bool everyBlock)
{
    m_everyBlock = everyBlock;
}

CheckResult CheckRun::run(const std::string &path)
{
    int error = fileio::noError;
    const int chart = fileio::openForReading(path, error);
    if (chart < 0)
        return finished(incorrect({CheckOutcome::Incorrect, 0, CheckFailure::CannotOpen, error}));
    // Only a regular file can be a chart: a folder, FIFO or device would fail or block.
    if (!fileio::isRegularFile(chart)) {
        fileio::close(chart);
        return finished(incorrect({CheckOutcome::Incorrect, 0, CheckFailure::NotRegularFile}));
    }
    const CheckResult result = runOnDescriptor(chart);
    fileio::close(chart);
    return result;
}

CheckResult CheckRun::runOnDescriptor(int chart)
{
    // The extraction copies 16 bytes at a time and may read that far past a block, which may
    // begin with the first bytes of a tag line the block before cut.
    PageBuffer &input = reuse(m_input,
        std::max(m_blockSize, firstLineProbe) + NotesFinder::carryRoom
            + ExtractionPass::copyOverrun);
    int error = fileio::noError;
    long long size = fileio::readSome(chart, input.data(), m_blockSize, error);
    if (size < 0)
        return finished(cannotCheck(CheckFailure::ChartNotRead, error));
    if (size == 0 || input.data()[0] != '#') {
        // Enough of the start to say why; the verdict stands whatever these reads give.
        while (size > 0 && std::size_t(size) < firstLineProbe) {
            const long long more = fileio::readSome(
                chart, input.data() + size, firstLineProbe - std::size_t(size), error);
            if (more <= 0)
                break;
            size += more;
        }
        const std::string_view start(input.data(), std::size_t(size));
        return finished(incorrect({CheckOutcome::Incorrect, 0, firstLineFailure(start)}));
    }

    // The scratch writer's buffer, and then the scan's: the input keeps what the extraction
    // read past a block's end.
    // Writes of a few blocks each cost the kernel less than one a block.
    PageBuffer &output
        = reuse(m_output, std::max(4 * m_blockSize, ExtractionPass::minimumOutputSize));
    PumpClock clock(m_pump);
    // However the run ends, its I/O thread ends with it.
    struct StopIo
    {
        IoThread &io;
        ~StopIo() { io.stop(); }
    } stopIo {*m_io};
    NoObserver none;
    std::optional<MeasureTracker> tracker;
    if (m_observer != nullptr || m_everyBlock)
        tracker.emplace(m_observer != nullptr ? *m_observer : none);
    Block block {chart, input, output, clock, tracker ? &*tracker : nullptr,
        {input.data(), std::size_t(size)}};
    std::optional<CheckResult> worst;
    while (const std::optional<CheckResult> result = checkBlock(block)) {
        finished(*result);
        if (!worst || rank(result->outcome) > rank(worst->outcome))
            worst = result;
        if (!m_everyBlock || !block.hasNext
            || rank(result->outcome) > rank(CheckOutcome::Incorrect))
            break;
    }
    return *worst;
}

std::optional<CheckResult> CheckRun::checkBlock(Block &block)
{
    // Blocks after the first overwrite the first one's scratch file: making a file, or emptying
    // one, costs more than a block. The scan stops at the ';' line; the block without one, the
    // last, cuts what is left of the one before.
    ScratchFile own;
    ScratchFile &scratch = m_everyBlock ? block.scratch : own;
    const bool reused = scratch.isOpen();
    if (reused) {
        if (const int error = fileio::rewind(scratch.descriptor()))
            return cannotCheck(CheckFailure::ScratchNotWritten, error);
    } else {
        std::vector<ScratchAttempt> failed;
        scratch = m_scratch.create(block.chart, failed);
        if (!scratch.isOpen()) {
            // Each folder tried, and why: "in APP (reason) or in TMP (reason)".
            std::string folders;
            for (const ScratchAttempt &attempt : failed) {
                folders.append(folders.empty() ? " in " : " or in ").append(attempt.folder);
                folders.append(" (").append(fileio::errorText(attempt.error)).append(")");
            }
            return cannotCheck(CheckFailure::ScratchNotCreated,
                failed.empty() ? 0 : failed.back().error, std::move(folders));
        }
        // A large chart's scratch copy is about as large as the chart: space set aside for it
        // at once costs the file system much less than space taken a page at a time. Not for
        // small charts, which are written and gone before the file system gives their pages any.
        const long long chartSize = fileio::regularFileSize(block.chart);
        if (chartSize >= reserveFrom)
            fileio::reserveSpace(scratch.descriptor(), chartSize);
    }

    PumpClock &clock = block.clock;
    if (!clock.pumpNow())
        return CheckResult {CheckOutcome::Abandoned};
    // Only the first block is there without a #NOTES line; it then has no notes to check.
    const bool first = block.start.atChartStart;
    NotesFinder finder(clock);
    const NotesFinder::Stop found
        = finder.run(block.chart, block.input.data(), m_blockSize, block.start);
    switch (found) {
    case NotesFinder::Stop::Abandoned:
        return CheckResult {CheckOutcome::Abandoned};
    case NotesFinder::Stop::ReadFailed:
        return cannotCheck(CheckFailure::ChartNotRead, finder.readError());
    case NotesFinder::Stop::EndOfChart:
        if (!first)
            return std::nullopt;
        block.hasNext = false;
        break;
    case NotesFinder::Stop::Found:
        block.start = finder.tagLine();
        break;
    }
    const bool hasNotes = found == NotesFinder::Stop::Found;
    if (block.tracker != nullptr) {
        block.tracker->skipLines(finder.linesBefore());
        block.tracker->beginBlock(block.start.atChartStart);
    }
    bool readAhead = false;
    if (hasNotes) {
        ScratchWriter writer(
            scratch.descriptor(), block.output.data(), block.output.size(), m_io.get());
        ExtractionPass extraction(writer, clock, block.tracker);
        const ExtractionPass::Stop stop
            = extraction.run(block.chart, block.input.data(), m_blockSize, block.start);
        block.hasNext = stop == ExtractionPass::Stop::BlockEnd;
        block.start = extraction.rest();
        // A scratch file of more than two blocks is read back a block ahead of the scan; blocks
        // smaller than a page cost more to hand over than to read.
        readAhead = writer.written() > 2 * m_blockSize && m_blockSize >= PageBuffer::pageSize;
        switch (stop) {
        case ExtractionPass::Stop::Abandoned:
            return CheckResult {CheckOutcome::Abandoned};
        case ExtractionPass::Stop::ReadFailed:
            return cannotCheck(CheckFailure::ChartNotRead, extraction.readError());
        case ExtractionPass::Stop::WriteFailed:
            return cannotCheck(CheckFailure::ScratchNotWritten, writer.error());
        case ExtractionPass::Stop::EndOfChart:
        case ExtractionPass::Stop::BlockEnd:
            break;
        }
    }
    if (block.tracker != nullptr)
        block.tracker->endBlock();
    if (reused && !block.hasNext) {
        if (const int error = fileio::truncateHere(scratch.descriptor()))
            return cannotCheck(CheckFailure::ScratchNotWritten, error);
    }
    if (const int rewindError = fileio::rewind(scratch.descriptor()))
        return cannotCheck(CheckFailure::ScratchNotRead, rewindError);

    m_sink.addMessage(messages::checking);
    if (!clock.pumpNow())
        return CheckResult {CheckOutcome::Abandoned};
    ScanPass scan(m_sink, clock);
    int readError = fileio::noError;
    {
        // Gone, and its read ahead with it, before the scratch file is closed.
        BlockReader reader(scratch.descriptor(), block.output.data(), m_blockSize,
            readAhead ? m_io.get() : nullptr);
        readError = scan.run(reader);
    }
    if (readError != fileio::noError)
        return cannotCheck(CheckFailure::ScratchNotRead, readError);
    if (scan.isAbandoned())
        return CheckResult {CheckOutcome::Abandoned};
    // A scratch file that cannot be deleted does not change the verdict.
    if (!m_everyBlock)
        (void)scratch.discard();

    if (scan.problems() > 0) {
        m_sink.addMessage(messages::problemVerdict);
        return CheckResult {CheckOutcome::Problems, scan.problems()};
    }
    m_sink.addMessage(messages::okVerdict);
    return CheckResult {
        CheckOutcome::Ok, 0, hasNotes ? CheckFailure::None : CheckFailure::NoNotesBlock};
}

CheckResult CheckRun::finished(CheckResult result)
{
    if (m_observer != nullptr)
        m_observer->blockEnds(result);
    return result;
}

CheckResult CheckRun::incorrect(CheckResult result)
{
    m_sink.addMessage(messages::incorrect);
    return result;
}

CheckResult CheckRun::cannotCheck(CheckFailure failure, int error, std::string scratchFolders)
{
    CheckResult result {CheckOutcome::CouldNotCheck, 0, failure, error, std::move(scratchFolders)};
    std::string message(messages::cannotCheck);
    message.append(failureReason(result));
    m_sink.addMessage(message);
    return result;
}

} // namespace quillet
