// quillet-check: the window's check from the command line, for scripts and batches of charts.

#include "checkfailure.h"
#include "checkrun.h"
#include "fileio.h"
#include "messagesink.h"
#include "pagebuffer.h"
#include "tempscratchfactory.h"
#include "version.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#ifdef _WIN32
#include "windowsconsole.h"
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

constexpr std::string_view programName = "quillet-check";

constexpr int exitOk = 0;
constexpr int exitProblems = 1;
constexpr int exitTrouble = 2;

constexpr std::string_view usageText
    = "Usage: quillet-check [OPTIONS] CHART...\n"
      "Check that every measure of each StepMania chart's first note block has\n"
      "4, 8, 12, 16, 24 or 48 rows, and print the check's log.\n"
      "\n"
      "  --crlf         end log lines with CR LF, as the window's log does\n"
      "  -q, --quiet    print nothing; the exit status tells the result\n"
      "  -h, --help     show this help and exit\n"
      "  -V, --version  show the version and exit\n"
      "\n"
      "A CHART of '-' is read from standard input. With two or more charts each\n"
      "line starts with the chart's name and ': '.\n"
      "\n"
      "Exit status: 0 if every chart is OK, 1 if a chart has a problem or is\n"
      "incorrect, 2 on a usage error or a chart that could not be checked.\n";

struct Options
{
    bool crlf = false;
    bool quiet = false;
    std::vector<std::string> charts;
};

// Standard output in whole lines: every write ends at a line end and holds at most 4 KiB where
// the lines allow, so that runs sharing a pipe (xargs -P) never splice each other's lines.
class LineOutput
{
public:
    static constexpr std::size_t maxWrite = 4096; // PIPE_BUF on Linux: a pipe write stays whole

    void writeLine(std::string_view prefix, std::string_view text, std::string_view end)
    {
        const std::size_t size = prefix.size() + text.size() + end.size();
        if (m_size + size > maxWrite)
            flush();
        if (size > maxWrite) {
            std::string line;
            line.append(prefix).append(text).append(end);
            write(line.data(), line.size());
            return;
        }
        for (const std::string_view part : {prefix, text, end}) {
            std::memcpy(m_buffer.data() + m_size, part.data(), part.size());
            m_size += part.size();
        }
    }

    void flush()
    {
        if (m_size > 0)
            write(m_buffer.data(), m_size);
        m_size = 0;
    }

    /// The system's error number of the first write that failed, 0 while none has.
    int error() const { return m_error; }

private:
    void write(const char *data, std::size_t size)
    {
        if (m_error == 0)
            m_error = quillet::fileio::writeAll(1, data, size);
    }

    quillet::PageBuffer m_buffer {maxWrite};
    std::size_t m_size = 0;
    int m_error = 0;
};

// Standard error; standard output goes out first, so that the lines keep their order on a
// terminal.
void printError(LineOutput &output, std::string_view text)
{
    output.flush();
    std::fprintf(stderr, "%.*s: %.*s\n", int(programName.size()), programName.data(),
        int(text.size()), text.data());
}

int usageError(LineOutput &output, std::string_view text)
{
    printError(output, text);
    std::fprintf(stderr, "Try '%.*s --help' for more information.\n", int(programName.size()),
        programName.data());
    return exitTrouble;
}

// Everything one chart prints: its log, each line on standard output as the check goes, and when
// the chart is incorrect or could not be checked, why on standard error.
class LogPrinter : public quillet::MessageSink
{
public:
    LogPrinter(const Options &options, LineOutput &output, std::string name)
        : m_options(options)
        , m_output(output)
        , m_name(std::move(name))
        , m_prefix(options.charts.size() > 1 ? m_name + ": " : std::string())
    { }

    void addMessage(std::string_view message) override
    {
        if (!m_options.quiet)
            m_output.writeLine(m_prefix, message, m_options.crlf ? "\r\n" : "\n");
    }

    void finish(const quillet::CheckResult &result)
    {
        if (result.failure != quillet::CheckFailure::None)
            printError(m_output, m_name + ": " + quillet::failureReason(result));
    }

private:
    const Options &m_options;
    LineOutput &m_output;
    std::string m_name;
    std::string m_prefix;
};

int checkChart(const Options &options, LineOutput &output, const std::string &chart)
{
    const bool fromInput = chart == "-";
    LogPrinter printer(options, output, fromInput ? "(standard input)" : chart);
    quillet::TempScratchFactory scratch;
    quillet::CheckRun run(printer, scratch);
    const quillet::CheckResult result = fromInput ? run.runOnDescriptor(0) : run.run(chart);
    printer.finish(result);
    switch (result.outcome) {
    case quillet::CheckOutcome::Ok:
        return exitOk;
    case quillet::CheckOutcome::Problems:
    case quillet::CheckOutcome::Incorrect:
        return exitProblems;
    case quillet::CheckOutcome::CouldNotCheck:
    case quillet::CheckOutcome::Abandoned:
        break;
    }
    return exitTrouble;
}

// A closed standard stream would give its number to the next file opened, the scratch file
// included. Each is opened on /dev/null the wrong way round, so that using it fails as it would
// have.
bool openClosedStandardStreams()
{
#ifndef _WIN32
    for (int descriptor = 0; descriptor < 3; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) >= 0 || errno != EBADF)
            continue;
        if (::open("/dev/null", descriptor == 0 ? O_WRONLY : O_RDONLY) != descriptor)
            return false;
    }
#endif
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (!openClosedStandardStreams())
        return exitTrouble;
#ifdef _WIN32
    const quillet::WindowsConsole console(argc, argv);
#endif
#ifdef SIGXFSZ
    // Past a file-size limit the scratch write fails with EFBIG and is reported, not fatal.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    LineOutput output;

    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            options.charts.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--crlf") {
            options.crlf = true;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fwrite(usageText.data(), 1, usageText.size(), stdout);
            return std::fflush(stdout) == 0 ? exitOk : exitTrouble;
        } else if (arg == "-V" || arg == "--version") {
            std::fputs("quillet-check " QUILLET_VERSION "\n", stdout);
            return std::fflush(stdout) == 0 ? exitOk : exitTrouble;
        } else {
            return usageError(output, "unknown option '" + std::string(arg) + "'");
        }
    }
    if (options.charts.empty())
        return usageError(output, "no chart given");

    int status = exitOk;
    for (const std::string &chart : options.charts) {
        const int chartStatus = checkChart(options, output, chart);
        if (chartStatus > status)
            status = chartStatus;
    }
    output.flush();
    if (output.error() != 0) {
        printError(output, "cannot write the log: " + quillet::fileio::errorText(output.error()));
        return exitTrouble;
    }
    return status;
}
