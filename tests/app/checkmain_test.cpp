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

#ifdef _WIN32
// std::system runs cmd.exe: double quotes, and GetTempPathW reads the temporary folder from TMP.
std::string quoted(const std::string &text)
{
    return '"' + text + '"';
}

std::string commandIn(const test::TempFolder &folder, const std::string &tmpdir)
{
    return "cd /d " + quoted(folder.path().string()) + " && set "
        + quoted("TMP=" + folder.file(tmpdir)) + " && ";
}

// The whole line in quotes, as cmd.exe /c strips one pair from a line that begins with a quote.
int exitStatus(const std::string &command)
{
    return std::system(quoted(command).c_str());
}
#else
std::string quoted(const std::string &text)
{
    return "'" + text + "'";
}

std::string commandIn(const test::TempFolder &folder, const std::string &tmpdir)
{
    return "cd " + quoted(folder.path().string()) + " && TMPDIR=" + tmpdir + " ";
}

int exitStatus(const std::string &command)
{
    return WEXITSTATUS(std::system(command.c_str()));
}
#endif

const std::string okChart = "#TITLE:a;\r\n0000\r\n0000\r\n0000\r\n0000\r\n;\r\n";
const std::string okLog = "Checking SM file...\nSM file is OK. Ready to send to convert.\n";
const std::string badLog = "Checking SM file...\nProblem note detected at beat: 4\nMeasureSize: 3\n"
                           "Problem SM file. Please fix it before send to vorblen staff.\n";

struct CliCase
{
    const char *name;
    std::string args; // shell words; OK and BAD name charts
    int status;
    std::string out;
    std::string errStart;
    std::string tmpdir = "tmp"; // an empty folder that must stay empty
};

const std::vector<CliCase> kCases = {
    {"OkChart", "OK", 0, okLog, ""},
    {"ProblemChart", "BAD", 1, badLog, ""},
    {"MissingChart", "NONE", 1, "Incorrect SM file! Please check\n",
        "quillet-check: NONE: No such file or directory\n"},
    {"FolderChart", ".", 1, "Incorrect SM file! Please check\n",
        "quillet-check: .: not a regular file\n"},
    {"SeveralChartsArePrefixed", "OK BAD", 1,
        "OK: Checking SM file...\nOK: SM file is OK. Ready to send to convert.\n"
        "BAD: Checking SM file...\nBAD: Problem note detected at beat: 4\nBAD: MeasureSize: 3\n"
        "BAD: Problem SM file. Please fix it before send to vorblen staff.\n",
        ""},
    {"CrLfKeepsTheLogBytes", "--crlf OK", 0,
        "Checking SM file...\r\nSM file is OK. Ready to send to convert.\r\n", ""},
    {"QuietPrintsNothing", "-q BAD OK", 1, "", ""},
    {"StandardInput", "- < BAD", 1, badLog, ""},
    {"IncorrectSaysWhy", "- < /dev/null", 1, "Incorrect SM file! Please check\n",
        "quillet-check: (standard input): the file is empty\n"},
    {"StandardInputNamedWhenPrefixed", "- OK < OK", 0,
        "(standard input): Checking SM file...\n"
        "(standard input): SM file is OK. Ready to send to convert.\n"
        "OK: Checking SM file...\nOK: SM file is OK. Ready to send to convert.\n",
        ""},
    {"DoubleDashEndsOptions", "-- --quiet", 1, "Incorrect SM file! Please check\n",
        "quillet-check: --quiet: No such file or directory\n"},
    {"Version", "--version", 0, "quillet-check 1.0\n", ""},
    {"UnknownOption", "--bogus OK", 2, "", "quillet-check: unknown option '--bogus'\n"},
    {"NoChart", "--crlf", 2, "", "quillet-check: no chart given\n"},
    {"ScratchCannotBeMadeOutranksAProblem", "BAD NONE", 2,
        "BAD: Cannot check: the scratch file could not be created (No such file or directory)\n"
        "NONE: Incorrect SM file! Please check\n",
        "quillet-check: BAD: the scratch file could not be created", "missing"},
#ifndef _WIN32 // Windows has no device that is always full.
    {"FullOutput", "OK > /dev/full", 2, "", "quillet-check: cannot write the log: "},
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
    std::filesystem::create_directory(folder.file("tmp"));
    // Inside the folder, so that the charts' names are short; every scratch file goes to tmp.
    const std::string command = commandIn(folder, GetParam().tmpdir) + quoted(QUILLET_CHECK_PATH)
        + " > out 2> err " + GetParam().args;

    EXPECT_EQ(exitStatus(command), GetParam().status) << command;
    EXPECT_EQ(test::contents(folder.file("out")), GetParam().out);
    const std::string err = test::contents(folder.file("err"));
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
