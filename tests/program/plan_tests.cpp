// fa2 plan, run as a user runs it, on packages and update descriptions made
// in a scratch folder and on the demo package.
#include "archive/package_writer.h"
#include "platform/posix/cp932.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct PlanResult {
    int exitCode;
    std::string out;
    std::string err;
};

std::string Utf8(const std::string& cp932Text) {
    return *cp932::ToUtf8(cp932Text);
}

std::string Quote(const std::string& argument) {
    std::string quoted = "'";
    for (char c : argument) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class PlanTest : public ::testing::Test {
  protected:
    PlanTest() {
        std::string pattern = (fs::temp_directory_path() / "fa2-plan-test-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
    }
    ~PlanTest() override { fs::remove_all(root_); }

    fs::path Path(const std::string& relative) const { return root_ / relative; }

    void Write(const std::string& relative, const std::string& bytes) const {
        fs::create_directories(Path(relative).parent_path());
        std::ofstream(Path(relative), std::ios::binary) << bytes;
    }

    PlanResult Plan(const std::vector<std::string>& arguments) const {
        std::string command = Quote(FA2_TOOL_PATH) + " plan";
        for (const std::string& argument : arguments) {
            command += " " + Quote(argument);
        }
        command += " >" + Quote(Path("out.txt")) + " 2>" + Quote(Path("err.txt"));
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(Path("out.txt")),
                ReadText(Path("err.txt"))};
    }

    // A package of UPDATE.INI (code page 932 text) and the named members.
    std::string WritePackageFile(const std::string& updateIni,
                                 const std::vector<std::string>& names) const {
        std::vector<PackageMemberSource> members = {
            {"UPDATE.INI", std::vector<uint8_t>(updateIni.begin(), updateIni.end()), {}, true}};
        for (const std::string& name : names) {
            members.push_back({name, {'x'}, {}, false});
        }
        const std::vector<uint8_t> bytes = WritePackage(members, false);
        Write("UPDATE.FA2", std::string(bytes.begin(), bytes.end()));
        return Path("UPDATE.FA2").string();
    }

  private:
    fs::path root_;
};

const std::string SetupSection = "[SETUP]\r\n"
                                 "CompanyName=Hoshizora Soft\r\n"
                                 "GameTitle=星空の約束\r\n"
                                 "GameClass=HOSHIZORA_MAIN\r\n"
                                 "GameDir=STARLIGHT\r\n";

TEST_F(PlanTest, DemoPackageForTheInstalledDemoGame) {
    const PlanResult result =
        Plan({DEMO_PACKAGE, "--mode", "1", "--install-dir", DEMO_GAME_FOLDER});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              Utf8("CompanyName: Hoshizora Soft\n"
                   "GameTitle: 星空の約束\n"
                   "GameClass: HOSHIZORA_MAIN\n"
                   "GameDir: STARLIGHT\n"
                   "GameTitleA: (none)\n"
                   "InstallVersion: 1.01\n"
                   "Registry key: HKEY_CURRENT_USER\\Software\\Hoshizora Soft\\STARLIGHT\n"
                   "InstMode: 1\n"
                   "Installed title: 星空の約束\n"
                   "Installed class: HOSHIZORA_MAIN\n"
                   "RequiredDiskSpace: no check\n"
                   "OverwriteOnly: off\n"
                   "UpdateFile00: SETUP.INI -> install folder\\SETUP.INI, member "
                   "SETUP.INI (in the package), destination exists\n"
                   "UpdateFile01: GameCfg.ini -> install folder\\GameCfg.ini, member "
                   "GameCfg.ini (in the package), destination exists\n"
                   "UpdateFile02: SCENE.PAK -> install folder\\SCENE.PAK, member "
                   "SCENE.PAK (in the package), destination exists\n"
                   "UpdateFile03: VOICE.PAK -> install folder\\VOICE.PAK, member "
                   "VOICE.PAK (in the package), destination exists\n"));
}

TEST_F(PlanTest, UpdateIniWithVariantsDiscsAndRefusedEntries) {
    Write("SETUP.INI", "[SETUP]\r\nCompanyName=H\r\nGameTitle=星空の約束\r\nGameDir=S\r\n"
                       "GameExe=A.EXE\r\nUninstExe=U.EXE\r\nSetupBmp=S.BMP\r\nInstallSelects=0\r\n"
                       "Shortcuts=0\r\nDiskCheckFile2=DISC2.ID\r\n");
    Write("UPDATE.INI", SetupSection + "[UPDATE]\r\n"
                                       "RequiredDiskSpace=-1\r\n"
                                       "OverwriteOnly=1\r\n"
                                       "UpdateFile00=2,SCENE.PAK\r\n"
                                       "UpdateFile01=1,DATA\\表.PAK\r\n"
                                       "UpdateFile02=..\\EVIL.TXT\r\n"
                                       "CopyFile00=2:MOVIE\r\n"
                                       "CopyFile01=1,0:EXTRA.TXT\r\n"
                                       "CopyFile02=3,2:VOICE\r\n"
                                       "CopyFile03=x:BAD\r\n");
    const PlanResult result =
        Plan({Path("UPDATE.INI").string(), "--mode", "1", "--setup", Path("SETUP.INI").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string entries = result.out.substr(result.out.find("RequiredDiskSpace"));
    EXPECT_EQ(entries,
              Utf8("RequiredDiskSpace: 4294967295 bytes\n"
                   "OverwriteOnly: on\n"
                   "UpdateFile00: passed over: for install variant 2\n"
                   "UpdateFile01: DATA\\表.PAK -> install folder\\DATA\\表.PAK, member 表.PAK "
                   "(not checked: no package)\n"
                   "UpdateFile02: ..\\EVIL.TXT -> install folder\\..\\EVIL.TXT, REFUSED: leaves "
                   "the install folder\n"
                   "CopyFile00: disc 2 (probe DISC2.ID): MOVIE -> install folder\\MOVIE, or into "
                   "the install folder when a folder\n"
                   "CopyFile01: from the drive of the latest disc found: EXTRA.TXT -> install "
                   "folder\\EXTRA.TXT, or into the install folder when a folder\n"
                   "CopyFile02: passed over: for install variant 3\n"
                   "CopyFile03: x:BAD, REFUSED: no disc number\n"));
}

TEST_F(PlanTest, MissingMemberAndOverwriteOnlyDestinations) {
    Write("game/SCENE.PAK", "old");
    const std::string package =
        WritePackageFile(SetupSection + "[UPDATE]\r\nOverwriteOnly=1\r\nUpdateFile00=scene.pak\r\n"
                                        "UpdateFile01=NEW.DAT\r\nUpdateFile02=GONE.DAT\r\n",
                         {"SCENE.PAK", "GONE.DAT"});
    const PlanResult result = Plan({package, "--mode", "0", "--install-dir", Path("game")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string entries = result.out.substr(result.out.find("UpdateFile00"));
    EXPECT_EQ(entries,
              "UpdateFile00: scene.pak -> install folder\\scene.pak, member scene.pak "
              "(in the package), destination exists\n"
              "UpdateFile01: NEW.DAT -> install folder\\NEW.DAT, member NEW.DAT (MISSING "
              "from the package), destination absent, passed over: OverwriteOnly\n"
              "UpdateFile02: GONE.DAT -> install folder\\GONE.DAT, member GONE.DAT (in the "
              "package), destination absent, passed over: OverwriteOnly\n");
}

// Inputs the program itself would stop at, with its message.
struct Refusal {
    const char* name;
    std::string updateIni;
    std::string message;
};

// gtest shows a parameter by its name, not as raw bytes.
void PrintTo(const Refusal& param, std::ostream* out) {
    *out << param.name;
}

class PlanRefusalTest : public PlanTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(PlanRefusalTest, ExitsWithOneAndTheProgramsMessage) {
    Write("UPDATE.INI", GetParam().updateIni);
    const PlanResult result = Plan({Path("UPDATE.INI").string(), "--mode", "1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "fa2: " + Path("UPDATE.INI").string() + ": " + Utf8(GetParam().message) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Plan, PlanRefusalTest,
    ::testing::Values(Refusal{"NothingApplies",
                              SetupSection + "[UPDATE]\r\nUpdateFile00=2,A.DAT\r\n",
                              "No 'UpdateFileXX' and 'CopyFileXX'"},
                      Refusal{"RequiredKeyMissing",
                              "[SETUP]\r\nCompanyName=H\r\nGameTitle=T\r\nGameDir=D\r\n",
                              "INSTCMMN: SETUP : GameClass キーが存在しません"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlanTest, PackageWithoutUpdateIniShowsBothMessages) {
    const std::vector<uint8_t> bytes = WritePackage({{"A.DAT", {'a'}, {}, true}}, false);
    Write("NOINI.FA2", std::string(bytes.begin(), bytes.end()));
    const PlanResult result = Plan({Path("NOINI.FA2").string(), "--mode", "1"});
    EXPECT_EQ(result.exitCode, 1);
    const std::string file = "fa2: " + Path("NOINI.FA2").string() + ": ";
    EXPECT_EQ(result.err, file + "UPDATE: Can't Find File in Resource !!\n" + file +
                              "UPDATE.INI not found at UPDATE.FA2\n");
}

TEST_F(PlanTest, MissingInputNamesTheFile) {
    const PlanResult result = Plan({Path("NONE.FA2").string(), "--mode", "1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("fa2: " + Path("NONE.FA2").string() + ": "), std::string::npos);
}

TEST_F(PlanTest, ModeIsRequired) {
    Write("UPDATE.INI", SetupSection);
    EXPECT_EQ(Plan({Path("UPDATE.INI").string()}).exitCode, 2);
}

} // namespace
