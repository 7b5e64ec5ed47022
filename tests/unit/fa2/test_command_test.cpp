// fa2 test: sound packages pass, and each kind of damage is found and named.
#include "tests/unit/fa2/tool_runner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>

namespace fa2test {
namespace {

// A.INI compressed (100 bytes), B.DAT stored (5 bytes), C.TXT compressed.
std::vector<uint8_t> SoundPackage(bool plainDirectory) {
    std::string text;
    for (int i = 0; i < 25; ++i) {
        text += "key" + std::to_string(i % 3);
    }
    return WritePackage({Member("A.INI", text.substr(0, 100), true),
                         Member("B.DAT", "12345", false),
                         Member("C.TXT", "hello world, hello world", true)},
                        plainDirectory);
}

using TestCommandTest = ToolTest;

TEST_F(TestCommandTest, SoundPackagesPass) {
    struct Case {
        std::vector<uint8_t> package;
        std::string summary;
    };
    const std::vector<Case> cases = {
        {SoundPackage(false), "OK, 3 members (2 compressed, 1 stored), directory compressed"},
        {SoundPackage(true), "OK, 3 members (2 compressed, 1 stored), directory plain"},
        {WritePackage({}, false), "OK, 0 members (0 compressed, 0 stored), directory compressed"},
        {WritePackage({Member("EMPTY", "", true), Member("NONE", "", false)}, true),
         "OK, 2 members (1 compressed, 1 stored), directory plain"},
    };
    for (const Case& c : cases) {
        const std::string path = SavePackage(c.package);
        ToolResult tested = Run({"test", path});
        EXPECT_EQ(tested.exitCode, 0) << tested.err;
        EXPECT_EQ(tested.err, "");
        EXPECT_EQ(tested.out, path + ": " + c.summary + "\n");
    }
}

// A line of the report that starts with prefix and mentions problem.
bool HasProblemLine(const std::string& report, const std::string& prefix,
                    const std::string& problem) {
    std::istringstream lines(report);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(prefix, 0) == 0 && line.find(problem, prefix.size()) != std::string::npos) {
            return true;
        }
    }
    return false;
}

struct Damage {
    const char* name;
    bool plainDirectory;
    std::function<void(std::vector<uint8_t>&)> damage;
    std::string problem; // what stderr reports after "fa2: PATH: "
};

void PrintTo(const Damage& damage, std::ostream* out) {
    *out << damage.name;
}

class TestCommandDamageTest : public ToolTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(TestCommandDamageTest, IsReported) {
    const Damage& damage = GetParam();
    std::vector<uint8_t> bytes = SoundPackage(damage.plainDirectory);
    damage.damage(bytes);
    const std::string path = SavePackage(bytes);
    ToolResult tested = Run({"test", path});
    EXPECT_EQ(tested.exitCode, 1);
    EXPECT_EQ(tested.out, "");
    EXPECT_TRUE(HasProblemLine(tested.err, "fa2: " + path + ": ", damage.problem)) << tested.err;
}

const Damage Damages[] = {
    {"TooShort", true, [](auto& b) { b.resize(10); }, "too short for an FA2 header (10 bytes)"},
    {"BadMagic", true, [](auto& b) { b[2] = '3'; }, "not an FA2 package (wrong magic)"},
    {"UnknownFlags", true, [](auto& b) { HeaderOf(b).Flags |= 4; },
     "unknown header flags are set (0x04)"},
    {"DirectoryOffsetInHeader", true, [](auto& b) { HeaderOf(b).DirectoryOffset = 8; },
     "directory offset 8 lies within the header"},
    {"TruncatedIntoData", true, [](auto& b) { b.resize(HeaderOf(b).DirectoryOffset - 8); },
     "lies outside the file"},
    {"TruncatedCompressedDirectory", false, [](auto& b) { b.resize(b.size() - 3); },
     "the compressed directory is damaged (does not decode to 3 entries)"},
    {"HugeEntryCount", false, [](auto& b) { HeaderOf(b).EntryCount = 0x08000000; },
     "entry count 134217728 is too large"},
    {"PlainDirectoryPastEnd", true, [](auto& b) { HeaderOf(b).EntryCount = 4; },
     "the directory of 4 entries runs past the end of the file"},
    {"CompressedDirectoryTooShort", false, [](auto& b) { HeaderOf(b).EntryCount = 0x07000000; },
     "is too short to hold 117440512 entries"},
    {"CompressedDirectoryCountMismatch", false, [](auto& b) { HeaderOf(b).EntryCount = 4; },
     "the compressed directory decodes to 96 bytes, not the 128 of 4 entries"},
    {"BytesAfterPlainDirectory", true, [](auto& b) { b.push_back(0); },
     "the directory is followed by 1 byte"},
    {"BytesAfterCompressedDirectory", false,
     [](auto& b) {
         b.insert(b.end(), {0, 0, 0});
     },
     "the compressed directory's end marker is followed by 3 bytes"},
    {"MemberPastDirectory", true,
     [](auto& b) { PlainEntryOf(b, 1).Size = PlainEntryOf(b, 1).StoredSize = 200; },
     "member B.DAT: its stored bytes (200 at offset "},
    {"BadCompressedMember", true, [](auto& b) { std::memset(&b[MemberOffset(b, 0)], 0, 4); },
     "member A.INI: its compressed data is damaged (does not decode to 100 bytes)"},
    {"CompressedMemberShorterThanSize", true, [](auto& b) { PlainEntryOf(b, 0).Size = 101; },
     "member A.INI: its compressed data decodes to 100 bytes, not 101"},
    {"CompressedMemberImpossiblySized", true, [](auto& b) { PlainEntryOf(b, 2).Size = 0xFFFFFFFF; },
     "member C.TXT: its size 4294967295 is more than"},
    {"PlainStoredSizeDiffers", true, [](auto& b) { PlainEntryOf(b, 1).Size = 4; },
     "member B.DAT: stored plain, but its stored size 5 differs from its size 4"},
    {"NonzeroFill", true, [](auto& b) { b[MemberOffset(b, 1) + 5] = 1; },
     "member B.DAT: the fill after its stored bytes is not zero"},
    {"TrailingBytesInCompressedMember", true,
     [](auto& b) {
         PackageEntry& entry = PlainEntryOf(b, 2);
         ASSERT_NE(entry.StoredSize % 16, 0u) << "no fill to grow into";
         entry.StoredSize += 1;
     },
     "member C.TXT: its stored size "},
    {"NameWithoutNul", true, [](auto& b) { std::memset(PlainEntryOf(b, 2).Name, 'X', 15); },
     "member XXXXXXXXXXXXXXX: the name has no NUL within its 15 bytes"},
    {"EmptyName", true, [](auto& b) { PlainEntryOf(b, 2).Name[0] = 0; },
     "member #3: the name is empty"},
    {"NameNotZeroFilled", true, [](auto& b) { PlainEntryOf(b, 2).Name[13] = 'Q'; },
     "member C.TXT: the name field is not zero-filled after its NUL"},
    {"BadEntryFlags", true, [](auto& b) { PlainEntryOf(b, 1).EntryFlags = 0x05; },
     "member B.DAT: entry flags 0x05 are neither 0x01 (stored) nor 0x02 (compressed)"},
    {"GapBeforeDirectory", true,
     [](auto& b) {
         b.insert(b.begin() + HeaderOf(b).DirectoryOffset, 16, 0);
         HeaderOf(b).DirectoryOffset += 16;
     },
     "does not directly follow the members' data, which ends at "},
};

INSTANTIATE_TEST_SUITE_P(Damages, TestCommandDamageTest, ::testing::ValuesIn(Damages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TestCommandTest, ReportsEveryProblemNotJustTheFirst) {
    std::vector<uint8_t> bytes = SoundPackage(true);
    PlainEntryOf(bytes, 1).Size = 4;
    std::memset(&bytes[MemberOffset(bytes, 0)], 0, 4);
    const std::string path = SavePackage(bytes);
    ToolResult tested = Run({"test", path});
    EXPECT_EQ(tested.exitCode, 1);
    EXPECT_NE(tested.err.find("fa2: " + path + ": member A.INI: "), std::string::npos);
    EXPECT_NE(tested.err.find("fa2: " + path + ": member B.DAT: "), std::string::npos);
}

} // namespace
} // namespace fa2test
