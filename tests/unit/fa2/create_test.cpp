// fa2 create, checked through the package it writes and a round trip.
#include "tests/unit/fa2/tool_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace fa2test {
namespace {

using CreateTest = ToolTest;

std::string RandomBytes(size_t count) {
    std::mt19937 generator(1234);
    std::string bytes(count, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator());
    }
    return bytes;
}

TEST_F(CreateTest, RoundTripKeepsBytesAndTimes) {
    struct Input {
        std::string name;
        std::string content;
        timespec modified;
    };
    std::string text;
    for (int i = 0; i < 200; ++i) {
        text += "line " + std::to_string(i % 7) + " of the update description\r\n";
    }
    const std::vector<Input> inputs = {
        {"UPDATE.INI", text, {1714566896, 123456789}},
        {"DATA.BIN", RandomBytes(5000), {946684799, 0}},
        {"EMPTY.TXT", "", {1714566896, 500000000}},
    };
    std::vector<std::string> arguments = {"create", "out.fa2"};
    std::filesystem::create_directory(Path("in"));
    for (const Input& input : inputs) {
        WriteBytes(Path("in") / input.name, Bytes(input.content));
        SetModificationTime(Path("in") / input.name, input.modified);
        arguments.push_back("in/" + input.name);
    }
    ToolResult created = Run(arguments);
    ASSERT_EQ(created.exitCode, 0) << created.err;
    EXPECT_EQ(created.err, "");

    ToolResult extracted = Run({"extract", "out.fa2", "-C", "out"});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    EXPECT_EQ(FolderEntries(Path("out")),
              (std::vector<std::string>{"DATA.BIN", "EMPTY.TXT", "UPDATE.INI"}));
    for (const Input& input : inputs) {
        SCOPED_TRACE(input.name);
        EXPECT_EQ(ReadBytes(Path("out") / input.name), Bytes(input.content));
        const timespec modified = ModificationTime(Path("out") / input.name);
        EXPECT_EQ(modified.tv_sec, input.modified.tv_sec);
        // FILETIME keeps 100-nanosecond steps.
        EXPECT_EQ(modified.tv_nsec, input.modified.tv_nsec / 100 * 100);
    }

    ToolResult listed = Run({"list", "out.fa2"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const std::vector<std::vector<std::string>> rows = ListRows(listed.out);
    ASSERT_EQ(rows.size(), 3u) << listed.out;
    const std::vector<std::vector<std::string>> expected = {
        {"UPDATE.INI", std::to_string(text.size()), "compressed", "2024-05-01T12:34:56.1234567Z"},
        {"DATA.BIN", "5000", "compressed", "1999-12-31T23:59:59Z"},
        {"EMPTY.TXT", "0", "compressed", "2024-05-01T12:34:56.5Z"}};
    for (size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 5u) << listed.out;
        EXPECT_EQ(rows[i][0], expected[i][0]);
        EXPECT_EQ(rows[i][1], expected[i][1]);
        EXPECT_EQ(rows[i][3], expected[i][2]);
        EXPECT_EQ(rows[i][4], expected[i][3]);
    }
    // The repetitive text compresses; an empty member is an end marker alone.
    EXPECT_LT(std::stoul(rows[0][2]), text.size() / 4);
    EXPECT_EQ(rows[2][2], "5");

    ToolResult tested = Run({"test", "out.fa2"});
    EXPECT_EQ(tested.exitCode, 0) << tested.err;
    EXPECT_NE(tested.out.find("OK"), std::string::npos);
}

TEST_F(CreateTest, StoreGlobsKeepMatchingMembersPlain) {
    for (const char* name : {"A.PAK", "B.INI", "C.pak", "D.DAT"}) {
        WriteBytes(Path(name), Bytes(std::string(300, 'x')));
    }
    ToolResult created = Run({"create", "out.fa2", "A.PAK", "B.INI", "C.pak", "D.DAT", "--store",
                              "*.PAK", "--store", "D.*"});
    ASSERT_EQ(created.exitCode, 0) << created.err;
    ToolResult listed = Run({"list", "out.fa2"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    // Globs match case-sensitively, so C.pak is compressed.
    const std::vector<std::string> forms = {"stored", "compressed", "compressed", "stored"};
    const std::vector<std::vector<std::string>> rows = ListRows(listed.out);
    ASSERT_EQ(rows.size(), forms.size()) << listed.out;
    for (size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 5u) << listed.out;
        EXPECT_EQ(rows[i][1], "300");
        EXPECT_EQ(rows[i][3], forms[i]) << rows[i][0];
        if (forms[i] == "stored") {
            EXPECT_EQ(rows[i][2], "300");
        } else {
            EXPECT_LT(std::stoul(rows[i][2]), 300u);
        }
    }
    EXPECT_EQ(Run({"test", "out.fa2"}).exitCode, 0);
}

TEST_F(CreateTest, DirectoryFormFollowsPlainDirectoryFlag) {
    WriteBytes(Path("A.TXT"), Bytes("hello hello hello"));
    struct Case {
        std::vector<std::string> extra;
        DWORD flags;
    };
    for (const Case& c : {Case{{}, DirectoryCompressed}, Case{{"--plain-directory"}, 0}}) {
        std::vector<std::string> arguments = {"create", "out.fa2", "A.TXT"};
        arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
        ToolResult created = Run(arguments);
        ASSERT_EQ(created.exitCode, 0) << created.err;
        std::vector<uint8_t> package = ReadBytes(Path("out.fa2"));
        ASSERT_GE(package.size(), sizeof(PackageHeader));
        EXPECT_EQ(HeaderOf(package).Magic, PackageMagic);
        EXPECT_EQ(HeaderOf(package).Flags, c.flags);
        EXPECT_EQ(HeaderOf(package).EntryCount, 1u);
        if (c.flags == 0) {
            EXPECT_EQ(package.size(), HeaderOf(package).DirectoryOffset + sizeof(PackageEntry));
            EXPECT_STREQ(PlainEntryOf(package, 0).Name, "A.TXT");
        }
        EXPECT_EQ(Run({"test", "out.fa2"}).exitCode, 0);
    }
}

TEST_F(CreateTest, JapaneseNamesBecomeCodePage932AndComeBack) {
    // The second name holds 0x5C as the trail byte of two characters.
    const std::vector<std::string> hostNames = {Utf8(u8"アップ.INI"), Utf8(u8"ソフト表.txt")};
    // Plain literals are code page 932 in this build.
    const std::vector<std::string> memberNames = {"アップ.INI", "ソフト表.txt"};
    for (const std::string& name : hostNames) {
        WriteBytes(Path(name), Bytes("content of " + name));
    }
    ToolResult created =
        Run({"create", "out.fa2", hostNames[0], hostNames[1], "--plain-directory"});
    ASSERT_EQ(created.exitCode, 0) << created.err;
    std::vector<uint8_t> package = ReadBytes(Path("out.fa2"));
    for (size_t i = 0; i < memberNames.size(); ++i) {
        EXPECT_STREQ(PlainEntryOf(package, i).Name, memberNames[i].c_str());
    }

    ToolResult listed = Run({"list", "out.fa2"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out.rfind(hostNames[0] + "\t", 0), 0u) << listed.out;
    EXPECT_NE(listed.out.find("\n" + hostNames[1] + "\t"), std::string::npos) << listed.out;

    ToolResult extracted = Run({"extract", "out.fa2", "-C", "out"});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    for (const std::string& name : hostNames) {
        EXPECT_EQ(ReadBytes(Path("out") / name), Bytes("content of " + name));
    }
}

TEST_F(CreateTest, FourteenByteNamesFit) {
    const std::vector<std::string> names = {"ABCDEFGHIJ.TXT", Utf8(u8"あいうえお.TXT")};
    for (const std::string& name : names) {
        WriteBytes(Path(name), Bytes("x"));
    }
    ToolResult created = Run({"create", "out.fa2", names[0], names[1]});
    EXPECT_EQ(created.exitCode, 0) << created.err;
    ToolResult listed = Run({"list", "out.fa2"});
    const std::vector<std::vector<std::string>> rows = ListRows(listed.out);
    ASSERT_EQ(rows.size(), 2u) << listed.out;
    EXPECT_EQ(rows[0][0], names[0]);
    EXPECT_EQ(rows[1][0], names[1]);
}

struct RefusedName {
    std::string hostName;
    std::string problem;
};

void PrintTo(const RefusedName& refused, std::ostream* out) {
    *out << refused.hostName;
}

class CreateRefusesNameTest : public ToolTest, public ::testing::WithParamInterface<RefusedName> {};

TEST_P(CreateRefusesNameTest, LeavesNoPackage) {
    const RefusedName& refused = GetParam();
    WriteBytes(Path("GOOD.TXT"), Bytes("good"));
    WriteBytes(Path(refused.hostName), Bytes("data"));
    ToolResult created = Run({"create", "out.fa2", "GOOD.TXT", refused.hostName});
    EXPECT_EQ(created.exitCode, 1);
    EXPECT_EQ(created.err.rfind("fa2: " + refused.hostName + ": ", 0), 0u) << created.err;
    EXPECT_NE(created.err.find(refused.problem), std::string::npos) << created.err;
    EXPECT_FALSE(std::filesystem::exists(Path("out.fa2")));
    std::vector<std::string> inputs = {"GOOD.TXT", refused.hostName};
    std::sort(inputs.begin(), inputs.end());
    EXPECT_EQ(FolderEntries(folder_), inputs);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CreateRefusesNameTest,
    ::testing::Values(RefusedName{"ABCDEFGHIJK.TXT", "15 bytes"},
                      RefusedName{Utf8(u8"あいうえおかき.TX"), "17 bytes"},
                      RefusedName{Utf8(u8"한국어.txt"), "cannot be written in code page 932"},
                      RefusedName{Utf8(u8"😀.txt"), "cannot be written in code page 932"},
                      RefusedName{"A:B.TXT", "drive colon"},
                      RefusedName{"A\\B.TXT", "path separator"}));

TEST_F(CreateTest, RefusesNamesEqualIgnoringCase) {
    std::filesystem::create_directory(Path("one"));
    std::filesystem::create_directory(Path("two"));
    WriteBytes(Path("one/Data.txt"), Bytes("1"));
    WriteBytes(Path("two/DATA.TXT"), Bytes("2"));
    WriteBytes(Path("two/Data.txt"), Bytes("3"));
    for (const char* second : {"two/DATA.TXT", "two/Data.txt"}) {
        ToolResult created = Run({"create", "out.fa2", "one/Data.txt", second});
        EXPECT_EQ(created.exitCode, 1);
        EXPECT_EQ(created.err.rfind(std::string("fa2: ") + second + ": ", 0), 0u) << created.err;
        EXPECT_NE(created.err.find("already taken by one/Data.txt"), std::string::npos)
            << created.err;
        EXPECT_FALSE(std::filesystem::exists(Path("out.fa2")));
    }
}

TEST_F(CreateTest, FailedRunLeavesOldPackageAndNoTemporaryFile) {
    WriteBytes(Path("out.fa2"), Bytes("old package"));
    WriteBytes(Path("A.TXT"), Bytes("a"));
    ToolResult created = Run({"create", "out.fa2", "A.TXT", "MISSING.TXT"});
    EXPECT_EQ(created.exitCode, 1);
    EXPECT_EQ(created.err, "fa2: MISSING.TXT: cannot open: No such file or directory\n");
    EXPECT_EQ(ReadBytes(Path("out.fa2")), Bytes("old package"));
    EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"A.TXT", "out.fa2"}));
}

TEST_F(CreateTest, UnwritableOutputIsReportedWithItsName) {
    WriteBytes(Path("A.TXT"), Bytes("a"));
    ToolResult created = Run({"create", "no/such/folder/out.fa2", "A.TXT"});
    EXPECT_EQ(created.exitCode, 1);
    EXPECT_EQ(created.err.rfind("fa2: no/such/folder/out.fa2: ", 0), 0u) << created.err;
}

TEST_F(CreateTest, RefusesFolders) {
    std::filesystem::create_directory(Path("sub"));
    ToolResult created = Run({"create", "out.fa2", "sub"});
    EXPECT_EQ(created.exitCode, 1);
    EXPECT_EQ(created.err, "fa2: sub: is a folder, not a file\n");
    EXPECT_FALSE(std::filesystem::exists(Path("out.fa2")));
}

} // namespace
} // namespace fa2test
