#include "checkrun.h"

#include "blockobserver.h"
#include "chartreader.h"
#include "checkfailure.h"
#include "extraction.h"
#include "io/fileio.h"
#include "io/pagebuffer.h"
#include "io/scratchfactory.h"
#include "messages.h"
#include "messagesink.h"
#include "notesheader.h"
#include "pumpclock.h"
#include "scan.h"
#include "scratchcopy.h"

#include <algorithm>
#include <utility>

namespace quillet {

namespace {

// The bytes firstLineFailure needs to tell an incorrect chart's reason: fewer than the buffer's.
constexpr std::size_t firstLineProbe = 3;
static_assert(firstLineProbe <= 1 + Extraction::tagRoom);

// A buffer of at least size bytes, made again only when it is too small. Page-aligned: the kernel
// copies into such a buffer several times faster than into one a few bytes off a cache line.
char *reuse(std::unique_ptr<PageBuffer> &buffer, std::size_t size)
{
    if (!buffer || buffer->size() < size)
        buffer = std::make_unique<PageBuffer>(size);
    return buffer->data();
}

} // namespace

// Each member is made after those it refers to.
struct CheckRun::Chart
{
    ChartReader &reader;
    PumpClock clock;
    Extraction extraction;
    NotesHeader header;
    Scan scan;
    ScratchFile scratch = {}; // with every block, one for all of them
    std::uint64_t number = 0;
    bool hasNext = false;
};

CheckRun::CheckRun(MessageSink &sink, EventPump *pump)
    : m_sink(sink)
    , m_pump(pump)
{ }

CheckRun::CheckRun(MessageSink &sink, ScratchFactory &scratch, EventPump *pump)
    : m_sink(sink)
    , m_scratch(&scratch)
    , m_pump(pump)
{ }

CheckRun::~CheckRun() = default;

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

CheckResult CheckRun::runOnDescriptor(int descriptor)
{
    DescriptorReader reader(descriptor);
    return run(reader);
}

CheckResult CheckRun::run(ChartReader &reader)
{
    char *const input = reuse(m_input, m_blockSize + Extraction::tagRoom);
    int error = fileio::noError;
    long long size = reader.read(input, m_blockSize, error);
    if (size < 0)
        return finished(cannotCheck(CheckFailure::ChartNotRead, error));
    if (size == 0 || input[0] != rules::firstLineStart) {
        // Enough of the start to say why; the verdict stands whatever these reads give.
        while (size > 0 && std::size_t(size) < firstLineProbe) {
            const long long more
                = reader.read(input + size, firstLineProbe - std::size_t(size), error);
            if (more <= 0)
                break;
            size += more;
        }
        const std::string_view start(input, std::size_t(size));
        return finished(incorrect({CheckOutcome::Incorrect, 0, firstLineFailure(start)}));
    }

    Chart chart {reader, PumpClock(m_pump),
        Extraction(reader, input, m_blockSize, std::size_t(size), chart.clock), NotesHeader(),
        Scan(m_sink, chart.clock, m_observer, chart.header)};
    std::optional<CheckResult> worst;
    while (const std::optional<CheckResult> result = checkBlock(chart)) {
        finished(*result);
        if (!worst || result->outcome > worst->outcome)
            worst = result;
        if (!m_everyBlock || !chart.hasNext || result->outcome > CheckOutcome::Incorrect)
            break;
    }
    return *worst;
}

std::optional<CheckResult> CheckRun::checkBlock(Chart &chart)
{
    ++chart.number;
    if (m_scratch != nullptr && !chart.scratch.isOpen()) {
        std::vector<ScratchAttempt> failed;
        chart.scratch = m_scratch->create(chart.reader.descriptor(), failed);
        if (!chart.scratch.isOpen()) {
            // Each folder tried, and why: "in APP (reason) or in TMP (reason)".
            std::string folders;
            for (const ScratchAttempt &attempt : failed) {
                folders.append(folders.empty() ? " in " : " or in ").append(attempt.folder);
                folders.append(" (").append(fileio::errorText(attempt.error)).append(")");
            }
            return cannotCheck(CheckFailure::ScratchNotCreated,
                failed.empty() ? 0 : failed.back().error, std::move(folders));
        }
    }
    if (!chart.clock.pumpNow())
        return CheckResult {CheckOutcome::Abandoned};
    Extraction &extraction = chart.extraction;
    switch (extraction.findBlock()) {
    case Extraction::Stop::Abandoned:
        return CheckResult {CheckOutcome::Abandoned};
    case Extraction::Stop::ReadFailed:
        return cannotCheck(CheckFailure::ChartNotRead, extraction.readError());
    case Extraction::Stop::EndOfChart:
        // Only the first block is there without a #NOTES line; it then has no notes to check.
        if (chart.number > 1)
            return std::nullopt;
        chart.hasNext = false;
        break;
    default:
        chart.hasNext = true;
        chart.header.reset();
        break;
    }
    const bool hasNotes = chart.hasNext;
    Scan &scan = chart.scan;
    scan.beginBlock(chart.number, hasNotes && m_scratch == nullptr ? extraction.blockLine() : 1);
    if (m_scratch != nullptr)
        return copyAndScan(chart, hasNotes);
    if (hasNotes) {
        if (const std::optional<CheckResult> stopped = passBlock(chart, scan))
            return stopped;
        extraction.setLinesRead(scan.linesRead());
    }
    return verdict(scan, hasNotes);
}

std::optional<CheckResult> CheckRun::passBlock(Chart &chart, BlockLines &lines)
{
    const Extraction::Stop stop = chart.extraction.passBlock(lines, chart.header);
    if (chart.clock.isAbandoned())
        return CheckResult {CheckOutcome::Abandoned};
    if (stop == Extraction::Stop::ReadFailed)
        return cannotCheck(CheckFailure::ChartNotRead, chart.extraction.readError());
    chart.hasNext = stop == Extraction::Stop::BlockEnd;
    return std::nullopt;
}

// The window's way: the block into the scratch file, then the scan of what the file gives back.
std::optional<CheckResult> CheckRun::copyAndScan(Chart &chart, bool hasNotes)
{
    const int file = chart.scratch.descriptor();
    // Blocks after the first overwrite the first one's scratch file: making a file costs more.
    if (chart.number > 1) {
        if (const int error = fileio::rewind(file))
            return cannotCheck(CheckFailure::ScratchNotWritten, error);
    }
    const std::size_t bufferSize = std::max(m_blockSize, ScratchCopy::minimumBuffer);
    char *const buffer = reuse(m_scratchBuffer, bufferSize);
    if (hasNotes) {
        ScratchCopy copy(file, buffer, bufferSize, chart.clock);
        if (const std::optional<CheckResult> stopped = passBlock(chart, copy))
            return stopped;
        if (const int error = copy.flush())
            return cannotCheck(CheckFailure::ScratchNotWritten, error);
    }
    if (chart.number > 1) {
        if (const int error = fileio::truncateHere(file))
            return cannotCheck(CheckFailure::ScratchNotWritten, error);
    }
    if (const int error = fileio::rewind(file))
        return cannotCheck(CheckFailure::ScratchNotRead, error);

    Scan &scan = chart.scan;
    scan.begin();
    if (!chart.clock.pumpNow())
        return CheckResult {CheckOutcome::Abandoned};
    DescriptorReader copy(file);
    for (;;) {
        int error = fileio::noError;
        const long long size = copy.read(buffer, m_blockSize, error);
        if (size < 0)
            return cannotCheck(CheckFailure::ScratchNotRead, error);
        if (size == 0 || !scan.take(buffer, std::size_t(size)))
            break;
    }
    if (chart.clock.isAbandoned())
        return CheckResult {CheckOutcome::Abandoned};
    // A scratch file that cannot be deleted does not change the verdict.
    if (!m_everyBlock)
        (void)chart.scratch.discard();
    return verdict(scan, hasNotes);
}

CheckResult CheckRun::verdict(Scan &scan, bool hasNotes)
{
    scan.begin();
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
