#include "archive/compress.h"
#include "archive/decompress.h"
#include "archive/package.h"
#include "archive/package_writer.h"
#include "platform/posix/machine.h"
#include "updater/services.h"

#include "tests/unit/archive/block_builder.h"
#include "tests/unit/archive/sample_data.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

using samples::Bytes;

struct DirectoryFree {
    void operator()(PackageHeader* directory) const { GlobalFree(directory); }
};
using Directory = std::unique_ptr<PackageHeader, DirectoryFree>;

enum class Source { Memory, File };

const char PackagePath[] = "C:\\pkg\\UPDATE.FA2";

// A fresh host folder as drive C: of the simulated machine.
class PackageTest : public testing::Test {
  protected:
    void SetUp() override {
        machine::TheMachine().Reset();
        std::string pattern =
            (std::filesystem::temp_directory_path() / "fa2-archive-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        std::filesystem::create_directories(root_ / "pkg");
        machine::TheMachine().MapDrive('C', root_);
    }
    void TearDown() override {
        std::filesystem::remove_all(root_);
        machine::TheMachine().Reset();
    }

    void WriteHostFile(const std::filesystem::path& relative, const std::vector<uint8_t>& bytes) {
        std::ofstream(root_ / relative, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    Directory Open(Source source, const std::vector<uint8_t>& package) {
        if (source == Source::File) {
            WriteHostFile("pkg/UPDATE.FA2", package);
            return Directory(OpenPackage(PackagePath, 0));
        }
        // An exactly sized heap copy, so that any read past it is caught.
        std::unique_ptr<uint8_t[]> copy(new uint8_t[package.size()]);
        std::memcpy(copy.get(), package.data(), package.size());
        return Directory(OpenPackage(copy.get(), static_cast<DWORD>(package.size())));
    }

    std::filesystem::path root_;
};

PackageMemberSource Member(std::string name, std::vector<uint8_t> data, bool compress,
                           DWORD time = 0) {
    PackageMemberSource member;
    member.name = std::move(name);
    member.data = std::move(data);
    member.compress = compress;
    member.timestamp = {time, 0x01D00000 + time};
    return member;
}

std::vector<PackageMemberSource> SampleMembers() {
    return {
        Member("UPDATE.INI", samples::Text(1000, 1), true, 1),
        Member("EMPTY.DAT", {}, false, 2),
        Member("ONE.DAT", {0x5A}, false, 3),
        Member("SIXTEEN.DAT", samples::Random(16, 2), false, 4),
        Member("SEVENTEEN.BIN", samples::Random(17, 3), true, 5),
        Member("ABCDEFGHIJ.KLM", samples::Random(33, 4), false, 6),
        Member("EMPTY.TXT", {}, true, 7),
    };
}

DWORD Dword(const std::vector<uint8_t>& bytes, size_t at) {
    DWORD value;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

void SetDword(std::vector<uint8_t>& bytes, size_t at, DWORD value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

std::vector<uint8_t> Decode(const std::vector<uint8_t>& block, size_t size) {
    std::vector<uint8_t> out(size);
    DWORD produced = 0;
    EXPECT_TRUE(DecompressBlock(out.data(), static_cast<DWORD>(size), block.data(),
                                static_cast<DWORD>(block.size()), &produced));
    EXPECT_EQ(produced, size);
    return out;
}

void ExpectEntriesMatch(const PackageHeader* directory,
                        const std::vector<PackageMemberSource>& members) {
    ASSERT_EQ(directory->EntryCount, members.size());
    for (size_t i = 0; i < members.size(); ++i) {
        const PackageEntry& entry = PackageEntries(directory)[i];
        EXPECT_STREQ(entry.Name, members[i].name.c_str());
        EXPECT_EQ(entry.Size, members[i].data.size());
        EXPECT_EQ(entry.Timestamp.dwLowDateTime, members[i].timestamp.dwLowDateTime);
        EXPECT_EQ(entry.Timestamp.dwHighDateTime, members[i].timestamp.dwHighDateTime);
    }
}

class PackageLayout : public testing::TestWithParam<bool> {};

TEST_P(PackageLayout, PlacesMembersOnSixteenByteBoundariesWithZeroFill) {
    bool plainDirectory = GetParam();
    std::vector<PackageMemberSource> members = SampleMembers();
    std::vector<uint8_t> package = WritePackage(members, plainDirectory);

    ASSERT_GE(package.size(), 16u);
    EXPECT_EQ(std::vector<uint8_t>(package.begin(), package.begin() + 4),
              (std::vector<uint8_t>{0x46, 0x41, 0x32, 0x00}));
    EXPECT_EQ(Dword(package, 4), plainDirectory ? 0u : 1u);
    EXPECT_EQ(Dword(package, 12), members.size());
    DWORD directoryOffset = Dword(package, 8);
    EXPECT_EQ(directoryOffset % 16, 0u);

    std::vector<uint8_t> entryBytes(package.begin() + directoryOffset, package.end());
    if (!plainDirectory) {
        EXPECT_EQ(entryBytes, CompressBlock(Decode(entryBytes, 32 * members.size())));
        entryBytes = Decode(entryBytes, 32 * members.size());
    }
    ASSERT_EQ(entryBytes.size(), 32 * members.size());
    const auto* entries = reinterpret_cast<const PackageEntry*>(entryBytes.data());

    size_t offset = 16;
    for (size_t i = 0; i < members.size(); ++i) {
        SCOPED_TRACE(members[i].name);
        const PackageEntry& entry = entries[i];
        const std::vector<uint8_t>& data = members[i].data;
        // The name, then zero bytes up to the flags.
        std::vector<char> name(entry.Name, entry.Name + PackageNameSize);
        std::vector<char> expectedName(PackageNameSize, 0);
        std::copy(members[i].name.begin(), members[i].name.end(), expectedName.begin());
        EXPECT_EQ(name, expectedName);
        EXPECT_EQ(entry.EntryFlags, members[i].compress ? 0x02 : 0x01);
        EXPECT_EQ(entry.Size, data.size());

        std::vector<uint8_t> stored(package.begin() + offset,
                                    package.begin() + offset + entry.StoredSize);
        if (members[i].compress) {
            EXPECT_EQ(stored, CompressBlock(data));
            EXPECT_EQ(Decode(stored, data.size()), data);
        } else {
            EXPECT_EQ(stored, data);
        }
        size_t next = offset + (entry.StoredSize + 15) / 16 * 16;
        EXPECT_TRUE(std::all_of(package.begin() + offset + entry.StoredSize, package.begin() + next,
                                [](uint8_t b) { return b == 0; }));
        offset = next;
    }
    EXPECT_EQ(offset, directoryOffset);
}

INSTANTIATE_TEST_SUITE_P(Package, PackageLayout, testing::Bool(),
                         [](const auto& info) { return info.param ? "Plain" : "Compressed"; });

TEST(WritePackage, RefusesNamesThatDoNotFit) {
    for (const char* name : {"", "ABCDEFGHIJK.LMN"}) {
        EXPECT_THROW(WritePackage({Member(name, {1, 2, 3}, false)}, false), std::invalid_argument)
            << '"' << name << '"';
    }
}

TEST(WritePackage, EmptyCompressedDirectoryIsOnlyAnEndMarker) {
    std::vector<uint8_t> expected = {0x46, 0x41, 0x32, 0x00, // magic
                                     0x01, 0x00, 0x00, 0x00, // directory compressed
                                     0x10, 0x00, 0x00, 0x00, // directory offset
                                     0x00, 0x00, 0x00, 0x00, // no entries
                                     0x00, 0x00, 0x00, 0x7E, 0xFF};
    EXPECT_EQ(WritePackage({}, false), expected);
}

class OpenPackageFrom : public PackageTest, public testing::WithParamInterface<Source> {};

TEST_P(OpenPackageFrom, ReadsTheDirectoryInEitherForm) {
    for (bool plainDirectory : {false, true}) {
        SCOPED_TRACE(plainDirectory ? "plain" : "compressed");
        std::vector<PackageMemberSource> members = SampleMembers();
        std::vector<uint8_t> package = WritePackage(members, plainDirectory);
        Directory directory = Open(GetParam(), package);
        ASSERT_TRUE(directory);
        // The header exactly as stored: Flags still tell the directory's form.
        EXPECT_EQ(std::memcmp(directory.get(), package.data(), 16), 0);
        EXPECT_EQ(directory->Flags & DirectoryCompressed, plainDirectory ? 0u : 1u);
        ExpectEntriesMatch(directory.get(), members);
    }
}

TEST_P(OpenPackageFrom, OpensAnEmptyPackage) {
    for (bool plainDirectory : {false, true}) {
        Directory directory = Open(GetParam(), WritePackage({}, plainDirectory));
        ASSERT_TRUE(directory);
        EXPECT_EQ(directory->EntryCount, 0u);
        EXPECT_EQ(directory->DirectoryOffset, 16u);
    }
}

TEST_P(OpenPackageFrom, IgnoresBytesAfterAPlainDirectory) {
    std::vector<PackageMemberSource> members = SampleMembers();
    std::vector<uint8_t> package = WritePackage(members, true);
    package.insert(package.end(), {0xAA, 0xBB, 0xCC, 0xDD, 0xEE});
    Directory directory = Open(GetParam(), package);
    ASSERT_TRUE(directory);
    ExpectEntriesMatch(directory.get(), members);
}

TEST_P(OpenPackageFrom, DecodesACompressedDirectoryUpToItsEndMarker) {
    std::vector<PackageMemberSource> members = SampleMembers();
    std::vector<uint8_t> package = WritePackage(members, false);
    package.insert(package.end(), {0xAA, 0xBB, 0xCC});
    Directory directory = Open(GetParam(), package);
    ASSERT_TRUE(directory);
    ExpectEntriesMatch(directory.get(), members);
}

struct BadPackage {
    const char* name;
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> Edited(bool plainDirectory,
                            const std::function<void(std::vector<uint8_t>&)>& edit) {
    std::vector<uint8_t> package = WritePackage(SampleMembers(), plainDirectory);
    edit(package);
    return package;
}

// The compressed-directory package with its directory block replaced.
std::vector<uint8_t> WithDirectoryBlock(const std::vector<uint8_t>& block, DWORD entryCount) {
    return Edited(false, [&](std::vector<uint8_t>& p) {
        p.resize(Dword(p, 8));
        p.insert(p.end(), block.begin(), block.end());
        SetDword(p, 12, entryCount);
    });
}

std::vector<BadPackage> BadPackages() {
    using Bytes = std::vector<uint8_t>&;
    return {
        {"HeaderCut", Edited(true, [](Bytes p) { p.resize(15); })},
        {"BadMagic", Edited(true, [](Bytes p) { p[2] = '3'; })},
        {"MagicWithoutNul", Edited(true, [](Bytes p) { p[3] = ' '; })},
        {"DirectoryPastTheEnd",
         Edited(true, [](Bytes p) { SetDword(p, 8, static_cast<DWORD>(p.size() + 1)); })},
        {"DirectoryAt4GiB", Edited(false, [](Bytes p) { SetDword(p, 8, 0xFFFFFFF0u); })},
        {"EntryCountOverflows", Edited(true, [](Bytes p) { SetDword(p, 12, 0x08000000u); })},
        {"EntryCountOverflowsCompressed",
         Edited(false, [](Bytes p) { SetDword(p, 12, 0xFFFFFFFFu); })},
        {"EntryCountBeyondTheBlock", Edited(false, [](Bytes p) { SetDword(p, 12, 0x07FFFFFFu); })},
        {"PlainDirectoryCut", Edited(true, [](Bytes p) { p.pop_back(); })},
        {"PlainDirectoryOneEntryShort",
         Edited(true, [](Bytes p) { SetDword(p, 12, Dword(p, 12) + 1); })},
        {"CompressedDirectoryCut", Edited(false, [](Bytes p) { p.pop_back(); })},
        {"CompressedDirectoryDecodesShort",
         Edited(false, [](Bytes p) { SetDword(p, 12, Dword(p, 12) + 1); })},
        {"CompressedDirectoryDecodesLong",
         Edited(false, [](Bytes p) { SetDword(p, 12, Dword(p, 12) - 1); })},
        {"CompressedDirectoryReachesBeforeStart",
         WithDirectoryBlock(blocks::BlockBuilder().LongMatch(1, 32).End(), 1)},
        {"CompressedDirectoryEmptyBlock", WithDirectoryBlock({}, 0)},
    };
}

TEST_P(OpenPackageFrom, RefusesBadPackages) {
    for (const BadPackage& c : BadPackages()) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(Open(GetParam(), c.bytes));
        EXPECT_EQ(machine::TheMachine().globalBlocksInUse, 0);
    }
}

TEST_P(OpenPackageFrom, FailsWhenMemoryRunsOut) {
    // Bytes after the compressed directory make its stored form larger than
    // the decoded one, so that a file's temporary block is the larger need.
    std::vector<uint8_t> package = WritePackage(SampleMembers(), false);
    package.insert(package.end(), 400, 0xAB);
    SIZE_T directoryBytes = 16 + 32 * SampleMembers().size();
    struct Case {
        SIZE_T limit;
        bool opens;
    };
    const Case cases[] = {
        {directoryBytes - 1, false},
        {directoryBytes, GetParam() == Source::Memory},
        {package.size(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "limit " << c.limit);
        machine::TheMachine().globalAllocLimit = c.limit;
        Directory directory = Open(GetParam(), package);
        EXPECT_EQ(static_cast<bool>(directory), c.opens);
        EXPECT_EQ(machine::TheMachine().globalBlocksInUse, c.opens ? 1 : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Package, OpenPackageFrom, testing::Values(Source::Memory, Source::File),
                         [](const auto& info) {
                             return info.param == Source::Memory ? "Memory" : "File";
                         });

TEST_F(PackageTest, OpenPackageFailsForAMissingFile) {
    EXPECT_EQ(OpenPackage("C:\\pkg\\MISSING.FA2", 0), nullptr);
    EXPECT_EQ(OpenPackage("Q:\\UPDATE.FA2", 0), nullptr);
}

TEST_F(PackageTest, FindPackageResourceYieldsTheResourceBytes) {
    std::vector<uint8_t> package = WritePackage(SampleMembers(), false);
    machine::TheMachine().updateResource = package;
    DWORD length = 0;
    const BYTE* data = FindPackageResource(nullptr, MAKEINTRESOURCEA(UpdateResourceId),
                                           UpdateResourceType, &length);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(length, package.size());
    EXPECT_TRUE(std::equal(package.begin(), package.end(), data));
    Directory directory(OpenPackage(data, length));
    ASSERT_TRUE(directory);
    ExpectEntriesMatch(directory.get(), SampleMembers());
}

TEST_F(PackageTest, FindPackageResourceFailsWithoutTheResource) {
    struct Case {
        const char* name;
        std::optional<std::vector<uint8_t>> resource;
        LPCSTR id;
    };
    const Case cases[] = {
        {"NoResource", std::nullopt, MAKEINTRESOURCEA(UpdateResourceId)},
        {"EmptyResource", std::vector<uint8_t>{}, MAKEINTRESOURCEA(UpdateResourceId)},
        {"OtherId", WritePackage({}, false), MAKEINTRESOURCEA(UpdateResourceId + 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine::TheMachine().updateResource = c.resource;
        DWORD length = 12345;
        EXPECT_EQ(FindPackageResource(nullptr, c.id, UpdateResourceType, &length), nullptr);
        EXPECT_EQ(length, 12345u);
    }
}

TEST_F(PackageTest, ReleasePackageFreesTheDirectoryAndDeletesTheUpdateIni) {
    WriteHostFile("UPDATE.INI", Bytes("[SETUP]\r\n"));
    std::strcpy(UpdateIniPath, "C:\\UPDATE.INI");
    WriteHostFile("pkg/UPDATE.FA2", WritePackage(SampleMembers(), false));
    PackageDirectory = OpenPackage(PackagePath, 0);
    ASSERT_NE(PackageDirectory, nullptr);

    ReleasePackage();
    EXPECT_EQ(PackageDirectory, nullptr);
    EXPECT_EQ(machine::TheMachine().globalBlocksInUse, 0);
    EXPECT_FALSE(std::filesystem::exists(root_ / "UPDATE.INI"));
    // A second release finds nothing to free or delete.
    ReleasePackage();
    EXPECT_EQ(PackageDirectory, nullptr);
    UpdateIniPath[0] = 0;
}

} // namespace
