#include "checkrun.h"

#include "checkfailure.h"
#include "extractionpass.h"
#include "fileio.h"
#include "messages.h"
#include "messagesink.h"
#include "pagebuffer.h"
#include "pumpclock.h"
#include "scanpass.h"
#include "scratchfactory.h"
#include "scratchwriter.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace quillet {

namespace {

// The bytes firstLineFailure needs to tell an incorrect chart's reason.
constexpr std::size_t firstLineProbe = 3;

} // namespace

CheckRun::CheckRun(MessageSink &sink, ScratchFactory &scratch, EventPump *pump)
    : m_sink(sink)
    , m_scratch(scratch)
    , m_pump(pump)
{ }

void CheckRun::setBlockSize(std::size_t bytes)
{
    m_blockSize = bytes > 0 ? bytes : 1;
}

CheckResult CheckRun::run(const std::string &path)
{
    int error = fileio::noError;
    const int chart = fileio::openForReading(path, error);
    if (chart < 0)
        return incorrect({CheckOutcome::Incorrect, 0, CheckFailure::CannotOpen, error});
    // Only a regular file can be a chart: a folder, FIFO or device would fail or block.
    if (!fileio::isRegularFile(chart)) {
        fileio::close(chart);
        return incorrect({CheckOutcome::Incorrect, 0, CheckFailure::NotRegularFile});
    }
    const CheckResult result = runOnDescriptor(chart);
    fileio::close(chart);
    return result;
}

CheckResult CheckRun::runOnDescriptor(int chart)
{
    // The extraction copies 16 bytes at a time and may read that far past a block.
    PageBuffer input(std::max(m_blockSize, firstLineProbe) + ExtractionPass::copyOverrun);
    int error = fileio::noError;
    long long size = fileio::readSome(chart, input.data(), m_blockSize, error);
    if (size < 0)
        return cannotCheck(CheckFailure::ChartNotRead, error);
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
        return incorrect({CheckOutcome::Incorrect, 0, firstLineFailure(start)});
    }

    std::vector<ScratchAttempt> failed;
    ScratchFile scratch = m_scratch.create(chart, failed);
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

    PumpClock clock(m_pump);
    if (!clock.pumpNow())
        return {CheckOutcome::Abandoned};
    {
        PageBuffer output(std::max(m_blockSize, ExtractionPass::minimumOutputSize));
        ScratchWriter writer(scratch.descriptor(), output.data(), output.size());
        ExtractionPass extraction(writer, clock);
        switch (extraction.run(chart, input.data(), std::size_t(size), m_blockSize)) {
        case ExtractionPass::Stop::Abandoned:
            return {CheckOutcome::Abandoned};
        case ExtractionPass::Stop::ReadFailed:
            return cannotCheck(CheckFailure::ChartNotRead, extraction.readError());
        case ExtractionPass::Stop::WriteFailed:
            return cannotCheck(CheckFailure::ScratchNotWritten, writer.error());
        case ExtractionPass::Stop::EndOfChart:
        case ExtractionPass::Stop::BlockEnd:
            break;
        }
    }
    if (const int rewindError = fileio::rewind(scratch.descriptor()))
        return cannotCheck(CheckFailure::ScratchNotRead, rewindError);

    m_sink.addMessage(messages::checking);
    if (!clock.pumpNow())
        return {CheckOutcome::Abandoned};
    ScanPass scan(m_sink, clock);
    if (const int readError = scan.run(scratch.descriptor(), input.data(), m_blockSize))
        return cannotCheck(CheckFailure::ScratchNotRead, readError);
    if (scan.isAbandoned())
        return {CheckOutcome::Abandoned};
    // A scratch file that cannot be deleted does not change the verdict.
    (void)scratch.discard();

    if (scan.problems() > 0) {
        m_sink.addMessage(messages::problemVerdict);
        return {CheckOutcome::Problems, scan.problems()};
    }
    m_sink.addMessage(messages::okVerdict);
    return {CheckOutcome::Ok};
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
