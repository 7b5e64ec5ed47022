// fa2 setup-check, run as a subprocess on SETUP.INI files in a temp folder.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class SetupCheckTest : public testing::Test {
  protected:
    fs::path folder;

    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "fa2-setup-check-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }

    // SETUP.INI with the given [SETUP] lines (code page 932).
    fs::path WriteSetupIni(const std::string& lines) {
        fs::path file = folder / "SETUP.INI";
        std::ofstream(file, std::ios::binary) << "[SETUP]\r\n" << lines;
        return file;
    }

    RunResult Run(const std::string& arguments) {
        fs::path out = folder / "out.txt", err = folder / "err.txt";
        std::string command = std::string(FA2_TOOL_PATH) + " setup-check " + arguments + " >" +
                              out.string() + " 2>" + err.string();
        int status = std::system(command.c_str());
        RunResult result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = Slurp(out);
        result.err = Slurp(err);
        return result;
    }

    std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }
};

const std::string ValidLines = "CompanyName=Maker\r\n"
                               "GameTitle=ゲーム表\r\n"
                               "GameDir=GAME\r\n"
                               "GameExe=GAME.EXE\r\n"
                               "UninstExe=UNINST.EXE\r\n"
                               "SetupBmp=a.bmp,b.bmp\r\n"
                               "InstallSelects=1\r\n"
                               "InstallTitle0=Full\r\n"
                               "InstallFiles0=1:a.dat,b.dat,2:c.dat\r\n"
                               "Shortcuts=1\r\n"
                               "Shortcut0=Game,GAME.EXE\r\n"
                               "DiskCheckFile2=DISC2.ID\r\n"
                               "InstallDirectX=3\r\n";

TEST_F(SetupCheckTest, AcceptedFilePrintsTheFields) {
    RunResult result = Run(Quoted(WriteSetupIni(ValidLines)));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    for (const std::string& line :
         {Utf8(u8"GameTitle: ゲーム表\n"), std::string("GameClass: ") + Utf8(u8"ゲーム表\n"),
          std::string("SetupBmp: 2\n"), std::string("InstallFiles0: 3\n"),
          std::string("  [0] a.dat (disc 1)\n"), std::string("  [1] b.dat (disc 1)\n"),
          std::string("  [2] c.dat (disc 2)\n"), std::string("SelectUsesDiscs0: 1\n"),
          std::string("Shortcut0: Game | GAME.EXE | \n"), std::string("DiskCheckFile2: DISC2.ID\n"),
          std::string("InstallDirectX: 0x00010018\n"),
          std::string("AdditionalUninstallFiles: 0\n")}) {
        EXPECT_NE(result.out.find(line), std::string::npos) << line << "\nin:\n" << result.out;
    }
}

TEST_F(SetupCheckTest, BarePrefixInTheMiddleOfAFileListIsOneOfItsNames) {
    std::string lines = ValidLines;
    lines.replace(lines.find("1:a.dat,b.dat,2:c.dat"), 21, "a.dat,1:,b.dat");
    RunResult result = Run(Quoted(WriteSetupIni(lines)));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("InstallFiles0: 3\n"
                              "  [0] a.dat (disc 0)\n"
                              "  [1]  (disc 1)\n"
                              "  [2] b.dat (disc 1)\n"),
              std::string::npos)
        << result.out;
}

TEST_F(SetupCheckTest, RefusedFilePrintsTheBoxes) {
    std::string lines = ValidLines;
    lines.replace(lines.find("Shortcuts=1\r\n"), 13, "Shortcuts=11\r\n");
    RunResult result = Run(Quoted(WriteSetupIni(lines)));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, Utf8(u8"INSTCMMN: SETUP.INI : Shortcuts オーバー\n"));
}

TEST_F(SetupCheckTest, MissingKeyIsShownUnlessQuiet) {
    std::string lines = ValidLines;
    lines.erase(lines.find("UninstExe="), std::string("UninstExe=UNINST.EXE\r\n").size());
    fs::path file = WriteSetupIni(lines);

    RunResult shown = Run(Quoted(file));
    EXPECT_EQ(shown.exitCode, 1);
    EXPECT_EQ(shown.out, Utf8(u8"INSTCMMN: SETUP.INI : UninstExe キーが存在しません\n"));

    RunResult quiet = Run(Quoted(file) + " --quiet-missing");
    EXPECT_EQ(quiet.exitCode, 1);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err.rfind("fa2: " + file.string() + ": ", 0), 0u) << quiet.err;
}

TEST_F(SetupCheckTest, MissingFileOrFolderIsNamed) {
    for (const auto& [path, problem] :
         {std::pair{folder / "NONE.INI", "no such file"}, std::pair{folder, "not a file"}}) {
        RunResult result = Run(Quoted(path));
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, "fa2: " + path.string() + ": " + problem + "\n");
    }
}

TEST_F(SetupCheckTest, HelpAndUsage) {
    RunResult help = Run("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--quiet-missing"), std::string::npos);
    EXPECT_EQ(Run("").exitCode, 2);
}

} // namespace
