#include "../support/tempfolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace quillet {
namespace {

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

std::string contents(const std::string &path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// Runs quillet-check with args, feeding input on standard input; extraEnv entries are added to the
// environment. stdoutPath, when set, replaces the captured standard output.
Outcome runProgram(const test::TempFolder &folder, const std::vector<std::string> &args,
    const std::string &input, const std::vector<std::string> &extraEnv = {},
    const std::string &stdoutPath = {})
{
    const std::string inPath = folder.write("stdin", input);
    const std::string outPath = stdoutPath.empty() ? folder.file("stdout") : stdoutPath;
    const std::string errPath = folder.file("stderr");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(
        &actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(
        &actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<char *> argv {const_cast<char *>(QUILLET_CHECK_PATH)};
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (char **entry = environ; *entry != nullptr; ++entry)
        envp.push_back(*entry);
    for (const std::string &entry : extraEnv)
        envp.push_back(const_cast<char *>(entry.c_str()));
    envp.push_back(nullptr);

    Outcome outcome;
    pid_t child;
    if (posix_spawn(&child, QUILLET_CHECK_PATH, &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        waitpid(child, &status, 0);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (stdoutPath.empty())
        outcome.out = contents(outPath);
    outcome.err = contents(errPath);
    return outcome;
}

const std::string okChart = "#TITLE:a;\r\n0000\r\n0000\r\n0000\r\n0000\r\n;\r\n";
const std::string badChart = "#TITLE:b;\n0000\n0000\n0000\n;\n";
const std::string okLog = "Checking SM file...\nSM file is OK. Ready to send to convert.\n";
const std::string badLog = "Checking SM file...\nProblem note detected at beat: 4\nMeasureSize: 3\n"
                           "Problem SM file. Please fix it before send to vorblen staff.\n";

struct CliCase
{
    const char *name;
    std::vector<std::string> args; // "OK", "BAD" and "NONE" stand for chart files
    std::string input;
    int status;
    std::string out;
    std::string errStart;
};

void PrintTo(const CliCase &value, std::ostream *out)
{
    *out << value.name;
}

const std::vector<CliCase> kCases = {
    {"OkChart", {"OK"}, "", 0, okLog, ""},
    {"ProblemChart", {"BAD"}, "", 1, badLog, ""},
    {"MissingChart", {"NONE"}, "", 1, "Incorrect SM file! Please check\n",
        "quillet-check: NONE: No such file or directory\n"},
    {"FolderChart", {"."}, "", 1, "Incorrect SM file! Please check\n",
        "quillet-check: .: not a regular file\n"},
    {"SeveralChartsArePrefixed", {"OK", "BAD"}, "", 1,
        "OK: Checking SM file...\nOK: SM file is OK. Ready to send to convert.\n"
        "BAD: Checking SM file...\nBAD: Problem note detected at beat: 4\nBAD: MeasureSize: 3\n"
        "BAD: Problem SM file. Please fix it before send to vorblen staff.\n",
        ""},
    {"CrLfKeepsTheLogBytes", {"--crlf", "OK"}, "", 0,
        "Checking SM file...\r\nSM file is OK. Ready to send to convert.\r\n", ""},
    {"QuietPrintsNothing", {"-q", "BAD", "OK"}, "", 1, "", ""},
    {"StandardInput", {"-"}, badChart, 1, badLog, ""},
    {"StandardInputNamedWhenPrefixed", {"-", "OK"}, okChart, 0,
        "(standard input): Checking SM file...\n"
        "(standard input): SM file is OK. Ready to send to convert.\n"
        "OK: Checking SM file...\nOK: SM file is OK. Ready to send to convert.\n",
        ""},
    {"DoubleDashEndsOptions", {"--", "--quiet"}, "", 1, "Incorrect SM file! Please check\n",
        "quillet-check: --quiet: No such file or directory\n"},
    {"Help", {"--help"}, "", 0, "", ""},
    {"Version", {"--version"}, "", 0, "quillet-check 1.0\n", ""},
    {"UnknownOption", {"--bogus", "OK"}, "", 2, "", "quillet-check: unknown option '--bogus'\n"},
    {"NoChart", {"--crlf"}, "", 2, "", "quillet-check: no chart given\n"},
};

class CheckProgramTest : public testing::TestWithParam<CliCase>
{
protected:
    test::TempFolder folder;
};

TEST_P(CheckProgramTest, PrintsAndExits)
{
    const CliCase &cliCase = GetParam();
    // Run inside the folder so the charts' names are short and the prefixes readable.
    std::filesystem::current_path(folder.path());
    folder.write("OK", okChart);
    folder.write("BAD", badChart);

    const Outcome outcome = runProgram(folder, cliCase.args, cliCase.input);

    EXPECT_EQ(outcome.status, cliCase.status);
    if (std::string(cliCase.name) == "Help")
        EXPECT_EQ(outcome.out.rfind("Usage: quillet-check [OPTIONS] CHART...\n", 0), 0u);
    else
        EXPECT_EQ(outcome.out, cliCase.out);
    EXPECT_EQ(outcome.err.substr(0, cliCase.errStart.size()), cliCase.errStart);
    EXPECT_EQ(outcome.err.empty(), cliCase.errStart.empty()) << outcome.err;
}

INSTANTIATE_TEST_SUITE_P(Options, CheckProgramTest, testing::ValuesIn(kCases),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CheckProgramFailureTest, ScratchThatCannotBeMadeIsExitTwo)
{
    test::TempFolder folder;
    const std::string chart = folder.write("c.sm", okChart);

    const Outcome outcome
        = runProgram(folder, {"BAD", chart}, "", {"TMPDIR=" + folder.file("missing")});

    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(
        outcome.out.find("Cannot check: the scratch file could not be created"), std::string::npos);
    EXPECT_NE(outcome.err.find("\nquillet-check: " + chart + ": Cannot check: "), std::string::npos)
        << outcome.err;
}

TEST(CheckProgramFailureTest, LeavesNoScratchInTheTempFolder)
{
    test::TempFolder folder;
    test::TempFolder temp;
    const std::string chart = folder.write("c.sm", okChart);

    EXPECT_EQ(runProgram(folder, {chart, chart}, "", {"TMPDIR=" + temp.path().string()}).status, 0);
    EXPECT_TRUE(temp.entries().empty());
}

TEST(CheckProgramFailureTest, FullOutputIsExitTwo)
{
    test::TempFolder folder;
    const Outcome outcome
        = runProgram(folder, {folder.write("c.sm", okChart)}, "", {}, "/dev/full");

    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.err.rfind("quillet-check: cannot write the log: ", 0), 0u) << outcome.err;
}

} // namespace
} // namespace quillet
