#include "checkcommand.h"

#include "chartfinder.h"
#include "chartrules.h"
#include "checkrun.h"
#include "fileio.h"
#include "fixcommand.h"
#include "gnureport.h"
#include "jsonreport.h"
#include "lineoutput.h"
#include "logreport.h"
#include "mendhints.h"
#include "outputsink.h"
#include "version.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <string>

namespace quillet {

namespace {

constexpr int exitOk = 0;
constexpr int exitTrouble = 2;

// The help, around the accepted sizes.
constexpr std::string_view usageHead
    = "Usage: quillet-check [OPTIONS] CHART...\n"
      "Check that every measure of the first note block (from its #NOTES line on)\n"
      "of each StepMania chart has ";
constexpr std::string_view usageTail
    = " rows, and print the\n"
      "check's log.\n"
      "\n"
      "  --format=FORMAT  print each chart as FORMAT:\n"
      "                     log   the check's log, as the window shows it (the default)\n"
      "                     gnu   one line per faulty measure, FILE:LINE: message,\n"
      "                           as compilers print them for editors\n"
      "                     json  JSON Lines: a record per faulty measure and one\n"
      "                           per chart at its end\n"
      "  --every-chart    check every note block of each chart, each named by its\n"
      "                   #NOTES header (steps type, difficulty, meter)\n"
      "  --fix            mend in place the faulty measures that can be written in an\n"
      "                   accepted size without moving a note, keeping the original\n"
      "                   as CHART.old, then print the mended chart's check; with\n"
      "                   '-', read a chart and write it mended to standard output\n"
      "  --diff           write nothing: print what --fix would change, as a diff\n"
      "  --crlf           end lines with CR LF, as the window's log does\n"
      "  -q, --quiet      print nothing on standard output; the exit status tells\n"
      "                   the result, and standard error still says why a chart\n"
      "                   or folder failed, as grep -q does\n"
      "  -h, --help       show this help and exit\n"
      "  -V, --version    show the version and exit\n"
      "\n"
      "A CHART of '-' is read from standard input. A CHART that is a folder stands\n"
      "for every *.sm file in it and in the folders under it, in sorted order.\n"
      "With two or more charts each log line starts with the chart's name and ': ',\n"
      "and a last line on standard error counts the charts by result. Control\n"
      "characters in names are shown escaped, as \\n or \\x1b.\n"
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
    bool fix = false;
    bool diff = false;
    Format format = Format::Log;
    std::vector<std::string> charts;
};

int usageError(LineOutput &output, std::string_view text)
{
    output.writeError(text);
    output.writeErrorLine("Try 'quillet-check --help' for more information.\n");
    return exitTrouble;
}

// Reads the options into options; returns -1 to go on, or the exit status.
int parseOptions(const std::vector<std::string_view> &arguments, Options &options,
    LineOutput &output, OutputSink &out)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view arg = arguments[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            options.charts.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--crlf") {
            options.crlf = true;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--fix" || arg == "--diff") {
            (arg == "--fix" ? options.fix : options.diff) = true;
        } else if (arg == "--every-chart") {
            options.everyChart = true;
        } else if (arg.starts_with("--format=")
            || (arg == "--format" && i + 1 < arguments.size())) {
            const std::string_view name = arg == "--format" ? arguments[++i] : arg.substr(9);
            if (name == "log")
                options.format = Format::Log;
            else if (name == "gnu")
                options.format = Format::Gnu;
            else if (name == "json")
                options.format = Format::Json;
            else
                return usageError(output, "unknown format '" + escapedName(name) + "'");
        } else if (arg == "-h" || arg == "--help") {
            const std::string usage
                = std::string(usageHead) + rules::acceptedSizesText("or") + std::string(usageTail);
            return out.write(usage) == 0 ? exitOk : exitTrouble;
        } else if (arg == "-V" || arg == "--version") {
            return out.write("quillet-check " QUILLET_VERSION "\n") == 0 ? exitOk : exitTrouble;
        } else {
            return usageError(output, "unknown option '" + escapedName(arg) + "'");
        }
    }
    if (options.charts.empty())
        return usageError(output, "no chart given");
    if (options.fix && options.diff)
        return usageError(output, "--fix and --diff do not go together");
    return -1;
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

// Checks the charts one run at a time, so that its buffers are made once.
class Checker
{
public:
    Checker(const Options &options, Report &report)
        : m_options(options)
        , m_report(report)
        , m_run(report)
    {
        m_run.setEveryBlock(options.everyChart);
        const bool observed = options.format != Format::Log || options.everyChart;
        m_run.setObserver(observed ? &report : nullptr);
    }

    // Checks one chart (or standard input for "-"), or the chart open at descriptor (for "-", in
    // its place).
    void check(const std::string &chart, int descriptor = -1)
    {
        const bool fromInput = chart == "-";
        m_report.beginChart(fromInput ? "(standard input)" : chart);
        try {
            CheckResult result;
            if (fromInput)
                result = m_run.runOnDescriptor(descriptor >= 0 ? descriptor : 0);
            else if (descriptor >= 0 && fileio::isRegularFile(descriptor))
                result = runOn(descriptor);
            else if (m_report.mendHints() != nullptr)
                result = runOpened(chart);
            else
                result = m_run.run(chart);
            if (m_options.format == Format::Log && !m_options.everyChart)
                m_report.blockEnds(result);
        } catch (const std::bad_alloc &) {
            m_report.outOfMemory();
        }
    }

private:
    // The hints, if any, take their bytes from the check's reads: the chart is read once.
    CheckResult runOn(int descriptor)
    {
        MendHints *const hints = m_report.mendHints();
        if (hints == nullptr)
            return m_run.runOnDescriptor(descriptor);
        DescriptorReader reader(descriptor);
        HintsTee tee(reader, *hints);
        return m_run.run(tee);
    }
    CheckResult runOpened(const std::string &chart)
    {
        int error = fileio::noError;
        const int descriptor = fileio::openForReading(chart, error);
        // What cannot be opened, or is no file, the plain run reports as ever.
        if (descriptor < 0)
            return m_run.run(chart);
        const CheckResult result
            = fileio::isRegularFile(descriptor) ? runOn(descriptor) : m_run.run(chart);
        (void)fileio::close(descriptor);
        return result;
    }

    const Options &m_options;
    Report &m_report;
    CheckRun m_run;
};

} // namespace

int runCheckCommand(
    const std::vector<std::string_view> &arguments, OutputSink &out, OutputSink &errors)
{
    LineOutput output(out, errors);
    Options options;
    if (const int status = parseOptions(arguments, options, output, out); status >= 0)
        return status;

    ReportOptions reportOptions;
    reportOptions.crlf = options.crlf;
    reportOptions.everyChart = options.everyChart;
    reportOptions.prefixed = options.charts.size() > 1 || isFolder(options.charts.front());
    Tally tally;
    int status = exitOk;
    // --fix -: the mended chart is standard output, so the report goes to standard error. Not
    // std::ranges: the browser page's toolchain (emscripten's libc++ 14) has no ranges::count.
    const bool fixesInput
        = options.fix && std::count(options.charts.begin(), options.charts.end(), "-") > 0;
    std::optional<LineOutput> errorOutput;
    if (fixesInput)
        errorOutput.emplace(errors, errors);
    LineOutput &reportOutput = fixesInput ? *errorOutput : output;
    try {
        const std::unique_ptr<Report> report
            = makeReport(options, reportOptions, reportOutput, tally);
        Checker checker(options, *report);
        FixCommand fixer(reportOutput, options.everyChart);
        const auto visit = [&](const std::string &chart, int descriptor) {
            if (options.diff) {
                status = std::max(status, fixer.diff(chart));
            } else if (options.fix && chart == "-") {
                const int mended = fixer.fixStream(0, out);
                if (mended < 0) {
                    status = exitTrouble;
                    return;
                }
                checker.check(chart, mended);
                (void)fileio::close(mended);
            } else if (options.fix) {
                status = std::max(status, fixer.fix(chart));
                // The descriptor is on the chart as it was, now CHART.old.
                checker.check(chart);
            } else {
                checker.check(chart, descriptor);
            }
        };
        for (const std::string &chart : options.charts) {
            if (!isFolder(chart)) {
                visit(chart, -1);
                continue;
            }
            ChartFinder finder;
            bool found = false;
            finder.find(chart, [&](const ChartFinder::Chart &each) {
                found = true;
                visit(each.path, each.descriptor);
            });
            for (const ChartFinder::Failure &failure : finder.failures()) {
                output.writeError(escapedName(failure.folder) + ": cannot read the folder ("
                    + failure.error.message() + ")");
                status = exitTrouble;
            }
            // A folder named by mistake, or a pack not yet unpacked, must not pass as checked.
            if (!found && finder.failures().empty()) {
                output.writeError(escapedName(chart) + ": no charts (*.sm) in this folder");
                status = exitTrouble;
            }
        }
    } catch (const std::bad_alloc &) {
        // Between charts: the output so far stands, and nothing more is checked.
        output.writeError("Cannot check: out of memory");
        status = exitTrouble;
    }
    status = std::max(status, tally.status);
    reportOutput.flush();
    output.flush();
    if (output.error() != 0) {
        output.writeError("cannot write the log: " + fileio::errorText(output.error()));
        return exitTrouble;
    }
    if (!options.quiet && tally.charts() > 1) {
        output.writeErrorLine(std::to_string(tally.charts())
            + " charts: " + std::to_string(tally.ok) + " OK, " + std::to_string(tally.problems)
            + " with problems, " + std::to_string(tally.incorrect) + " incorrect, "
            + std::to_string(tally.notChecked) + " not checked\n");
    }
    return status;
}

} // namespace quillet
