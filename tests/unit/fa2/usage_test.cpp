// Command-line usage: help everywhere, usage errors exit with 2.
#include "tests/unit/fa2/tool_runner.h"

#include <gtest/gtest.h>

namespace fa2test {
namespace {

using UsageTest = ToolTest;

TEST_F(UsageTest, HelpOnTheToolAndEveryCommand) {
    struct Case {
        std::vector<std::string> arguments;
        std::string mentions;
    };
    const std::vector<Case> cases = {
        {{"--help"}, "extract"},       {{"create", "--help"}, "--plain-directory"},
        {{"create", "-h"}, "--store"}, {{"list", "--help"}, "ISO 8601"},
        {{"extract", "--help"}, "-C"}, {{"test", "--help"}, "PACKAGE"},
    };
    for (const Case& c : cases) {
        ToolResult result = Run(c.arguments);
        EXPECT_EQ(result.exitCode, 0) << c.arguments[0];
        EXPECT_NE(result.out.find(c.mentions), std::string::npos) << result.out;
    }
}

TEST_F(UsageTest, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"create"},
        {"create", "out.fa2"},
        {"create", "out.fa2", "A.TXT", "--store"},
        {"list"},
        {"list", "a.fa2", "b.fa2"},
        {"extract"},
        {"extract", "a.fa2", "--bogus"},
        {"test"},
    };
    for (const std::vector<std::string>& arguments : cases) {
        ToolResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(arguments);
        EXPECT_NE(result.err, "") << ::testing::PrintToString(arguments);
    }
    EXPECT_FALSE(std::filesystem::exists(Path("out.fa2")));
}

TEST_F(UsageTest, MissingPackageIsNamedByEveryReader) {
    for (const char* command : {"list", "extract", "test"}) {
        ToolResult result = Run({command, "nowhere/missing.fa2"});
        EXPECT_EQ(result.exitCode, 1) << command;
        EXPECT_EQ(result.err, "fa2: nowhere/missing.fa2: cannot open: No such file or directory\n")
            << command;
    }
}

} // namespace
} // namespace fa2test
