#pragma once

#include "checkresult.h"

#include <cstddef>
#include <string>

namespace quillet {

class EventPump;
class MessageSink;
class ScratchFactory;

// One check of one chart, its passes in order: the first-line test, the extraction of the first
// note block into the scratch file (ExtractionPass), the scan of its measures (ScanPass) and the
// verdict, each message sent to the sink. The result says why a chart failed (checkfailure.h).
class CheckRun
{
public:
    static constexpr std::size_t defaultBlockSize = 256 * 1024;

    /// pump may be null. The referenced objects must outlive the run.
    CheckRun(MessageSink &sink, ScratchFactory &scratch, EventPump *pump = nullptr);

    /// Reads in blocks of this many bytes (at least 1); tests use tiny blocks to split line ends.
    void setBlockSize(std::size_t bytes);

    /// Checks the chart at path, taken verbatim. Anything but a regular file is incorrect.
    [[nodiscard]] CheckResult run(const std::string &path);
    /// Checks the chart read from an open descriptor (a pipe or standard input); does not close it.
    [[nodiscard]] CheckResult runOnDescriptor(int descriptor);

private:
    CheckResult incorrect(CheckResult result);
    CheckResult cannotCheck(CheckFailure failure, int error, std::string scratchFolders = {});

    MessageSink &m_sink;
    ScratchFactory &m_scratch;
    EventPump *m_pump;
    std::size_t m_blockSize = defaultBlockSize;
};

} // namespace quillet
