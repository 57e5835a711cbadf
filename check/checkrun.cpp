#include "checkrun.h"

#include "eventpump.h"
#include "fileio.h"
#include "linesplitter.h"
#include "messages.h"
#include "messagesink.h"
#include "scratchfactory.h"

#include <charconv>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace quillet {

namespace {

bool isAcceptedMeasureSize(std::uint64_t rows)
{
    switch (rows) {
    case 4:
    case 8:
    case 12:
    case 16:
    case 24:
    case 48:
        return true;
    default:
        return false;
    }
}

// Counts lines and calls the pump at the start of a pass and then every linesPerPump lines.
class PumpClock
{
public:
    explicit PumpClock(EventPump *pump)
        : m_pump(pump)
    {
    }

    bool pumpNow() { return m_pump == nullptr || m_pump->processEvents(); }
    bool tick()
    {
        if (--m_untilPump != 0)
            return true;
        m_untilPump = EventPump::linesPerPump;
        return pumpNow();
    }

private:
    EventPump *m_pump;
    std::uint64_t m_untilPump = EventPump::linesPerPump;
};

// Collects scratch bytes into large writes; remembers the first failure and writes no more.
class ScratchWriter
{
public:
    ScratchWriter(int descriptor, char *buffer, std::size_t capacity)
        : m_descriptor(descriptor)
        , m_buffer(buffer)
        , m_capacity(capacity)
    {
    }

    void append(const char *data, std::size_t size)
    {
        if (m_error != fileio::noError)
            return;
        if (m_size + size > m_capacity)
            flush();
        if (size >= m_capacity) {
            if (m_error == fileio::noError)
                m_error = fileio::writeAll(m_descriptor, data, size);
            return;
        }
        std::memcpy(m_buffer + m_size, data, size);
        m_size += size;
    }

    void flush()
    {
        if (m_size > 0 && m_error == fileio::noError)
            m_error = fileio::writeAll(m_descriptor, m_buffer, m_size);
        m_size = 0;
    }

    int error() const { return m_error; }

private:
    int m_descriptor;
    char *m_buffer;
    std::size_t m_capacity;
    std::size_t m_size = 0;
    int m_error = fileio::noError;
};

// The extraction pass: copies the lines of the first note block, each followed by CR LF.
// Runs of lines that already end in CR LF are copied as one piece.
class Extractor
{
public:
    enum class Stop { None, BlockEnd, Written, WriteFailed, Abandoned };

    Extractor(ScratchWriter &writer, PumpClock &clock)
        : m_writer(writer)
        , m_clock(clock)
    {
    }

    bool line(const char *begin, const char *end, const char *next, bool continued, bool ended)
    {
        if (!continued) {
            const char first = begin != end ? *begin : '\0';
            m_copying = !m_firstLine && first != '#' && first != '/' && first != ' ';
            m_endsBlock = first == ';';
            m_firstLine = false;
            if (!m_clock.tick())
                return stop(Stop::Abandoned);
        }
        if (m_copying) {
            if (!continued && ended && next - end == 2) {
                // Already followed by CR LF: extend the pending run.
                if (begin != m_runEnd) {
                    flushRun();
                    m_runBegin = begin;
                }
                m_runEnd = next;
            } else {
                flushRun();
                if (begin != end)
                    m_writer.append(begin, std::size_t(end - begin));
                if (ended)
                    m_writer.append("\r\n", 2);
            }
            if (m_writer.error() != fileio::noError)
                return stop(Stop::WriteFailed);
        }
        if (ended && m_endsBlock)
            return stop(Stop::BlockEnd);
        return true;
    }

    // Before the block's memory is reused.
    void flushRun()
    {
        if (m_runBegin != m_runEnd)
            m_writer.append(m_runBegin, std::size_t(m_runEnd - m_runBegin));
        m_runBegin = m_runEnd = nullptr;
    }

    Stop stopped() const { return m_stop; }

private:
    bool stop(Stop why)
    {
        flushRun();
        m_stop = why;
        return false;
    }

    ScratchWriter &m_writer;
    PumpClock &m_clock;
    const char *m_runBegin = nullptr;
    const char *m_runEnd = nullptr;
    bool m_firstLine = true;
    bool m_copying = false;
    bool m_endsBlock = false;
    Stop m_stop = Stop::None;
};

// The scan pass: counts the rows of each measure and reports the ones of a wrong size.
class Scanner
{
public:
    Scanner(MessageSink &sink, PumpClock &clock)
        : m_sink(sink)
        , m_clock(clock)
    {
    }

    bool line(const char *begin, const char *end, const char *, bool continued, bool)
    {
        if (continued)
            return true;
        const char first = begin != end ? *begin : '\0';
        if (first == ',' || first == ';') {
            m_beat += 4;
            if (!isAcceptedMeasureSize(m_rows))
                reportProblem();
            m_rows = 0;
            if (first == ';')
                return false;
        } else {
            ++m_rows;
        }
        if (!m_clock.tick()) {
            m_abandoned = true;
            return false;
        }
        return true;
    }

    std::uint64_t problems() const { return m_problems; }
    bool isAbandoned() const { return m_abandoned; }

private:
    void reportProblem()
    {
        ++m_problems;
        report(messages::problemAtBeat, m_beat);
        report(messages::measureSize, m_rows);
    }

    void report(std::string_view text, std::uint64_t number)
    {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, number);
        std::string message(text);
        message.append(digits, result.ptr);
        m_sink.addMessage(message);
    }

    MessageSink &m_sink;
    PumpClock &m_clock;
    std::uint64_t m_beat = 0;
    std::uint64_t m_rows = 0;
    std::uint64_t m_problems = 0;
    bool m_abandoned = false;
};

class Run
{
public:
    Run(MessageSink &sink, ScratchFactory &scratch, EventPump *pump, std::size_t blockSize)
        : m_sink(sink)
        , m_scratchFactory(scratch)
        , m_pump(pump)
        , m_blockSize(blockSize)
        , m_input(new char[blockSize])
        , m_output(new char[blockSize])
    {
    }

    CheckResult check(int chart)
    {
        int error = fileio::noError;
        long long size = fileio::readSome(chart, m_input.get(), m_blockSize, error);
        // An unreadable or empty chart has no first line, and an empty first line no '#'.
        if (size <= 0 || m_input[0] != '#') {
            m_sink.addMessage(messages::incorrect);
            return {CheckOutcome::Incorrect};
        }

        std::error_code scratchError;
        ScratchFile scratch = m_scratchFactory.create(scratchError);
        if (!scratch.isOpen())
            return cannotCheck(messages::scratchNotCreated, scratchError.value());

        PumpClock clock(m_pump);
        if (!clock.pumpNow())
            return {CheckOutcome::Abandoned};
        ScratchWriter writer(scratch.descriptor(), m_output.get(), m_blockSize);
        Extractor extractor(writer, clock);
        LineSplitter chartLines;
        for (;;) {
            const bool goOn = chartLines.feed(m_input.get(), std::size_t(size), extractor);
            extractor.flushRun();
            if (!goOn)
                break;
            size = fileio::readSome(chart, m_input.get(), m_blockSize, error);
            if (size < 0)
                return cannotCheck(messages::chartNotRead, error);
            if (size == 0) {
                chartLines.finish(extractor);
                break;
            }
        }
        writer.flush();
        if (extractor.stopped() == Extractor::Stop::Abandoned)
            return {CheckOutcome::Abandoned};
        if (writer.error() != fileio::noError)
            return cannotCheck(messages::scratchNotWritten, writer.error());
        if (const int rewindError = fileio::rewind(scratch.descriptor()))
            return cannotCheck(messages::scratchNotRead, rewindError);

        m_sink.addMessage(messages::checking);
        if (!clock.pumpNow())
            return {CheckOutcome::Abandoned};
        Scanner scanner(m_sink, clock);
        LineSplitter scratchLines;
        for (;;) {
            size = fileio::readSome(scratch.descriptor(), m_input.get(), m_blockSize, error);
            if (size < 0)
                return cannotCheck(messages::scratchNotRead, error);
            if (size == 0) {
                scratchLines.finish(scanner);
                break;
            }
            if (!scratchLines.feed(m_input.get(), std::size_t(size), scanner))
                break;
        }
        if (scanner.isAbandoned())
            return {CheckOutcome::Abandoned};
        // A scratch file that cannot be deleted does not change the verdict.
        (void)scratch.discard();

        if (scanner.problems() > 0) {
            m_sink.addMessage(messages::problemVerdict);
            return {CheckOutcome::Problems, scanner.problems()};
        }
        m_sink.addMessage(messages::okVerdict);
        return {CheckOutcome::Ok};
    }

private:
    CheckResult cannotCheck(std::string_view what, int error)
    {
        std::string message(messages::cannotCheck);
        message.append(what);
        message.append(" (");
        message.append(fileio::errorText(error));
        message.append(")");
        m_sink.addMessage(message);
        return {CheckOutcome::CouldNotCheck, 0, error};
    }

    MessageSink &m_sink;
    ScratchFactory &m_scratchFactory;
    EventPump *m_pump;
    std::size_t m_blockSize;
    std::unique_ptr<char[]> m_input;
    std::unique_ptr<char[]> m_output;
};

} // namespace

CheckRun::CheckRun(MessageSink &sink, ScratchFactory &scratch, EventPump *pump)
    : m_sink(sink)
    , m_scratch(scratch)
    , m_pump(pump)
{
}

void CheckRun::setBlockSize(std::size_t bytes)
{
    m_blockSize = bytes > 0 ? bytes : 1;
}

CheckResult CheckRun::run(const std::string &path)
{
    int error = fileio::noError;
    const int chart = fileio::openForReading(path, error);
    // Only a regular file can be a chart: a folder, FIFO or device would fail or block.
    if (chart < 0 || !fileio::isRegularFile(chart)) {
        if (chart >= 0)
            fileio::close(chart);
        m_sink.addMessage(messages::incorrect);
        return {CheckOutcome::Incorrect};
    }
    const CheckResult result = runOnDescriptor(chart);
    fileio::close(chart);
    return result;
}

CheckResult CheckRun::runOnDescriptor(int descriptor)
{
    return Run(m_sink, m_scratch, m_pump, m_blockSize).check(descriptor);
}

} // namespace quillet
