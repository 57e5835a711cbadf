#include "checkrun.h"

#include "eventpump.h"
#include "fileio.h"
#include "linesplitter.h"
#include "messages.h"
#include "messagesink.h"
#include "scratchfactory.h"

#include <algorithm>
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
    { }

    bool pumpNow() { return m_pump == nullptr || m_pump->processEvents(); }
    bool count(std::uint64_t lines)
    {
        m_lines += lines;
        if (m_lines < m_nextPump)
            return true;
        m_nextPump = (m_lines / EventPump::linesPerPump + 1) * EventPump::linesPerPump;
        return pumpNow();
    }

private:
    EventPump *m_pump;
    std::uint64_t m_lines = 0;
    std::uint64_t m_nextPump = EventPump::linesPerPump;
};

// Collects scratch bytes into large writes; remembers the first failure and writes no more.
class ScratchWriter
{
public:
    ScratchWriter(int descriptor, char *buffer, std::size_t capacity)
        : m_descriptor(descriptor)
        , m_buffer(buffer)
        , m_capacity(capacity)
    { }

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

    /// Room for size bytes at the end of the buffer, to be filled and then passed to commit.
    char *reserve(std::size_t size)
    {
        if (m_size + size > m_capacity)
            flush();
        return m_buffer + m_size;
    }

    void commit(char *end) { m_size = std::size_t(end - m_buffer); }

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

// Pieces of a block are copied 16 bytes at a time, so reads and writes may run this far past
// their end; the buffers have that much room.
constexpr std::size_t copyOverrun = 16;
// Room for the output of one chunk of lone-LF lines, whatever the block size.
constexpr std::size_t minimumOutputSize = 1024;

std::uint64_t bitsBelow(unsigned bit)
{
    return (std::uint64_t(1) << bit) - 1;
}

// The extraction pass: copies every line of the first note block that does not begin with '#',
// '/' or ' ', each followed by CR LF, up to and with the first line that begins with ';'. The
// chart's first line is never copied. Lines that already end in CR LF go out as they came in, in
// runs as long as a block; a lone CR gets an LF after it and a lone LF a CR before it.
class Extractor
{
public:
    using Splitter = LineSplitter<'#', '/', ' ', ';'>;
    enum class Stop { None, BlockEnd, WriteFailed, Abandoned };

    Extractor(ScratchWriter &writer, PumpClock &clock)
        : m_writer(writer)
        , m_clock(clock)
    { }

    // Inlined into the splitter's loop; the rarer chunks that need line-by-line work are not.
    [[gnu::always_inline]] bool chunk(const Splitter::Chunk &chunk)
    {
        const std::uint64_t marked = chunk.starts & chunk.marked;
        const std::uint64_t loneLf = chunk.lf & ~((chunk.cr << 1) | std::uint64_t(chunk.crBefore));
        // A CR in the last byte is settled by the next chunk (loneCrBefore).
        const std::uint64_t loneCr = chunk.cr & ~(chunk.lf >> 1) & bitsBelow(chunk.size - 1);
        const bool loneCrBefore = chunk.crBefore && (chunk.lf & 1) == 0;

        const bool allCopied = m_copying && !m_endsBlock && marked == 0 && !loneCrBefore;
        if (allCopied && (loneLf | loneCr) == 0) {
            copy(chunk.data, chunk.data + chunk.size);
        } else if (allCopied && loneCr == 0) {
            insertCrBefore(chunk, loneLf);
        } else if (!copyLines(chunk, marked, loneLf, loneCr, loneCrBefore)) {
            return false;
        }
        if (m_writer.error() != fileio::noError)
            return stop(Stop::WriteFailed);
        if (!m_clock.count(countBits(chunk.starts)))
            return stop(Stop::Abandoned);
        return true;
    }

    /// At the end of the chart: the last line still needs its CR LF, or the LF after its CR.
    void finish(const Splitter &splitter)
    {
        if (!m_copying)
            return;
        if (splitter.endsWithCr())
            insert("\n");
        else if (splitter.endsInsideLine())
            insert("\r\n");
    }

    /// Before the block's memory is reused.
    void flushRun()
    {
        if (m_runBegin != m_runEnd)
            m_writer.append(m_runBegin, std::size_t(m_runEnd - m_runBegin));
        m_runBegin = m_runEnd = nullptr;
    }

    Stop stopped() const { return m_stop; }

private:
    [[gnu::noinline]] bool copyLines(const Splitter::Chunk &chunk, std::uint64_t marked,
        std::uint64_t loneLf, std::uint64_t loneCr, bool loneCrBefore)
    {
        const char *data = chunk.data;
        if (loneCrBefore && m_copying)
            insert("\n");
        const std::uint64_t lineEnds = chunk.cr | loneLf;
        unsigned segment = 0;
        for (std::uint64_t events = chunk.starts | lineEnds; events != 0; events &= events - 1) {
            const unsigned at = unsigned(std::countr_zero(events));
            const std::uint64_t bit = std::uint64_t(1) << at;
            // A line's start comes before its end: an empty line has both at one byte.
            if (chunk.starts & bit) {
                if (m_copying)
                    copy(data + segment, data + at);
                segment = at;
                m_copying = (marked & bit) == 0 || data[at] == ';';
                m_endsBlock = (marked & bit) != 0 && data[at] == ';';
            }
            if ((lineEnds & bit) == 0)
                continue;
            if (m_endsBlock) {
                copy(data + segment, data + at);
                insert("\r\n");
                return stop(Stop::BlockEnd);
            }
            if (!m_copying)
                continue;
            if (loneLf & bit) {
                copy(data + segment, data + at);
                insert("\r");
                segment = at;
            } else if (loneCr & bit) {
                copy(data + segment, data + at + 1);
                insert("\n");
                segment = at + 1;
            }
        }
        if (m_copying)
            copy(data + segment, data + chunk.size);
        return true;
    }

    // A chunk of copied lines that end in lone LFs, the common case of charts saved on Linux.
    void insertCrBefore(const Splitter::Chunk &chunk, std::uint64_t loneLf)
    {
        flushRun();
        char *out = m_writer.reserve(2 * 64 + copyOverrun);
        unsigned from = 0;
        for (std::uint64_t ends = loneLf; ends != 0; ends &= ends - 1) {
            const unsigned at = unsigned(std::countr_zero(ends));
            out = copyPiece(out, chunk.data + from, at - from);
            *out++ = '\r';
            from = at; // the LF goes out with the next piece
        }
        out = copyPiece(out, chunk.data + from, chunk.size - from);
        m_writer.commit(out);
    }

    // Copies size bytes 16 at a time: lines are short, and fixed-size copies cost no call.
    static char *copyPiece(char *out, const char *from, unsigned size)
    {
        for (;;) {
            std::memcpy(out, from, copyOverrun);
            if (size <= copyOverrun)
                return out + size;
            out += copyOverrun;
            from += copyOverrun;
            size -= unsigned(copyOverrun);
        }
    }

    void copy(const char *begin, const char *end)
    {
        if (begin == end)
            return;
        if (begin != m_runEnd) {
            flushRun();
            m_runBegin = begin;
        }
        m_runEnd = end;
    }

    void insert(const char *text)
    {
        flushRun();
        m_writer.append(text, std::strlen(text));
    }

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
    bool m_copying = false; // the line under way is copied; the chart's first line never is
    bool m_endsBlock = false; // the line under way begins with ';'
    Stop m_stop = Stop::None;
};

// The scan pass: counts the rows of each measure and reports the ones of a wrong size.
class Scanner
{
public:
    using Splitter = LineSplitter<',', ';'>;

    Scanner(MessageSink &sink, PumpClock &clock)
        : m_sink(sink)
        , m_clock(clock)
    { }

    [[gnu::always_inline]] bool chunk(const Splitter::Chunk &chunk)
    {
        const std::uint64_t measureEnds = chunk.starts & chunk.marked;
        std::uint64_t rows = chunk.starts & ~measureEnds;
        std::uint64_t lines = 0;
        for (std::uint64_t ends = measureEnds; ends != 0; ends &= ends - 1) {
            const unsigned at = unsigned(std::countr_zero(ends));
            const unsigned measureRows = countBits(rows & bitsBelow(at));
            lines += measureRows + 1;
            m_rows += measureRows;
            rows &= ~bitsBelow(at);
            m_beat += 4;
            if (!isAcceptedMeasureSize(m_rows))
                reportProblem();
            m_rows = 0;
            if (chunk.data[at] == ';')
                return false;
        }
        const unsigned trailingRows = countBits(rows);
        m_rows += trailingRows;
        if (!m_clock.count(lines + trailingRows)) {
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
        m_message.assign(text);
        m_message.append(digits, result.ptr);
        m_sink.addMessage(m_message);
    }

    MessageSink &m_sink;
    PumpClock &m_clock;
    std::uint64_t m_beat = 0;
    std::uint64_t m_rows = 0;
    std::uint64_t m_problems = 0;
    bool m_abandoned = false;
    std::string m_message; // reused: a chart can have a million faulty measures
};

class Run
{
public:
    Run(MessageSink &sink, ScratchFactory &scratch, EventPump *pump, std::size_t blockSize)
        : m_sink(sink)
        , m_scratchFactory(scratch)
        , m_pump(pump)
        , m_blockSize(blockSize)
        , m_outputSize(std::max(blockSize, minimumOutputSize))
        , m_input(new char[blockSize + copyOverrun]())
        , m_output(new char[m_outputSize])
    { }

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
        ScratchWriter writer(scratch.descriptor(), m_output.get(), m_outputSize);
        Extractor extractor(writer, clock);
        // The first line was tested above and is never copied: it is the line under way.
        Extractor::Splitter chartLines(false);
        clock.count(1);
        for (;;) {
            const bool goOn = chartLines.feed(m_input.get(), std::size_t(size), extractor);
            extractor.flushRun();
            if (!goOn)
                break;
            size = fileio::readSome(chart, m_input.get(), m_blockSize, error);
            if (size < 0)
                return cannotCheck(messages::chartNotRead, error);
            if (size == 0) {
                extractor.finish(chartLines);
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
        if (const int readError = scan(scratch.descriptor(), scanner))
            return cannotCheck(messages::scratchNotRead, readError);
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
    // Reads the scratch back into the scanner; returns the system's error number, 0 on success.
    int scan(int scratch, Scanner &scanner)
    {
        Scanner::Splitter lines(true);
        for (;;) {
            int error = fileio::noError;
            const long long size = fileio::readSome(scratch, m_input.get(), m_blockSize, error);
            if (size < 0)
                return error;
            if (size == 0 || !lines.feed(m_input.get(), std::size_t(size), scanner))
                return fileio::noError;
        }
    }

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
    std::size_t m_outputSize;
    std::unique_ptr<char[]> m_input; // copyOverrun bytes longer than a block, for copyPiece
    std::unique_ptr<char[]> m_output;
};

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
    // Only a regular file can be a chart: a folder, FIFO or device would fail or block.
    if (chart < 0) {
        m_sink.addMessage(messages::incorrect);
        return {CheckOutcome::Incorrect, 0, error};
    }
    if (!fileio::isRegularFile(chart)) {
        fileio::close(chart);
        m_sink.addMessage(messages::incorrect);
        return {CheckOutcome::Incorrect, 0, 0, true};
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
