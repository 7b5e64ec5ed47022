// fa2 extract: choosing members, refusing unsafe names, damaged data.
#include "tests/unit/fa2/tool_runner.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fa2test {
namespace {

using ExtractTest = ToolTest;

TEST_F(ExtractTest, NamedMembersMatchIgnoringCase) {
    const std::string package = SavePackage(
        WritePackage({Member("UPDATE.INI", "[UPDATE]", true), Member("Scene.Pak", "scene", false),
                      Member("OTHER.TXT", "other", true)},
                     false));
    ToolResult extracted = Run({"extract", package, "update.ini", "SCENE.PAK", "-C", "out"});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    EXPECT_EQ(FolderEntries(Path("out")), (std::vector<std::string>{"Scene.Pak", "UPDATE.INI"}));
    EXPECT_EQ(ReadBytes(Path("out/UPDATE.INI")), Bytes("[UPDATE]"));
    EXPECT_EQ(ReadBytes(Path("out/Scene.Pak")), Bytes("scene"));
    EXPECT_EQ(ModificationTime(Path("out/Scene.Pak")).tv_sec, 1714566896);
}

TEST_F(ExtractTest, CaseFoldingSparesDoubleByteCharacters) {
    // "ア" (83 41) and "ッ" (83 61) differ only in a trail byte that a
    // single-byte fold would equate; they are different names.
    const std::string package = SavePackage(
        WritePackage({Member("ア.TXT", "a", true), Member("ッ.TXT", "small tsu", true)}, false));
    ToolResult extracted = Run({"extract", package, Utf8(u8"ッ.txt"), "-C", "out"});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    EXPECT_EQ(FolderEntries(Path("out")), (std::vector<std::string>{Utf8(u8"ッ.TXT")}));
    EXPECT_EQ(ReadBytes(Path(Utf8(u8"out/ッ.TXT"))), Bytes("small tsu"));
}

TEST_F(ExtractTest, FirstOfEqualNamesWins) {
    const std::string package = SavePackage(WritePackage(
        {Member("DATA.TXT", "first", true), Member("data.txt", "second", false)}, false));
    ToolResult named = Run({"extract", package, "Data.Txt", "-C", "named"});
    ASSERT_EQ(named.exitCode, 0) << named.err;
    EXPECT_EQ(FolderEntries(Path("named")), (std::vector<std::string>{"DATA.TXT"}));
    EXPECT_EQ(ReadBytes(Path("named/DATA.TXT")), Bytes("first"));

    ToolResult all = Run({"extract", package, "-C", "all"});
    EXPECT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(FolderEntries(Path("all")), (std::vector<std::string>{"DATA.TXT"}));
    EXPECT_EQ(ReadBytes(Path("all/DATA.TXT")), Bytes("first"));
    EXPECT_EQ(all.err, "fa2: " + package +
                           ": member data.txt: skipped: an earlier member has the same name\n");
}

TEST_F(ExtractTest, AbsentMemberIsAnErrorAndWritesNothing) {
    const std::string package = SavePackage(WritePackage({Member("A.TXT", "a", true)}, false));
    ToolResult extracted = Run({"extract", package, "A.TXT", "B.TXT", "-C", "out"});
    EXPECT_EQ(extracted.exitCode, 1);
    EXPECT_EQ(extracted.err, "fa2: " + package + ": no member named B.TXT\n");
    EXPECT_FALSE(std::filesystem::exists(Path("out")));
}

TEST_F(ExtractTest, DefaultsToTheWorkingFolderAndReplacesFiles) {
    const std::string package = SavePackage(WritePackage({Member("A.TXT", "new", true)}, false));
    WriteBytes(Path("A.TXT"), Bytes("old content"));
    std::filesystem::permissions(Path("A.TXT"), std::filesystem::perms::owner_read);
    ToolResult extracted = Run({"extract", package});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    EXPECT_EQ(ReadBytes(Path("A.TXT")), Bytes("new"));
    EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"A.TXT", "pkg.fa2"}));
}

class ExtractRefusesNameTest : public ToolTest,
                               public ::testing::WithParamInterface<const char*> {};

// The package holds the unsafe name between two safe members, with a plain
// directory so that any name can be patched in.
TEST_P(ExtractRefusesNameTest, WritesOnlyTheSafeMembers) {
    const std::string unsafe = GetParam();
    std::vector<uint8_t> bytes =
        WritePackage({Member("GOOD1.TXT", "1", true), Member("PLACEHOLDER", "evil", false),
                      Member("GOOD2.TXT", "2", true)},
                     true);
    PackageEntry& entry = PlainEntryOf(bytes, 1);
    std::memset(entry.Name, 0, sizeof entry.Name);
    std::memcpy(entry.Name, unsafe.data(), unsafe.size());
    const std::string package = SavePackage(bytes);
    std::filesystem::create_directories(Path("deep/out"));

    ToolResult extracted = Run({"extract", package, "-C", "deep/out"});
    EXPECT_EQ(extracted.exitCode, 1);
    const std::string label = unsafe.empty() ? "#2" : unsafe;
    EXPECT_EQ(extracted.err.rfind("fa2: " + package + ": member " + label + ": refused: ", 0), 0u)
        << extracted.err;
    EXPECT_EQ(FolderEntries(Path("deep/out")),
              (std::vector<std::string>{"GOOD1.TXT", "GOOD2.TXT"}));
    EXPECT_EQ(FolderEntries(Path("deep")), (std::vector<std::string>{"out"}));
    EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"deep", "pkg.fa2"}));
}

INSTANTIATE_TEST_SUITE_P(Names, ExtractRefusesNameTest,
                         ::testing::Values("", ".", "..", "../X", "..\\X", "/tmp/X", "A/B",
                                           "SUB\\X", "C:X", "X:"));

TEST_F(ExtractTest, NamedUnsafeMemberIsRefusedToo) {
    std::vector<uint8_t> bytes = WritePackage({Member("PLACEHOLDER", "evil", true)}, true);
    std::memcpy(PlainEntryOf(bytes, 0).Name, "..\\EVIL.TXT", 12);
    const std::string package = SavePackage(bytes);
    ToolResult extracted = Run({"extract", package, "..\\evil.txt", "-C", "out"});
    EXPECT_EQ(extracted.exitCode, 1);
    EXPECT_NE(extracted.err.find("refused: the name contains a path separator"), std::string::npos)
        << extracted.err;
    EXPECT_TRUE(FolderEntries(Path("out")).empty());
}

TEST_F(ExtractTest, DamagedMemberLeavesNoFileAndOthersAreWritten) {
    std::vector<uint8_t> bytes = WritePackage(
        {Member("BAD.TXT", std::string(100, 'z'), true), Member("GOOD.TXT", "good", true)}, true);
    // A first control word of zeros starts with a match reaching before the
    // start of the output.
    std::memset(bytes.data() + MemberOffset(bytes, 0), 0, 4);
    const std::string package = SavePackage(bytes);
    ToolResult extracted = Run({"extract", package, "-C", "out"});
    EXPECT_EQ(extracted.exitCode, 1);
    EXPECT_EQ(extracted.err,
              "fa2: " + package +
                  ": member BAD.TXT: its compressed data is damaged (does not decode to 100 "
                  "bytes)\n");
    EXPECT_EQ(FolderEntries(Path("out")), (std::vector<std::string>{"GOOD.TXT"}));
}

TEST_F(ExtractTest, FolderInTheWayIsReportedByItsPath) {
    const std::string package = SavePackage(WritePackage({Member("A.TXT", "a", true)}, false));
    std::filesystem::create_directories(Path("out/A.TXT"));
    ToolResult extracted = Run({"extract", package, "-C", "out"});
    EXPECT_EQ(extracted.exitCode, 1);
    EXPECT_EQ(extracted.err.rfind("fa2: out/A.TXT: cannot replace the file: ", 0), 0u)
        << extracted.err;
    EXPECT_EQ(FolderEntries(Path("out")), (std::vector<std::string>{"A.TXT"}));
}

} // namespace
} // namespace fa2test
