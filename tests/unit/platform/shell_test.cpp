#include "tests/unit/platform/platform_fixture.h"

#include <string>

namespace {

class ShellTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        Machine().MapDrive('E', Root() / "e", DRIVE_CDROM);
        fs::create_directories(DriveC() / "Game");
        WriteHostFile(Disc() / "DATA" / "A.DAT", "disc file");
        WriteHostFile(Disc() / "DATA" / "MOVIE" / "OP.MPG", "opening");
        WriteHostFile(Disc() / "DATA" / "MOVIE" / "SUB" / "ED.MPG", "ending");
    }

    fs::path Disc() const { return Root() / "e"; }

    // Runs a copy as the program asks for it; `from` and `to` are single
    // entries, made into shell lists here.
    static int Copy(const std::string& from, const std::string& to,
                    SHFILEOPSTRUCTA* request = nullptr) {
        const std::string fromList = from + '\0' + '\0';
        const std::string toList = to + '\0' + '\0';
        SHFILEOPSTRUCTA local{};
        SHFILEOPSTRUCTA& op = request != nullptr ? *request : local;
        op.hwnd = reinterpret_cast<HWND>(1);
        op.wFunc = FO_COPY;
        op.pFrom = fromList.c_str();
        op.pTo = toList.c_str();
        op.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
        return SHFileOperationA(&op);
    }
};

TEST_F(ShellTest, FileBecomesTheDestinationPathWithItsFolders) {
    fs::permissions(Disc() / "DATA" / "A.DAT", fs::perms::owner_write, fs::perm_options::remove);
    const auto sourceTime = fs::last_write_time(Disc() / "DATA" / "A.DAT");
    EXPECT_EQ(Copy("E:\\DATA\\A.DAT", "C:\\Game\\DATA\\A.DAT"), 0);
    const fs::path copy = DriveC() / "Game" / "DATA" / "A.DAT";
    EXPECT_EQ(ReadHostFile(copy), "disc file");
    EXPECT_TRUE(HostReadOnly(copy)); // the read-only mark travels with the copy
    EXPECT_EQ(fs::last_write_time(copy), sourceTime);
}

TEST_F(ShellTest, FileReplacesAnExistingReadOnlyFile) {
    WriteHostFile(DriveC() / "Game" / "A.DAT", "old");
    fs::permissions(DriveC() / "Game" / "A.DAT", fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(Copy("E:\\DATA\\A.DAT", "C:\\Game\\A.DAT"), 0);
    EXPECT_EQ(ReadHostFile(DriveC() / "Game" / "A.DAT"), "disc file");
    EXPECT_FALSE(HostReadOnly(DriveC() / "Game" / "A.DAT"));
}

TEST_F(ShellTest, FileToAFolderLandsInIt) {
    EXPECT_EQ(Copy("E:\\DATA\\A.DAT", "C:\\Game"), 0);
    EXPECT_EQ(ReadHostFile(DriveC() / "Game" / "A.DAT"), "disc file");
}

TEST_F(ShellTest, FolderArrivesInTheDestinationUnderItsOwnName) {
    EXPECT_EQ(Copy("E:\\DATA\\MOVIE", "C:\\Game"), 0);
    EXPECT_EQ(ReadHostFile(DriveC() / "Game" / "MOVIE" / "OP.MPG"), "opening");
    EXPECT_EQ(ReadHostFile(DriveC() / "Game" / "MOVIE" / "SUB" / "ED.MPG"), "ending");
    EXPECT_FALSE(fs::exists(DriveC() / "Game" / "DATA"));
}

TEST_F(ShellTest, FolderToANewPathBecomesThatFolder) {
    EXPECT_EQ(Copy("E:\\DATA\\MOVIE", "C:\\Game\\FILMS"), 0);
    EXPECT_EQ(ReadHostFile(DriveC() / "Game" / "FILMS" / "OP.MPG"), "opening");
}

TEST_F(ShellTest, ShiftJisNamesCopyToUtf8HostNames) {
    WriteHostFile(Disc() / Utf8(u8"表") / Utf8(u8"ソ.dat"), "sjis");
    EXPECT_EQ(Copy("E:\\表\\ソ.dat", "C:\\Game\\表\\ソ.dat"), 0);
    EXPECT_EQ(ReadHostFile(DriveC() / "Game" / Utf8(u8"表") / Utf8(u8"ソ.dat")), "sjis");
}

TEST_F(ShellTest, MissingSourceFails) {
    EXPECT_EQ(Copy("E:\\DATA\\NONE.DAT", "C:\\Game\\NONE.DAT"), 0x402);
    EXPECT_EQ(Copy("Q:\\A.DAT", "C:\\Game\\A.DAT"), 0x402);
    EXPECT_FALSE(fs::exists(DriveC() / "Game" / "NONE.DAT"));
}

TEST_F(ShellTest, RequestIsRecordedBeforeTheCopy) {
    bool copiedBefore = true;
    Machine().onShellCopy = [&](const machine::ShellCopyRecord&) {
        copiedBefore = fs::exists(DriveC() / "Game" / "A.DAT");
    };
    EXPECT_EQ(Copy("E:\\DATA\\A.DAT", "C:\\Game\\A.DAT"), 0);
    EXPECT_FALSE(copiedBefore);
    ASSERT_EQ(Machine().shellCopies.size(), 1u);
    const machine::ShellCopyRecord& record = Machine().shellCopies[0];
    EXPECT_EQ(record.owner, reinterpret_cast<HWND>(1));
    EXPECT_EQ(record.from, (std::vector<std::string>{"E:\\DATA\\A.DAT"}));
    EXPECT_EQ(record.to, (std::vector<std::string>{"C:\\Game\\A.DAT"}));
    EXPECT_EQ(record.flags, FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR);
}

TEST_F(ShellTest, ListsSplitAtEachNul) {
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_COPY;
    op.pFrom = "E:\\DATA\\A.DAT\0E:\\DATA\\MOVIE\0";
    op.pTo = "C:\\Game\0";
    EXPECT_EQ(SHFileOperationA(&op), 0);
    ASSERT_EQ(Machine().shellCopies.size(), 1u);
    EXPECT_EQ(Machine().shellCopies[0].from.size(), 2u);
    EXPECT_EQ(ReadHostFile(DriveC() / "Game" / "A.DAT"), "disc file");
    EXPECT_EQ(ReadHostFile(DriveC() / "Game" / "MOVIE" / "OP.MPG"), "opening");
}

TEST_F(ShellTest, UserAbortIsReportedAndNothingIsCopied) {
    Machine().shellCopyAborted = true;
    SHFILEOPSTRUCTA op{};
    EXPECT_NE(Copy("E:\\DATA\\A.DAT", "C:\\Game\\A.DAT", &op), 0);
    EXPECT_TRUE(op.fAnyOperationsAborted);
    EXPECT_FALSE(fs::exists(DriveC() / "Game" / "A.DAT"));
    EXPECT_EQ(Machine().shellCopies.size(), 1u);
}

TEST_F(ShellTest, ScriptedFailureIsReturnedAndNothingIsCopied) {
    Machine().shellCopyResult = 0x75;
    SHFILEOPSTRUCTA op{};
    EXPECT_EQ(Copy("E:\\DATA\\A.DAT", "C:\\Game\\A.DAT", &op), 0x75);
    EXPECT_FALSE(op.fAnyOperationsAborted);
    EXPECT_FALSE(fs::exists(DriveC() / "Game" / "A.DAT"));
}

} // namespace
