// fa2 list: fields and timestamps of packages made with the writer.
#include "tests/unit/fa2/tool_runner.h"

#include <gtest/gtest.h>

namespace fa2test {
namespace {

using ListTest = ToolTest;

TEST_F(ListTest, TimestampsAreUtcIso8601) {
    struct Case {
        uint64_t ticks;
        std::string text;
    };
    const std::vector<Case> cases = {
        {0, "1601-01-01T00:00:00Z"},
        {1, "1601-01-01T00:00:00.0000001Z"},
        {116444736000000000, "1970-01-01T00:00:00Z"},
        {116444735990000000, "1969-12-31T23:59:59Z"},
        {125911583990000000, "1999-12-31T23:59:59Z"},
        {133590404965000000, "2024-05-01T12:34:56.5Z"},
        {0x7FFFFFFFFFFFFFFF, "30828-09-14T02:48:05.4775807Z"},
    };
    std::vector<PackageMemberSource> members;
    for (size_t i = 0; i < cases.size(); ++i) {
        members.push_back(Member("M" + std::to_string(i), "data", true, cases[i].ticks));
    }
    ToolResult listed = Run({"list", SavePackage(WritePackage(members, false))});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const std::vector<std::vector<std::string>> rows = ListRows(listed.out);
    ASSERT_EQ(rows.size(), cases.size()) << listed.out;
    for (size_t i = 0; i < cases.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 5u) << listed.out;
        EXPECT_EQ(rows[i][4], cases[i].text) << cases[i].ticks;
    }
}

TEST_F(ListTest, ShowsEveryMemberInDirectoryOrder) {
    const std::vector<PackageMemberSource> members = {
        Member("SETUP.INI", "[SETUP]\r\n", true), Member("VOICE.PAK", "0123456789", false),
        Member("setup.ini", "a later member of an equal name", true)};
    for (const bool plainDirectory : {false, true}) {
        ToolResult listed = Run({"list", SavePackage(WritePackage(members, plainDirectory))});
        ASSERT_EQ(listed.exitCode, 0) << listed.err;
        const std::vector<std::vector<std::string>> rows = ListRows(listed.out);
        ASSERT_EQ(rows.size(), 3u) << listed.out;
        EXPECT_EQ(rows[0][0], "SETUP.INI");
        EXPECT_EQ(rows[1], (std::vector<std::string>{"VOICE.PAK", "10", "10", "stored",
                                                     "2024-05-01T12:34:56Z"}));
        EXPECT_EQ(rows[2][0], "setup.ini");
        EXPECT_EQ(rows[2][1], "31");
        EXPECT_EQ(rows[2][3], "compressed");
    }
}

TEST_F(ListTest, UnreadablePackagesNameTheFile) {
    struct Case {
        std::vector<uint8_t> bytes;
        std::string message;
    };
    std::vector<uint8_t> badMagic = WritePackage({Member("A", "a", true)}, false);
    badMagic[0] = 'X';
    const std::vector<Case> cases = {
        {{}, "too short for an FA2 header (0 bytes)"},
        {Bytes("FA2"), "too short for an FA2 header (3 bytes)"},
        {badMagic, "not an FA2 package (wrong magic)"},
    };
    for (const Case& c : cases) {
        const std::string path = SavePackage(c.bytes);
        ToolResult listed = Run({"list", path});
        EXPECT_EQ(listed.exitCode, 1);
        EXPECT_EQ(listed.err, "fa2: " + path + ": " + c.message + "\n");
        EXPECT_EQ(listed.out, "");
    }
    ToolResult missing = Run({"list", "missing.fa2"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "fa2: missing.fa2: cannot open: No such file or directory\n");
}

} // namespace
} // namespace fa2test
