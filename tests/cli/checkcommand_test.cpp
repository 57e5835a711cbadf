#include "../support/charts.h"
#include "../support/tempfolder.h"
#include "checkcommand.h"
#include "outputsink.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include <climits>
#include <cstdlib>

namespace quillet {
namespace {

using namespace test;
using test::PrintTo; // for argument-dependent lookup from GoogleTest

const std::string okLf = "#T\n#NOTES:\n" + rows(4, "0000", "\n") + ";\n";
const std::string badChart = "#TITLE:b;\n#NOTES:\n0000\n0000\n0000\n;\n";
const std::string badLog = "Checking SM file...\nProblem note detected at beat: 4\nMeasureSize: 3\n"
                           "Problem SM file. Please fix it before send to vorblen staff.\n";
const std::string gnuTail = "; accepted sizes are 4, 8, 12, 16, 24 and 48";

struct CommandCase
{
    const char *name;
    std::vector<std::string> arguments; // names of charts in the test's folder, and options
    int status;
    std::string out;
    std::string errors;
    bool together = false; // standard output and error into one sink, as 2>&1
};

const std::vector<CommandCase> kCases = {
    {"GnuFindingsWithHints", {"--format=gnu", "OK", "HINTS", "NONE"}, 1,
        "HINTS:3: beat 4: this measure has 0 rows" + gnuTail + " (an empty measure)\n"
            + "HINTS:36: beat 8: this measure has 32 rows" + gnuTail + " (32nd or 64th notes)\n"
            + "HINTS:41: beat 12: this measure has 3 rows" + gnuTail
            + " (1 of them is a blank line)\n" + "NONE:1: incorrect: No such file or directory\n",
        "quillet-check: NONE: No such file or directory\n"
        "3 charts: 1 OK, 1 with problems, 1 incorrect, 0 not checked\n"},
    {"EveryChartGnuNamesBlocks", {"--every-chart", "--format=gnu", "SONG"}, 1,
        "SONG:17: dance-single Beginner 1: beat 4: this measure has 1 row" + gnuTail
            + " (--fix can write it as 4 rows without moving a note)\nSONG:18: dance-single "
              "Beginner 1: beat 8: this measure has 0 rows"
            + gnuTail + " (an empty measure)\n",
        "2 charts: 1 OK, 1 with problems, 0 incorrect, 0 not checked\n"},
    // A chart without a #NOTES line is OK, and says why nothing was checked.
    {"NoNotesLineGnu", {"--format=gnu", "HEAD"}, 0, "",
        "quillet-check: HEAD: no #NOTES block, so no notes were checked\n"},
    {"EmptyFolderIsNoSuccess", {"--format=json", "e"}, 2, "",
        "quillet-check: e: no charts (*.sm) in this folder\n"},
    {"GnuSaysWhatFixCanMend", {"--format=gnu", "FIX"}, 1,
        "FIX:8: beat 4: this measure has 5 rows" + gnuTail
            + " (--fix can drop its 1 blank line)\nFIX:15: beat 8: this measure has 6 rows"
            + gnuTail + " (--fix can write it as 12 rows without moving a note)\n",
        ""},
#ifndef _WIN32 // names with control characters; JSON and folders named with '/'
    // One record a line: a measure's as it is found, a chart's at its end.
    {"JsonRecords", {"--format=json", "--every-chart", "SONG", "NONE"}, 1,
        R"({"type":"chart","path":"SONG","chart":1,"name":"dance-single Challenge 12","verdict":"ok","reason":null,"measures":0}
{"type":"measure","path":"SONG","chart":2,"name":"dance-single Beginner 1","beat":4,"rows":1,"line":17,"blankRows":0,"hint":null}
{"type":"measure","path":"SONG","chart":2,"name":"dance-single Beginner 1","beat":8,"rows":0,"line":18,"blankRows":0,"hint":"an empty measure"}
{"type":"chart","path":"SONG","chart":2,"name":"dance-single Beginner 1","verdict":"problems","reason":null,"measures":2}
{"type":"chart","path":"NONE","chart":1,"name":null,"verdict":"incorrect","reason":"No such file or directory","measures":0}
)",
        "quillet-check: NONE: No such file or directory\n"
        "3 charts: 1 OK, 1 with problems, 1 incorrect, 0 not checked\n"},
    {"NoNotesLineJson", {"--format=json", "HEAD"}, 0,
        R"({"type":"chart","path":"HEAD","chart":1,"name":null,"verdict":"ok","reason":"no #NOTES block, so no notes were checked","measures":0}
)",
        "quillet-check: HEAD: no #NOTES block, so no notes were checked\n"},
#endif
    {"CrLfKeepsTheLogBytes", {"--crlf", "OK"}, 0,
        "Checking SM file...\r\nSM file is OK. Ready to send to convert.\r\n", ""},
    // As grep -q: nothing on standard output, the reasons still on standard error.
    {"QuietKeepsTheReasons", {"-q", "BAD", "NONE"}, 1, "",
        "quillet-check: NONE: No such file or directory\n"},
    {"DoubleDashEndsOptions", {"--", "--quiet"}, 1, "Incorrect SM file! Please check\n",
        "quillet-check: --quiet: No such file or directory\n"},
    {"UnknownOption", {"--bogus", "OK"}, 2, "",
        "quillet-check: unknown option '--bogus'\n"
        "Try 'quillet-check --help' for more information.\n"},
    {"NoChart", {"--crlf"}, 2, "",
        "quillet-check: no chart given\nTry 'quillet-check --help' for more information.\n"},
    {"ErrorsFollowTheLogBeforeThem", {"OK", "NONE", "OK"}, 1,
        "OK: Checking SM file...\nOK: SM file is OK. Ready to send to convert.\n"
        "NONE: Incorrect SM file! Please check\n"
        "quillet-check: NONE: No such file or directory\n"
        "OK: Checking SM file...\nOK: SM file is OK. Ready to send to convert.\n"
        "3 charts: 2 OK, 0 with problems, 1 incorrect, 0 not checked\n",
        "", true},
#ifndef _WIN32
    {"FolderOfChartsInPathOrder", {"p"}, 1,
        "p/a-x.sm: Checking SM file...\np/a-x.sm: SM file is OK. Ready to send to convert.\n"
        "p/a.b/x.SM: Checking SM file...\np/a.b/x.SM: SM file is OK. Ready to send to convert.\n"
        "p/a/c.sm: "
            + badLog.substr(0, 20)
            + "p/a/c.sm: Problem note detected at beat: 4\n"
              "p/a/c.sm: MeasureSize: 3\n"
              "p/a/c.sm: Problem SM file. Please fix it before send to vorblen staff.\n",
        "3 charts: 2 OK, 1 with problems, 0 incorrect, 0 not checked\n"},
    // A name can neither split a line nor reach the terminal as a control sequence.
    {"GnuEscapesNames", {"--every-chart", "--format=gnu", "ESC", "a\nb\x1b.sm"}, 1,
        "ESC:11: dance-single \\x1b]0;x\\a 9: beat 4: this measure has 3 rows" + gnuTail
            + " (--fix can write it as 4 rows without moving a note)\na\\nb\\x1b.sm:1: incorrect: "
              "No such file or directory\n",
        "quillet-check: a\\nb\\x1b.sm: No such file or directory\n"
        "2 charts: 0 OK, 1 with problems, 1 incorrect, 0 not checked\n"},
    {"LogEscapesNames", {"--every-chart", "ESC", "\t.sm"}, 1,
        "ESC: Chart 1: dance-single \\x1b]0;x\\a 9\nESC: " + badLog.substr(0, 20)
            + "ESC: Problem note detected at beat: 4\nESC: MeasureSize: 3\n"
              "ESC: Problem SM file. Please fix it before send to vorblen staff.\n"
              "\\t.sm: Incorrect SM file! Please check\n",
        "quillet-check: \\t.sm: No such file or directory\n"
        "2 charts: 0 OK, 1 with problems, 1 incorrect, 0 not checked\n"},
#endif
};

// The charts' names as the table gives them: the test's folder goes before each, and out of
// what is printed.
std::vector<std::string> inFolder(const TempFolder &folder, const std::vector<std::string> &args)
{
    std::vector<std::string> named;
    bool optionsEnded = false;
    for (const std::string &arg : args) {
        named.push_back(optionsEnded || !arg.starts_with('-') ? folder.file(arg) : arg);
        optionsEnded = optionsEnded || arg == "--";
    }
    return named;
}

std::string outOfFolder(const TempFolder &folder, std::string text)
{
    const std::string prefix = (folder.path() / "").string();
    for (std::size_t at; (at = text.find(prefix)) != text.npos;)
        text.erase(at, prefix.size());
    return text;
}

using CheckCommandTest = testing::TestWithParam<CommandCase>;

TEST_P(CheckCommandTest, PrintsAndExits)
{
    TempFolder folder;
    folder.write("OK", okLf);
    folder.write("BAD", badChart);
    // Measures --fix leaves alone: a 32nd note, a comment between two rows.
    folder.write("HINTS",
        "#T\n#NOTES:\n,\n0000\n1000\n" + rows(30, "0000", "\n") + ",\n0000\n//c\n0000\n\n;\n");
    folder.write("SONG", song);
    folder.write("FIX",
        "#TITLE:m;\r\n#NOTES:\r\n1000\r\n\r\n0100\r\n0010\r\n0001\r\n,\r\n"
        "1000\r\n0100\r\n0010\r\n0001\r\n1000\r\n0100\r\n;\r\n");
    folder.write("ESC",
        "#T\n#NOTES:\n dance-single:\n :\n \x1b]0;x\a:\n 9:\n 0:\n" + rows(3, "0000", "\n")
            + ";\n");
    folder.write("HEAD", "#TITLE:h;\n#BPMS:0.000=120.000\n;\n0000\n,\n");
    for (const char *sub : {"p", "p/a", "p/a.b", "e"})
        std::filesystem::create_directory(folder.file(sub));
    folder.write("p/a/c.sm", badChart);
    folder.write("p/a-x.sm", okLf);
    folder.write("p/a.b/x.SM", okLf);
    folder.write("p/._a.sm", badChart);
    folder.write("p/a.txt", badChart);
    const std::vector<std::string> arguments = inFolder(folder, GetParam().arguments);

    StringSink out;
    StringSink errors;
    const int status = runCheckCommand(
        {arguments.begin(), arguments.end()}, out, GetParam().together ? out : errors);

    EXPECT_EQ(status, GetParam().status);
    EXPECT_EQ(outOfFolder(folder, out.text()), GetParam().out);
    EXPECT_EQ(outOfFolder(folder, errors.text()), GetParam().errors);
}

INSTANTIATE_TEST_SUITE_P(Options, CheckCommandTest, testing::ValuesIn(kCases), caseName);

TEST(CheckCommandHelpTest, NamesTheSizesAndSaysQuietKeepsTheReasons)
{
    StringSink out;
    StringSink errors;
    EXPECT_EQ(runCheckCommand({"--help"}, out, errors), 0);
    EXPECT_EQ(out.text().rfind("Usage: quillet-check [OPTIONS] CHART...\n"
                               "Check that every measure of the first note block (from its #NOTES "
                               "line on)\nof each StepMania chart has 4, 8, 12, 16, 24 or 48 rows, "
                               "and print the\ncheck's log.\n\n",
                  0),
        0u);
    EXPECT_NE(out.text().find("standard error still says why"), std::string::npos);
}

#ifndef _WIN32
TEST(CheckCommandFolderTest, ChecksChartsDeeperThanAPath)
{
    TempFolder folder;
    const std::string name(200, 'd');
    const int depth = PATH_MAX / 200 + 1;
    std::string chart = "p/";
    for (int i = 0; i < depth; ++i)
        chart += name + "/";
    chart += "deep.sm";
    // No path reaches so deep: the shell goes there a folder at a time, and rm -r walks back. The
    // hints take the check's read, so they need no path either.
    const std::string top = folder.file("p");
    ASSERT_EQ(std::system(("mkdir " + top + " && cd " + top + " && for i in $(seq "
                  + std::to_string(depth) + "); do mkdir " + name + " && cd -P " + name
                  + "; done && printf '" + badChart + "' > deep.sm")
                              .c_str()),
        0);
    const std::vector<std::string> arguments = {"--format=gnu", top};

    StringSink out;
    StringSink errors;
    EXPECT_EQ(runCheckCommand({arguments.begin(), arguments.end()}, out, errors), 1);
    EXPECT_EQ(outOfFolder(folder, out.text()),
        chart + ":6: beat 4: this measure has 3 rows" + gnuTail
            + " (--fix can write it as 4 rows without moving a note)\n");
    EXPECT_EQ(errors.text(), "");
    EXPECT_EQ(std::system(("rm -r " + top).c_str()), 0);
}
#endif

} // namespace
} // namespace quillet
