#include "../support/tempfolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace quillet {
namespace {

using test::PrintTo;

const std::string okChart = "#TITLE:a;\r\n0000\r\n0000\r\n0000\r\n0000\r\n;\r\n";
const std::string okLog = "Checking SM file...\nSM file is OK. Ready to send to convert.\n";
constexpr int manyMeasures = 5000;
const std::string badLog = "Checking SM file...\nProblem note detected at beat: 4\nMeasureSize: 3\n"
                           "Problem SM file. Please fix it before send to vorblen staff.\n";

// A chart of many faulty measures: its log is far longer than one write.
std::string manyProblems()
{
    std::string chart = "#T\n";
    for (int i = 0; i < manyMeasures; ++i)
        chart += "0000\n0000\n0000\n,\n";
    return chart;
}

#ifdef _WIN32
// std::system runs cmd.exe: double quotes, and GetTempPathW reads TMP. Its rows are single
// commands, which Wine's cmd.exe cannot group.
std::string quoted(const std::string &text)
{
    return '"' + text + '"';
}

std::string shellCommand(
    const test::TempFolder &folder, const std::string &tmpdir, std::string command)
{
    for (std::size_t at; (at = command.find("$Q")) != command.npos;)
        command.replace(at, 2, quoted(QUILLET_CHECK_PATH));
    return "cd /d " + quoted(folder.path().string()) + " && set "
        + quoted("TMP=" + (tmpdir.empty() ? "" : folder.file(tmpdir))) + " && " + command
        + " > out 2> err";
}

// GetTempPathW gives a full path: the output names the folders as the POSIX shell's TMPDIR does.
std::string output(const test::TempFolder &folder, const std::string &name)
{
    std::string text = test::contents(folder.file(name));
    const std::string prefix = folder.path().string() + '\\';
    for (std::size_t at; (at = text.find(prefix)) != text.npos;)
        text.erase(at, prefix.size());
    return text;
}

// cmd.exe /c strips the first and the last quote of a line that begins with one.
int exitStatus(const std::string &command)
{
    return std::system((command.starts_with('"') ? quoted(command) : command).c_str());
}
#else
std::string quoted(const std::string &text)
{
    return "'" + text + "'";
}

std::string shellCommand(
    const test::TempFolder &folder, const std::string &tmpdir, const std::string &command)
{
    return "cd '" + folder.path().string() + "' && Q='" QUILLET_CHECK_PATH "' && TMPDIR=" + tmpdir
        + " && export TMPDIR && { " + command + "; } > out 2> err";
}

int exitStatus(const std::string &command)
{
    return WEXITSTATUS(std::system(command.c_str()));
}

std::string output(const test::TempFolder &folder, const std::string &name)
{
    return test::contents(folder.file(name));
}
#endif

struct CliCase
{
    const char *name;
    std::string command; // a shell command; $Q is quillet-check, and OK, BAD and MANY name charts
    int status;
    std::string out;
    std::string errStart;
    std::string tmpdir = "tmp"; // an empty folder that must stay empty
};

const std::vector<CliCase> kCases = {
    {"OkChart", "$Q OK", 0, okLog, ""},
    {"ProblemChart", "$Q BAD", 1, badLog, ""},
    {"MissingChart", "$Q NONE", 1, "Incorrect SM file! Please check\n",
        "quillet-check: NONE: No such file or directory\n"},
    {"FolderChart", "$Q .", 1, "Incorrect SM file! Please check\n",
        "quillet-check: .: not a regular file\n"},
    {"SeveralChartsArePrefixed", "$Q OK BAD", 1,
        "OK: Checking SM file...\nOK: SM file is OK. Ready to send to convert.\n"
        "BAD: Checking SM file...\nBAD: Problem note detected at beat: 4\nBAD: MeasureSize: 3\n"
        "BAD: Problem SM file. Please fix it before send to vorblen staff.\n",
        ""},
    {"CrLfKeepsTheLogBytes", "$Q --crlf OK", 0,
        "Checking SM file...\r\nSM file is OK. Ready to send to convert.\r\n", ""},
    {"QuietPrintsNothing", "$Q -q BAD OK", 1, "", ""},
    {"StandardInput", "$Q - < BAD", 1, badLog, ""},
    {"IncorrectSaysWhy", "$Q - < /dev/null", 1, "Incorrect SM file! Please check\n",
        "quillet-check: (standard input): the file is empty\n"},
    {"StandardInputNamedWhenPrefixed", "$Q - OK < OK", 0,
        "(standard input): Checking SM file...\n"
        "(standard input): SM file is OK. Ready to send to convert.\n"
        "OK: Checking SM file...\nOK: SM file is OK. Ready to send to convert.\n",
        ""},
    {"DoubleDashEndsOptions", "$Q -- --quiet", 1, "Incorrect SM file! Please check\n",
        "quillet-check: --quiet: No such file or directory\n"},
    {"Version", "$Q --version", 0, "quillet-check 1.0\n", ""},
    {"UnknownOption", "$Q --bogus OK", 2, "", "quillet-check: unknown option '--bogus'\n"},
    {"NoChart", "$Q --crlf", 2, "", "quillet-check: no chart given\n"},
    {"ScratchCannotBeMadeOutranksAProblem", "$Q BAD NONE", 2,
        "BAD: Cannot check: the scratch file could not be created in missing (No such file or "
        "directory)\nNONE: Incorrect SM file! Please check\n",
        "quillet-check: BAD: the scratch file could not be created in missing (No such", "missing"},
    {"EmptyTmpdirIsUnset", "$Q OK", 0, okLog, "", ""},
#ifndef _WIN32 // /dev/full, and sh's redirections, background jobs, ulimit and kill.
    {"FullOutput", "$Q OK > /dev/full", 2, "", "quillet-check: cannot write the log: "},
    // Standard streams and signals.
    {"ClosedOutputIsNotTheScratch",
        "{ printf '#T\\n0000\\n'; sleep 1; } | $Q - >&- & sleep 0.3; readlink /proc/$!/fd/1; wait",
        0, "/dev/null\n", "quillet-check: cannot write the log: Bad file descriptor\n"},
    {"ClosedInputCannotBeRead", "$Q - <&-", 2,
        "Cannot check: the chart could not be read (Bad file descriptor)\n",
        "quillet-check: (standard input): the chart could not be read (Bad file descriptor)\n"},
    {"FolderAsInputCannotBeRead", "$Q - < .", 2,
        "Cannot check: the chart could not be read (Is a directory)\n",
        "quillet-check: (standard input): the chart could not be read (Is a directory)\n"},
    {"ErrorsFollowTheLogBeforeThem", "$Q OK NONE OK 2>&1", 1,
        "OK: Checking SM file...\nOK: SM file is OK. Ready to send to convert.\n"
        "NONE: Incorrect SM file! Please check\n"
        "quillet-check: NONE: No such file or directory\n"
        "OK: Checking SM file...\nOK: SM file is OK. Ready to send to convert.\n",
        ""},
    // Any spliced line would add a line that no single run prints.
    {"ParallelRunsKeepWholeLines", "for i in 1 2 3 4; do $Q MANY MANY & done | sort -u | wc -l", 0,
        std::to_string(manyMeasures + 3) + "\n", ""},
    {"FileSizeLimitIsAWriteFailure", "(ulimit -f 1; $Q MANY)", 2,
        "Cannot check: the scratch file could not be written (File too large)\n",
        "quillet-check: MANY: the scratch file could not be written (File too large)\n"},
    {"KilledRunLeavesNoScratch",
        "{ printf '#T\\n0000\\n'; sleep 1; } | $Q - & sleep 0.3; kill -TERM $!; wait", 0, "", ""},
#endif
};

class CheckProgramTest : public testing::TestWithParam<CliCase>
{
};

TEST_P(CheckProgramTest, PrintsAndExits)
{
    test::TempFolder folder;
    folder.write("OK", okChart);
    folder.write("BAD", "#TITLE:b;\n0000\n0000\n0000\n;\n");
    folder.write("MANY", manyProblems());
    std::filesystem::create_directory(folder.file("tmp"));
    // Inside the folder, so that the charts' names are short; every scratch file goes to tmp.
    const std::string command = shellCommand(folder, GetParam().tmpdir, GetParam().command);

    EXPECT_EQ(exitStatus(command), GetParam().status) << command;
    EXPECT_EQ(output(folder, "out"), GetParam().out);
    const std::string err = output(folder, "err");
    EXPECT_EQ(err.substr(0, GetParam().errStart.size()), GetParam().errStart);
    EXPECT_EQ(err.empty(), GetParam().errStart.empty()) << err;
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("tmp"))) << "scratch file left behind";
}

TEST(CheckProgramHelpTest, PrintsUsageAndSucceeds)
{
    test::TempFolder folder;
    const std::string out = folder.file("out");
    EXPECT_EQ(exitStatus(quoted(QUILLET_CHECK_PATH) + " --help > " + quoted(out)), 0);
    EXPECT_EQ(test::contents(out).rfind("Usage: quillet-check [OPTIONS] CHART...\n", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Options, CheckProgramTest, testing::ValuesIn(kCases),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace quillet
