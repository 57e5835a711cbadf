#include "../support/charts.h"
#include "../support/tempfolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace quillet {
namespace {

using namespace test;
using test::PrintTo; // for argument-dependent lookup from GoogleTest

const std::string lfOkLog = "Checking SM file...\nSM file is OK. Ready to send to convert.\n";
constexpr int manyMeasures = 5000;
const std::string badLog = "Checking SM file...\nProblem note detected at beat: 4\nMeasureSize: 3\n"
                           "Problem SM file. Please fix it before send to vorblen staff.\n";

const std::string okAndBad = "2 charts: 1 OK, 1 with problems, 0 incorrect, 0 not checked\n";
// Unreadable even to root: without the capabilities that let it read any folder.
const std::string asUser = "R=; [ $(id -u) = 0 ] && R='setpriv --bounding-set=-dac_override,"
                           "-dac_read_search'; ";
const std::string gnuTail = "; accepted sizes are 4, 8, 12, 16, 24 and 48";

#ifdef _WIN32
// std::system runs cmd.exe: double quotes, and GetTempPathW reads TMP. Its rows are single
// commands, which Wine's cmd.exe cannot group.
std::string quoted(const std::string &text)
{
    return '"' + text + '"';
}

std::string shellCommand(const TempFolder &folder, const std::string &tmpdir, std::string command)
{
    for (std::size_t at; (at = command.find("$Q")) != command.npos;)
        command.replace(at, 2, quoted(QUILLET_CHECK_PATH));
    return "cd /d " + quoted(folder.path().string()) + " && set "
        + quoted("TMP=" + (tmpdir.empty() ? "" : folder.file(tmpdir))) + " && " + command
        + " > out 2> err";
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
    const TempFolder &folder, const std::string &tmpdir, const std::string &command)
{
    return "cd '" + folder.path().string() + "' && Q='" QUILLET_CHECK_PATH "' && TMPDIR=" + tmpdir
        + " && export TMPDIR && { " + command + "; } > out 2> err";
}

int exitStatus(const std::string &command)
{
    return WEXITSTATUS(std::system(command.c_str()));
}
#endif

// GetTempPathW gives a full path: the output names the folders as the POSIX shell's TMPDIR does.
std::string output(const TempFolder &folder, const std::string &name)
{
    std::string text = contents(folder.file(name));
    const std::string prefix = (folder.path() / "").string();
    for (std::size_t at; (at = text.find(prefix)) != text.npos;)
        text.erase(at, prefix.size());
    return text;
}

struct CliCase
{
    const char *name;
    std::string command; // a shell command; $Q is quillet-check, OK, BAD, MANY... name charts
    int status;
    std::string out;
    std::string errStart;
    std::string tmpdir = "tmp"; // an empty folder that must stay empty
};

const std::vector<CliCase> kCases = {
    {"GnuFindingsWithHints", "$Q --format=gnu OK HINTS NONE", 1,
        "HINTS:3: beat 4: this measure has 0 rows" + gnuTail + " (an empty measure)\n"
            + "HINTS:36: beat 8: this measure has 32 rows" + gnuTail + " (32nd or 64th notes)\n"
            + "HINTS:40: beat 12: this measure has 3 rows" + gnuTail
            + " (2 of them are blank lines)\n" + "NONE:1: incorrect: No such file or directory\n",
        "quillet-check: NONE: No such file or directory\n"
        "3 charts: 1 OK, 1 with problems, 1 incorrect, 0 not checked\n"},
    {"GnuCannotCheck", "$Q --format=gnu OK", 2,
        "OK: cannot check: the scratch file could not be created in missing (No such file or "
        "directory)\n",
        "quillet-check: OK: the scratch file", "missing"},
    // The log with every chart is read back against the JSON in jsonlines.py.
    {"EveryChartGnuNamesBlocks", "$Q --every-chart --format=gnu SONG", 1,
        "SONG:17: dance-single Beginner 1: beat 4: this measure has 1 row" + gnuTail
            + "\nSONG:18: dance-single Beginner 1: beat 8: this measure has 0 rows" + gnuTail
            + " (an empty measure)\n",
        "2 charts: 1 OK, 1 with problems, 0 incorrect, 0 not checked\n"},
    // A chart without a #NOTES line is OK, and says why nothing was checked.
    {"NoNotesLineGnu", "$Q --format=gnu HEAD", 0, "",
        "quillet-check: HEAD: no #NOTES block, so no notes were checked\n"},
    {"NoNotesLineJson", "$Q --format=json HEAD", 0,
        "{\"path\":\"HEAD\",\"measures\":[],\"log\":[\"Checking SM file...\",\"SM file is OK. "
        "Ready to send to convert.\"],\"verdict\":\"ok\",\"reason\":\"no #NOTES block, so no "
        "notes were checked\"}\n",
        "quillet-check: HEAD: no #NOTES block, so no notes were checked\n"},
    {"EmptyFolderIsNoSuccess", "$Q --format=json tmp", 2, "",
        "quillet-check: tmp: no charts (*.sm) in this folder\n"},
    {"CrLfKeepsTheLogBytes", "$Q --crlf OK", 0,
        "Checking SM file...\r\nSM file is OK. Ready to send to convert.\r\n", ""},
    {"QuietPrintsNothing", "$Q -q BAD OK", 1, "", ""},
    {"StandardInput", "$Q - < BAD", 1, badLog, ""},
    {"StandardInputNamedWhenPrefixed", "$Q - BAD < OK", 1,
        "(standard input): Checking SM file...\n"
        "(standard input): SM file is OK. Ready to send to convert.\n"
        "BAD: Checking SM file...\nBAD: Problem note detected at beat: 4\nBAD: MeasureSize: 3\n"
        "BAD: Problem SM file. Please fix it before send to vorblen staff.\n",
        okAndBad},
    {"DoubleDashEndsOptions", "$Q -- --quiet", 1, "Incorrect SM file! Please check\n",
        "quillet-check: --quiet: No such file or directory\n"},
    {"UnknownOption", "$Q --bogus OK", 2, "", "quillet-check: unknown option '--bogus'\n"},
    {"NoChart", "$Q --crlf", 2, "", "quillet-check: no chart given\n"},
    {"ScratchCannotBeMadeOutranksAProblem", "$Q BAD NONE", 2,
        "BAD: Cannot check: the scratch file could not be created in missing (No such file or "
        "directory)\nNONE: Incorrect SM file! Please check\n",
        "quillet-check: BAD: the scratch file could not be created in missing (No such", "missing"},
    {"EmptyTmpdirIsUnset", "$Q OK", 0, lfOkLog, "", ""},
#ifndef _WIN32 // /dev/full, and sh's redirections, background jobs, ulimit, kill, ln and chmod.
    {"FolderOfCharts",
        asUser + "mkdir -p p/b p/locked o && cp BAD p/a.sm && cp OK p/b/x.SM && cp BAD p/._a.sm && "
            + "cp BAD p/b/x.txt && cp BAD o/c.sm && ln -s ../o p/link && chmod 0 p/locked && "
            + "$R $Q p; s=$?; chmod 755 p/locked; exit $s",
        2,
        "p/a.sm: Checking SM file...\np/a.sm: Problem note detected at beat: 4\n"
        "p/a.sm: MeasureSize: 3\np/a.sm: Problem SM file. Please fix it before send to vorblen "
        "staff.\np/b/x.SM: Checking SM file...\np/b/x.SM: SM file is OK. Ready to send to "
        "convert.\n",
        "quillet-check: p/locked: cannot read the folder (Permission denied)\n" + okAndBad},
    {"FullOutput", "$Q OK > /dev/full", 2, "", "quillet-check: cannot write the log: "},
    // Standard streams and signals.
    {"ClosedOutputIsNotTheScratch",
        "{ printf '#NOTES:\\n0000\\n'; sleep 1; } | $Q - >&- & sleep 0.3; readlink /proc/$!/fd/1; "
        "wait",
        0, "/dev/null\n", "quillet-check: cannot write the log: Bad file descriptor\n"},
    {"ClosedInputCannotBeRead", "$Q - <&-", 2,
        "Cannot check: the chart could not be read (Bad file descriptor)\n",
        "quillet-check: (standard input): the chart could not be read (Bad file descriptor)\n"},
    {"ErrorsFollowTheLogBeforeThem", "$Q OK NONE OK 2>&1", 1,
        "OK: Checking SM file...\nOK: SM file is OK. Ready to send to convert.\n"
        "NONE: Incorrect SM file! Please check\n"
        "quillet-check: NONE: No such file or directory\n"
        "OK: Checking SM file...\nOK: SM file is OK. Ready to send to convert.\n"
        "3 charts: 2 OK, 0 with problems, 1 incorrect, 0 not checked\n",
        ""},
    // Any spliced line would add a line that no single run prints.
    {"ParallelRunsKeepWholeLines",
        "for i in 1 2 3 4; do $Q MANY MANY 2>/dev/null & done | sort -u | wc -l", 0,
        std::to_string(manyMeasures + 3) + "\n", ""},
    {"FileSizeLimitIsAWriteFailure", "(ulimit -f 1; $Q MANY)", 2,
        "Cannot check: the scratch file could not be written (File too large)\n",
        "quillet-check: MANY: the scratch file could not be written (File too large)\n"},
    {"KilledRunLeavesNoScratch",
        "{ printf '#T\\n0000\\n'; sleep 1; } | $Q - & sleep 0.3; kill -TERM $!; wait", 0, "", ""},
#endif
};

using CheckProgramTest = testing::TestWithParam<CliCase>;

TEST_P(CheckProgramTest, PrintsAndExits)
{
    TempFolder folder;
    folder.write("OK", okChart);
    folder.write("BAD", "#TITLE:b;\n#NOTES:\n0000\n0000\n0000\n;\n");
    // Many faulty measures: their log is far longer than one write.
    folder.write("MANY", "#NOTES:\n" + rows(manyMeasures, "0000\n0000\n0000\n,", "\n"));
    folder.write("HINTS", "#T\n#NOTES:\n,\n" + rows(32, "0000", "\n") + ",\n0000\n\n\n;\n");
    folder.write("HEAD", "#TITLE:h;\n#BPMS:0.000=120.000\n;\n0000\n,\n");
    folder.write("SONG", song);
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
    TempFolder folder;
    const std::string out = folder.file("out");
    EXPECT_EQ(exitStatus(quoted(QUILLET_CHECK_PATH) + " --help > " + quoted(out)), 0);
    EXPECT_EQ(contents(out).rfind("Usage: quillet-check [OPTIONS] CHART...\n", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Options, CheckProgramTest, testing::ValuesIn(kCases), caseName);

} // namespace
} // namespace quillet
