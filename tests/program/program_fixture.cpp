#include "tests/program/program_fixture.h"

#include "archive/package.h"
#include "platform/posix/cp932.h"
#include "updater/services.h"
#include "updater/startup.h"

#include <fstream>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace program {

const char* const GameTitle = "星空の約束";
const char* const Title = "星空の約束 アップデート 1.01";
const char* const StartText = "「星空の約束」のアップデートを開始します";
const char* const ConfirmText = "アップデートを実行します";
const char* const RunningText = "アップデートを実行しています";
const char* const DoneText = "アップデートは完了しました";
const char* const DoneCaption = "完了";
const char* const InterruptedText = "アップデートが中断されました";
const char* const WriteFailedText = "ファイルの書き込みに失敗しました";

namespace {

const fs::path InstallHost = "Games/Starlight";

const char* const InstalledSetupIni = "[SETUP]\r\n"
                                      "CompanyName=Hoshizora Soft\r\n"
                                      "GameTitle=星空の約束\r\n"
                                      "GameDir=STARLIGHT\r\n"
                                      "GameExe=STARLT.EXE\r\n"
                                      "UninstExe=UNINST.EXE\r\n"
                                      "SetupBmp=SETUP1.BMP\r\n"
                                      "InstallSelects=2\r\n"
                                      "InstallTitle0=標準インストール\r\n"
                                      "InstallFiles0=1:STARLT.EXE,SCENE.PAK\r\n"
                                      "InstallTitle1=フルインストール\r\n"
                                      "InstallFiles1=1:STARLT.EXE,SCENE.PAK,2:VOICE.PAK\r\n"
                                      "Shortcuts=0\r\n"
                                      "GameClass=HOSHIZORA_MAIN\r\n"
                                      "DiskCheckFile1=DISC1.ID\r\n"
                                      "DiskCheckFile2=DISC2.ID\r\n";

PackageMemberSource MakeMember(const std::string& name, const std::string& text, int day,
                               bool compress) {
    return PackageMemberSource{name, std::vector<uint8_t>(text.begin(), text.end()),
                               MemberTime(day), compress};
}

std::string PackPayload(char tag, int records) {
    std::string data = "PAK1";
    for (int i = 0; i < records; ++i) {
        data += "REC";
        data += static_cast<char>('0' + i % 10);
        data += tag;
        data += static_cast<char>(i * 37);
    }
    return data;
}

FILETIME HostWriteTime(const fs::path& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return FILETIME{};
    }
    const uint64_t ticks =
        (static_cast<uint64_t>(status.st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
        static_cast<uint64_t>(status.st_mtim.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

} // namespace

FILETIME MemberTime(int day) {
    // Midnight UTC of day `day` of 2001, as a FILETIME.
    const uint64_t seconds = 978307200ull + 86400ull * static_cast<uint64_t>(day);
    const uint64_t ticks = (seconds + 11644473600ull) * 10000000ull;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

ProgramTest::ProgramTest() {
    updateIniSetup = "CompanyName=Hoshizora Soft\r\n"
                     "GameTitle=星空の約束\r\n"
                     "GameClass=HOSHIZORA_MAIN\r\n"
                     "GameDir=STARLIGHT\r\n"
                     "InstallVersion=1.01\r\n";
    updateIniUpdate = "UpdateFile00=SETUP.INI\r\n"
                      "UpdateFile01=GameCfg.ini\r\n"
                      "UpdateFile02=SCENE.PAK\r\n"
                      "UpdateFile03=VOICE.PAK\r\n";
    members = {
        MakeMember("SETUP.INI", std::string(InstalledSetupIni) + "InstallSize1=8519680\r\n", 10,
                   true),
        MakeMember("GAMECFG.INI", "[TEXT]\r\nSpeed=3\r\nFont=ＭＳ ゴシック\r\nSkipRead=1\r\n", 11,
                   true),
        MakeMember("SCENE.PAK", PackPayload('S', 120), 12, false),
        MakeMember("VOICE.PAK", PackPayload('V', 80), 13, false),
    };

    fs::create_directories(drive.Root() / "TEMP");
    WriteInstalled("SETUP.INI", InstalledSetupIni);
    WriteInstalled("GAMECFG.INI", "[TEXT]\r\nSpeed=3\r\n");
    originalScene = PackPayload('s', 96);
    WriteInstalled("SCENE.PAK", originalScene);
    WriteInstalled("VOICE.PAK", PackPayload('v', 64));
    machine.SetRegistryString(RegistryKey, "InstPath", InstallFolder);
    machine.SetRegistryDword(RegistryKey, "InstMode", 1);

    machine::DialogTemplate wizardTemplate;
    wizardTemplate.caption = "UPDATE";
    wizardTemplate.controls[NextButton] = machine::Control{"次へ", true};
    wizardTemplate.controls[AbortButton] = machine::Control{"中止", true};
    wizardTemplate.controls[BackButton] = machine::Control{"戻る", true};
    wizardTemplate.controls[InfoText] = machine::Control{"Info", true};
    machine.dialogTemplates[WizardTemplateId] = wizardTemplate;
}

int ProgramTest::Run() {
    if (buildPackage) {
        std::vector<PackageMemberSource> all = {MakeMember(
            "UPDATE.INI", "[SETUP]\r\n" + updateIniSetup + "\r\n[UPDATE]\r\n" + updateIniUpdate, 1,
            true)};
        all.insert(all.end(), members.begin(), members.end());
        machine.updateResource = WritePackage(all, false);
    }
    machine.presses.assign(presses.begin(), presses.end());
    machine.beforePress = [this](machine::Machine& m) {
        wizard = WizardWindow;
        const size_t index = pagesBeforePress.size();
        pagesBeforePress.push_back(m.dialog);
        if (beforePress) {
            beforePress(index);
        }
    };
    return RunStartup(nullptr);
}

fs::path ProgramTest::InstallHostPath(const fs::path& relative) const {
    return drive.Root() / InstallHost / relative;
}

std::string ProgramTest::ReadInstalled(const fs::path& relative) const {
    return drive.Read(InstallHost / relative);
}

void ProgramTest::WriteInstalled(const fs::path& relative, const std::string& bytes) {
    drive.Write(InstallHost / relative, bytes);
}

fs::path ProgramTest::MapCdDrive(char letter, bool withDisc) {
    const fs::path root = drive.Root() / (std::string("cd") + letter);
    if (withDisc) {
        fs::create_directories(root);
    }
    machine.MapDrive(letter, root, DRIVE_CDROM);
    return root;
}

void ProgramTest::ExpectBoxes(const std::vector<Box>& expected) const {
    // Failures name the boxes in readable text, not as Shift-JIS bytes.
    std::string shown = "boxes shown:";
    for (const machine::MessageBoxRecord& box : machine.boxes) {
        shown += "\n  [" + cp932::ToUtf8Lossy(box.caption) + "] " + cp932::ToUtf8Lossy(box.text);
    }
    SCOPED_TRACE(shown);
    ASSERT_EQ(machine.boxes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("box " + std::to_string(i) + ", expected " +
                     cp932::ToUtf8Lossy(expected[i].text));
        const machine::MessageBoxRecord& box = machine.boxes[i];
        EXPECT_EQ(box.text, expected[i].text);
        EXPECT_EQ(box.caption, expected[i].caption);
        EXPECT_EQ(box.style, expected[i].style);
        if (expected[i].ownedByWizard) {
            EXPECT_NE(box.owner, nullptr);
            EXPECT_EQ(box.owner, wizard);
        } else {
            EXPECT_EQ(box.owner, nullptr);
        }
    }
}

namespace {

void ExpectPage(const machine::DialogSnapshot& seen, const Page& expected) {
    SCOPED_TRACE("info shown: " + cp932::ToUtf8Lossy(seen.controls.at(InfoText).text) +
                 ", expected: " + cp932::ToUtf8Lossy(expected.info));
    EXPECT_EQ(seen.caption, Title);
    EXPECT_EQ(seen.controls.at(InfoText).text, expected.info);
    EXPECT_EQ(seen.controls.at(BackButton).enabled, expected.back);
    EXPECT_EQ(seen.controls.at(NextButton).enabled, expected.next);
    EXPECT_EQ(seen.controls.at(AbortButton).enabled, expected.abort);
    EXPECT_EQ(seen.controls.at(NextButton).text, expected.nextCaption);
}

} // namespace

void ProgramTest::ExpectPageBefore(size_t index, const Page& expected) const {
    SCOPED_TRACE("page before press " + std::to_string(index));
    ASSERT_LT(index, pagesBeforePress.size());
    ExpectPage(pagesBeforePress[index], expected);
}

void ProgramTest::ExpectFinalPage(const Page& expected) const {
    SCOPED_TRACE("final page");
    ExpectPage(machine.dialog, expected);
}

void ProgramTest::ExpectReleased() const {
    EXPECT_EQ(PackageDirectory, nullptr);
    EXPECT_EQ(machine.globalBlocksInUse, 0);
    EXPECT_TRUE(fs::is_empty(drive.Root() / "TEMP"));
}

const PackageMemberSource& ProgramTest::Member(const std::string& name) const {
    for (const PackageMemberSource& member : members) {
        if (member.name == name) {
            return member;
        }
    }
    throw std::invalid_argument("no member " + name);
}

void ProgramTest::ExpectWritten(const std::string& relative,
                                const PackageMemberSource& member) const {
    SCOPED_TRACE("written " + relative);
    const fs::path host = machine.HostPath(std::string(InstallFolder) + "\\" + relative);
    ASSERT_TRUE(fs::is_regular_file(host));
    std::ifstream in(host, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), member.data);
    const FILETIME time = HostWriteTime(host);
    EXPECT_EQ(time.dwLowDateTime, member.timestamp.dwLowDateTime);
    EXPECT_EQ(time.dwHighDateTime, member.timestamp.dwHighDateTime);
}

void ProgramTest::ExpectInstallUntouched() const {
    EXPECT_EQ(ReadInstalled("SCENE.PAK"), originalScene);
    EXPECT_EQ(ReadInstalled("SETUP.INI"), InstalledSetupIni);
    EXPECT_EQ(InstalledCount(), 4u);
}

size_t ProgramTest::InstalledCount() const {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(drive.Root() / InstallHost), {}));
}

} // namespace program
