// quillet-check: the window's check from the command line, for scripts and batches of charts.

#include "chartfinder.h"
#include "checkrun.h"
#include "fileio.h"
#include "gnureport.h"
#include "jsonreport.h"
#include "lineoutput.h"
#include "logreport.h"
#include "tempscratchfactory.h"
#include "version.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
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
constexpr int exitTrouble = 2;

constexpr std::string_view usageText
    = "Usage: quillet-check [OPTIONS] CHART...\n"
      "Check that every measure of the first note block (from its #NOTES line on)\n"
      "of each StepMania chart has 4, 8, 12, 16, 24 or 48 rows, and print the\n"
      "check's log.\n"
      "\n"
      "  --format=FORMAT  print each chart as FORMAT:\n"
      "                     log   the check's log, as the window shows it (the default)\n"
      "                     gnu   one line per faulty measure, FILE:LINE: message,\n"
      "                           as compilers print them for editors\n"
      "                     json  one JSON object per chart a line (JSON Lines)\n"
      "  --every-chart    check every note block of each chart, each named by its\n"
      "                   #NOTES header (steps type, difficulty, meter)\n"
      "  --crlf           end lines with CR LF, as the window's log does\n"
      "  -q, --quiet      print nothing; the exit status tells the result\n"
      "  -h, --help       show this help and exit\n"
      "  -V, --version    show the version and exit\n"
      "\n"
      "A CHART of '-' is read from standard input. A CHART that is a folder stands\n"
      "for every *.sm file in it and in the folders under it, in sorted order.\n"
      "With two or more charts each log line starts with the chart's name and ': ',\n"
      "and a last line on standard error counts the charts by result.\n"
      "\n"
      "Exit status: 0 if every chart is OK, 1 if a chart has a problem or is\n"
      "incorrect, 2 on a usage error, a chart that could not be checked or a\n"
      "folder that could not be read or holds no chart.\n";

enum class Format { Log, Gnu, Json };

struct Options
{
    bool crlf = false;
    bool quiet = false;
    bool everyChart = false;
    Format format = Format::Log;
    std::vector<std::string> charts;
};

int usageError(LineOutput &output, std::string_view text)
{
    output.writeError(text);
    std::fprintf(stderr, "Try '%.*s --help' for more information.\n", int(programName.size()),
        programName.data());
    return exitTrouble;
}

// Checks one chart (or standard input for "-") and prints it through report. One run serves every
// chart, so that its buffers are made once.
void checkChart(
    const Options &options, quillet::CheckRun &run, Report &report, const std::string &chart)
{
    const bool fromInput = chart == "-";
    report.beginChart(fromInput ? "(standard input)" : chart);
    const bool observed = options.format != Format::Log || options.everyChart;
    run.setObserver(observed ? &report : nullptr);
    run.setEveryBlock(options.everyChart);
    const quillet::CheckResult result = fromInput ? run.runOnDescriptor(0) : run.run(chart);
    if (!observed)
        report.blockEnds(result);
}

std::unique_ptr<Report> makeReport(
    const Options &options, const ReportOptions &reportOptions, LineOutput &output, Tally &tally)
{
    if (options.quiet || options.format == Format::Log)
        return std::make_unique<LogReport>(reportOptions, output, tally, options.quiet);
    if (options.format == Format::Gnu)
        return std::make_unique<GnuReport>(reportOptions, output, tally);
    return std::make_unique<JsonReport>(reportOptions, output, tally);
}

bool isFolder(const std::string &chart)
{
    std::error_code error;
    return chart != "-" && std::filesystem::is_directory(chart, error);
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
        } else if (arg == "--every-chart") {
            options.everyChart = true;
        } else if (arg.starts_with("--format=") || (arg == "--format" && i + 1 < argc)) {
            const std::string_view name = arg == "--format" ? argv[++i] : arg.substr(9);
            if (name == "log")
                options.format = Format::Log;
            else if (name == "gnu")
                options.format = Format::Gnu;
            else if (name == "json")
                options.format = Format::Json;
            else
                return usageError(output, "unknown format '" + std::string(name) + "'");
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

    ReportOptions reportOptions;
    reportOptions.crlf = options.crlf;
    reportOptions.everyChart = options.everyChart;
    reportOptions.prefixed = options.charts.size() > 1 || isFolder(options.charts.front());
    Tally tally;
    const std::unique_ptr<Report> report = makeReport(options, reportOptions, output, tally);
    quillet::TempScratchFactory scratch;
    quillet::CheckRun run(*report, scratch);
    int status = exitOk;
    for (const std::string &chart : options.charts) {
        if (!isFolder(chart)) {
            checkChart(options, run, *report, chart);
            continue;
        }
        ChartFinder finder;
        const std::vector<std::string> found = finder.find(chart);
        for (const std::string &each : found)
            checkChart(options, run, *report, each);
        for (const ChartFinder::Failure &failure : finder.failures()) {
            output.writeError(
                failure.folder + ": cannot read the folder (" + failure.error.message() + ")");
            status = exitTrouble;
        }
        // A folder named by mistake, or a pack not yet unpacked, must not pass as checked.
        if (found.empty() && finder.failures().empty()) {
            output.writeError(chart + ": no charts (*.sm) in this folder");
            status = exitTrouble;
        }
    }
    status = std::max(status, tally.status);
    output.flush();
    if (output.error() != 0) {
        output.writeError("cannot write the log: " + quillet::fileio::errorText(output.error()));
        return exitTrouble;
    }
    if (!options.quiet && tally.charts() > 1) {
        std::fprintf(stderr,
            "%llu charts: %llu OK, %llu with problems, %llu incorrect, %llu not checked\n",
            (unsigned long long)tally.charts(), (unsigned long long)tally.ok,
            (unsigned long long)tally.problems, (unsigned long long)tally.incorrect,
            (unsigned long long)tally.notChecked);
    }
    return status;
}
