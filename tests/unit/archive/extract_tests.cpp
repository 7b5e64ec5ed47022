#include "archive/extract.h"

#include "archive/package.h"
#include "archive/package_writer.h"
#include "tests/support/boxes.h"
#include "tests/support/scratch_drive.h"
#include "updater/services.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

machine::Machine& M() {
    return machine::TheMachine();
}

// 2024-05-01T12:34:56Z as a FILETIME and as Unix seconds.
constexpr uint64_t StampSeconds = 1714566896;
constexpr uint64_t StampTicks = StampSeconds * 10000000ull + 116444736000000000ull;
constexpr FILETIME Stamp{static_cast<DWORD>(StampTicks), static_cast<DWORD>(StampTicks >> 32)};

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string Repeated(const std::string& unit, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += unit;
    }
    return out;
}

const std::string PlainText = "plain member bytes\r\n";
const std::string CompressedText = Repeated("compressible text, ", 200);

std::vector<PackageMemberSource> Members() {
    return {
        {"UPDATE.INI", Bytes("[SETUP]\r\n"), Stamp, true},
        {"PLAIN.DAT", Bytes(PlainText), Stamp, false},
        {"PACKED.DAT", Bytes(CompressedText), Stamp, true},
        {"TWICE.DAT", Bytes("first"), Stamp, false},
        {"TWICE.DAT", Bytes("second"), Stamp, false},
        {"EMPTY.DAT", {}, Stamp, false},
        {"ゲーム表.DAT", Bytes("double-byte name"), Stamp, true},
    };
}

class ExtractTest : public testing::Test {
  public:
    ScratchDrive drive;
    std::vector<uint8_t> image;

    void SetUp() override {
        std::filesystem::create_directories(drive.Root() / "GAME");
        Open(Members());
    }
    // Whatever way the extraction ended, its decode block is gone.
    void TearDown() override {
        Close();
        EXPECT_EQ(M().globalBlocksInUse, 0);
    }

    void Open(const std::vector<PackageMemberSource>& members) {
        Close();
        image = WritePackage(members, false);
        PackageImage = {image.data(), static_cast<DWORD>(image.size())};
        PackageDirectory = OpenPackage(image.data(), static_cast<DWORD>(image.size()));
        ASSERT_NE(PackageDirectory, nullptr);
    }
    void Close() {
        if (PackageDirectory != nullptr) {
            GlobalFree(PackageDirectory);
            PackageDirectory = nullptr;
        }
        PackageImage = {};
    }

    PackageEntry& Entry(const char* name) {
        PackageEntry* entries = PackageEntries(PackageDirectory);
        for (DWORD i = 0; i < PackageDirectory->EntryCount; ++i) {
            if (std::strcmp(entries[i].Name, name) == 0) {
                return entries[i];
            }
        }
        throw std::invalid_argument(name);
    }
    // Offset of a member's bytes in the image, as the lookup walks to it.
    DWORD Offset(const char* name) {
        PackageEntry* entries = PackageEntries(PackageDirectory);
        DWORD offset = 16;
        for (DWORD i = 0; std::strcmp(entries[i].Name, name) != 0; ++i) {
            offset += AlignedStoredSize(entries[i].StoredSize);
        }
        return offset;
    }

    std::vector<std::string> FolderEntries(const std::filesystem::path& relative = "GAME") {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(drive.Root() / relative)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::vector<std::string> BoxTexts() const { return ErrorBoxTexts("UPDATE"); }

    void ExpectStamped(const std::filesystem::path& relative) {
        struct stat info {};
        ASSERT_EQ(stat((drive.Root() / relative).c_str(), &info), 0);
        EXPECT_EQ(static_cast<uint64_t>(info.st_mtim.tv_sec), StampSeconds);
        EXPECT_EQ(info.st_mtim.tv_nsec, 0);
    }
};

struct MemberCase {
    const char* name;
    std::string member;      // as asked for, code page 932
    std::string destination; // below C:\GAME, code page 932
    std::string hostName;    // UTF-8
    std::string content;
};

class ExtractMemberTest : public ExtractTest, public testing::WithParamInterface<MemberCase> {};

TEST_P(ExtractMemberTest, WritesTheBytesWithTheStoredTime) {
    const MemberCase& c = GetParam();
    std::string destination = "C:\\GAME\\" + c.destination;
    EXPECT_EQ(ExtractPackageMember(c.member.c_str(), destination.c_str()), 1);
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_EQ(drive.Read("GAME/" + c.hostName), c.content);
    ExpectStamped("GAME/" + c.hostName);
    EXPECT_EQ(GetFileAttributesA(destination.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{c.hostName}) << "no stray file";
}

INSTANTIATE_TEST_SUITE_P(
    Members, ExtractMemberTest,
    testing::Values(
        MemberCase{"Plain", "PLAIN.DAT", "PLAIN.DAT", "PLAIN.DAT", PlainText},
        MemberCase{"Compressed", "PACKED.DAT", "OUT.DAT", "OUT.DAT", CompressedText},
        MemberCase{"CaseBlind", "update.ini", "UPDATE.INI", "UPDATE.INI", "[SETUP]\r\n"},
        MemberCase{"FirstOfEqualNames", "twice.dat", "TWICE.DAT", "TWICE.DAT", "first"},
        MemberCase{"Empty", "EMPTY.DAT", "EMPTY.DAT", "EMPTY.DAT", ""},
        MemberCase{"DoubleByteName", "ゲーム表.DAT", "ゲーム表.DAT",
                   reinterpret_cast<const char*>(u8"ゲーム表.DAT"), "double-byte name"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExtractTest, ReplacesAnExistingReadOnlyFile) {
    drive.Write("GAME/PLAIN.DAT", "an older and longer installed file");
    std::filesystem::permissions(drive.Root() / "GAME/PLAIN.DAT",
                                 std::filesystem::perms::owner_read);
    ASSERT_NE(GetFileAttributesA("C:\\GAME\\PLAIN.DAT") & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(ExtractPackageMember("PLAIN.DAT", "C:\\GAME\\PLAIN.DAT"), 1);
    EXPECT_EQ(drive.Read("GAME/PLAIN.DAT"), PlainText);
    EXPECT_EQ(GetFileAttributesA("C:\\GAME\\PLAIN.DAT") & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"PLAIN.DAT"});
}

TEST_F(ExtractTest, DirectoryAtTheDestinationIsLeftAloneSilently) {
    std::filesystem::create_directories(drive.Root() / "GAME/PACKED.DAT/inside");
    for (const char* member : {"PACKED.DAT", "PLAIN.DAT"}) {
        EXPECT_EQ(ExtractPackageMember(member, "C:\\GAME\\PACKED.DAT"), 0);
    }
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_TRUE(std::filesystem::is_directory(drive.Root() / "GAME/PACKED.DAT/inside"));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"PACKED.DAT"});
}

TEST_F(ExtractTest, UnknownMemberIsReported) {
    for (const char* member : {"NONE.DAT", "GAME\\UPDATE.INI", "UPDATE.IN", ""}) {
        M().boxes.clear();
        EXPECT_EQ(ExtractPackageMember(member, "C:\\GAME\\X.DAT"), 0) << member;
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Can't Find File in Resource !!"});
    }
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(ExtractTest, EmptyPackageHasNoMember) {
    Open({});
    EXPECT_EQ(ExtractPackageMember("UPDATE.INI", "C:\\GAME\\UPDATE.INI"), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Can't Find File in Resource !!"});
}

struct SpaceCase {
    const char* name;
    const char* member;
    int64_t freeMinusSize; // free bytes relative to the member's Size
    uint64_t extraFree;    // added on top, for figures beyond 4 GiB
    const char* missing;   // null: enough room
};

class ExtractSpaceTest : public ExtractTest, public testing::WithParamInterface<SpaceCase> {};

TEST_P(ExtractSpaceTest, ComparesWithTheCallersFreeBytes) {
    const SpaceCase& c = GetParam();
    drive.Write("GAME/PACKED.DAT", "installed");
    DWORD size = Entry(c.member).Size;
    M().drives['C'].free = static_cast<uint64_t>(size + c.freeMinusSize) + c.extraFree;

    int result = ExtractPackageMember(c.member, "C:\\GAME\\PACKED.DAT");
    if (c.missing == nullptr) {
        EXPECT_EQ(result, 1);
        EXPECT_TRUE(M().boxes.empty());
    } else {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(BoxTexts(),
                  std::vector<std::string>{std::string("ディスク容量が足りません。C: ドライブに ") +
                                           c.missing + " バイトの空き容量が必要です"});
        EXPECT_EQ(drive.Read("GAME/PACKED.DAT"), "installed");
    }
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"PACKED.DAT"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtractSpaceTest,
    testing::Values(SpaceCase{"ExactlyEqual", "PACKED.DAT", 0, 0, nullptr},
                    SpaceCase{"OneByteShort", "PACKED.DAT", -1, 0, "1"},
                    SpaceCase{"AllShort", "PLAIN.DAT", -static_cast<int64_t>(PlainText.size()), 0,
                              "20"},
                    // The low 32 bits of the figure are below Size, the whole is not.
                    SpaceCase{"FourGiBAndLittle", "PACKED.DAT",
                              -static_cast<int64_t>(CompressedText.size()), 4ull << 30, nullptr},
                    SpaceCase{"EmptyMemberOnFullDisk", "EMPTY.DAT", 0, 0, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

struct DamageCase {
    const char* name;
    const char* member;
    std::function<void(ExtractTest&)> damage;
};

class ExtractDamageTest : public ExtractTest, public testing::WithParamInterface<DamageCase> {};

TEST_P(ExtractDamageTest, IsReportedAndWritesNothing) {
    const DamageCase& c = GetParam();
    drive.Write("GAME/TARGET.DAT", "installed");
    GetParam().damage(*this);
    EXPECT_EQ(ExtractPackageMember(c.member, "C:\\GAME\\TARGET.DAT"), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"UPDATE.FA2 is damaged"});
    EXPECT_EQ(drive.Read("GAME/TARGET.DAT"), "installed");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"TARGET.DAT"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtractDamageTest,
    testing::Values(
        DamageCase{"PlainPastTheImage", "PLAIN.DAT",
                   [](ExtractTest& t) {
                       PackageImage.Length =
                           t.Offset("PLAIN.DAT") + t.Entry("PLAIN.DAT").StoredSize - 1;
                   }},
        DamageCase{"PackedPastTheImage", "PACKED.DAT",
                   [](ExtractTest& t) { PackageImage.Length = t.Offset("PACKED.DAT") + 4; }},
        DamageCase{"StoredSizeWrapsTheOffset", "PLAIN.DAT",
                   [](ExtractTest& t) { t.Entry("UPDATE.INI").StoredSize = 0xFFFFFFF8u; }},
        DamageCase{"PlainSizeNotStoredSize", "PLAIN.DAT",
                   [](ExtractTest& t) { t.Entry("PLAIN.DAT").Size += 1; }},
        DamageCase{"PackedShorterThanSize", "PACKED.DAT",
                   [](ExtractTest& t) { t.Entry("PACKED.DAT").Size += 1; }},
        DamageCase{"PackedLongerThanSize", "PACKED.DAT",
                   [](ExtractTest& t) { t.Entry("PACKED.DAT").Size -= 1; }},
        DamageCase{"PackedBlockCutShort", "PACKED.DAT",
                   [](ExtractTest& t) { t.Entry("PACKED.DAT").StoredSize /= 2; }},
        DamageCase{"PackedBytesGarbled", "PACKED.DAT",
                   [](ExtractTest& t) {
                       DWORD offset = t.Offset("PACKED.DAT");
                       std::memset(t.image.data() + offset, 0xFF, t.Entry("PACKED.DAT").StoredSize);
                   }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExtractTest, DecodeBlockThatCannotBeHadIsReported) {
    drive.Write("GAME/PACKED.DAT", "installed");
    M().globalAllocLimit = Entry("PACKED.DAT").Size - 1;
    EXPECT_EQ(ExtractPackageMember("PACKED.DAT", "C:\\GAME\\PACKED.DAT"), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Can't Allocate Memory !!"});
    EXPECT_EQ(drive.Read("GAME/PACKED.DAT"), "installed");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"PACKED.DAT"});
}

TEST_F(ExtractTest, FailedWriteKeepsTheOldFile) {
    for (bool readOnly : {false, true}) {
        drive.Write("GAME/PLAIN.DAT", "the installed game file");
        if (readOnly) {
            std::filesystem::permissions(drive.Root() / "GAME/PLAIN.DAT",
                                         std::filesystem::perms::owner_read);
        }
        // The new content goes to the next temporary name in the folder: the
        // machine numbers them upward, so while the probe exists the
        // extraction takes the number after it. Writes to that file fail.
        char probe[MAX_PATH];
        UINT number = GetTempFileNameA("C:\\GAME\\", "UPD", 0, probe);
        ASSERT_NE(number, 0u);
        char next[MAX_PATH];
        ASSERT_NE(GetTempFileNameA("C:\\GAME\\", "UPD", number % 0xFFFF + 1, next), 0u);
        M().failWritesTo = next;

        EXPECT_EQ(ExtractPackageMember("PLAIN.DAT", "C:\\GAME\\PLAIN.DAT"), 0) << readOnly;
        EXPECT_TRUE(M().boxes.empty());
        EXPECT_EQ(drive.Read("GAME/PLAIN.DAT"), "the installed game file");
        EXPECT_EQ(GetFileAttributesA("C:\\GAME\\PLAIN.DAT") & FILE_ATTRIBUTE_READONLY,
                  readOnly ? FILE_ATTRIBUTE_READONLY : 0u)
            << "the read-only mark is kept";
        ASSERT_TRUE(DeleteFileA(probe));
        EXPECT_EQ(FolderEntries(), std::vector<std::string>{"PLAIN.DAT"});
    }
}

TEST_F(ExtractTest, MissingFolderFailsWithoutMessage) {
    EXPECT_EQ(ExtractPackageMember("PLAIN.DAT", "C:\\GAME\\NONE\\PLAIN.DAT"), 0);
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(ExtractTest, WholeFileWithoutTimestampKeepsTheWriteTime) {
    std::string text = "written now";
    EXPECT_EQ(
        WriteWholeFile("C:\\GAME\\NOW.TXT", text.data(), static_cast<DWORD>(text.size()), nullptr),
        1);
    EXPECT_EQ(drive.Read("GAME/NOW.TXT"), text);
    struct stat info {};
    ASSERT_EQ(stat((drive.Root() / "GAME/NOW.TXT").c_str(), &info), 0);
    EXPECT_LT(std::time(nullptr) - info.st_mtim.tv_sec, 300);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"NOW.TXT"});
}

TEST_F(ExtractTest, WholeFileNeedsAFolder) {
    for (const char* path : {"X.TXT", UnjoinablePath, ""}) {
        EXPECT_EQ(WriteWholeFile(path, "x", 1, &Stamp), 0) << path;
    }
    std::string tooLong = "C:\\GAME\\" + std::string(300, 'x');
    EXPECT_EQ(WriteWholeFile(tooLong.c_str(), "x", 1, &Stamp), 0);
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(ExtractTest, WholeFileAtTheDriveRoot) {
    EXPECT_EQ(WriteWholeFile("C:\\ROOT.TXT", "r", 1, &Stamp), 1);
    EXPECT_EQ(drive.Read("ROOT.TXT"), "r");
    ExpectStamped("ROOT.TXT");
}

} // namespace
