// quillet-check: the window's check from the command line, for scripts and batches of charts.

#include "checkfailure.h"
#include "checkrun.h"
#include "messagesink.h"
#include "tempscratchfactory.h"
#include "version.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#ifdef _WIN32
#include "windowsconsole.h"
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

// Prints each log message as a line of standard output.
class PrintingSink : public quillet::MessageSink
{
public:
    PrintingSink(const Options &options, std::string prefix)
        : m_options(options)
        , m_prefix(std::move(prefix))
    { }

    void addMessage(std::string_view message) override
    {
        if (m_options.quiet)
            return;
        std::fwrite(m_prefix.data(), 1, m_prefix.size(), stdout);
        std::fwrite(message.data(), 1, message.size(), stdout);
        std::fputs(m_options.crlf ? "\r\n" : "\n", stdout);
    }

private:
    const Options &m_options;
    std::string m_prefix;
};

void printError(std::string_view text)
{
    std::fprintf(stderr, "%.*s: %.*s\n", int(programName.size()), programName.data(),
        int(text.size()), text.data());
}

int usageError(std::string_view text)
{
    printError(text);
    std::fprintf(stderr, "Try '%.*s --help' for more information.\n", int(programName.size()),
        programName.data());
    return exitTrouble;
}

// Checks one chart, printing its log as it goes and, when it fails, why on standard error.
int checkChart(const Options &options, const std::string &chart)
{
    const bool fromInput = chart == "-";
    const std::string name = fromInput ? "(standard input)" : chart;
    PrintingSink sink(options, options.charts.size() > 1 ? name + ": " : std::string());
    quillet::TempScratchFactory scratch;
    quillet::CheckRun run(sink, scratch);
    const quillet::CheckResult result = fromInput ? run.runOnDescriptor(0) : run.run(chart);
    if (result.failure != quillet::CheckFailure::None)
        printError(name + ": " + quillet::failureReason(result));
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

} // namespace

int main(int argc, char **argv)
{
#ifdef _WIN32
    const quillet::WindowsConsole console(argc, argv);
#endif
    static char outputBuffer[1 << 16];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

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
            return usageError("unknown option '" + std::string(arg) + "'");
        }
    }
    if (options.charts.empty())
        return usageError("no chart given");

    int status = exitOk;
    for (const std::string &chart : options.charts) {
        const int chartStatus = checkChart(options, chart);
        if (chartStatus > status)
            status = chartStatus;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        printError(std::string("cannot write the log: ") + std::strerror(errno));
        return exitTrouble;
    }
    return status;
}
