// The demo update (the package UPDATE.EXE carries by default) applied to the
// demo game, installed as demo/registry.txt describes.
#include "tests/program/program_fixture.h"

#include <fstream>

namespace fs = std::filesystem;

namespace program {
namespace {

std::string ReadHostFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(ProgramTest, DemoUpdateBringsTheDemoGameToTheUpdatesFiles) {
    const fs::path game = fs::path(DEMO_SOURCE_FOLDER) / "game";
    const fs::path update = fs::path(DEMO_SOURCE_FOLDER) / "update";
    fs::remove_all(InstallHostPath(""));
    fs::copy(game, InstallHostPath(""), fs::copy_options::recursive);
    machine.registry.clear();
    machine.SetRegistryString("Software\\Hoshizora Soft\\STARLIGHT", "InstPath",
                              "C:\\Games\\Starlight");
    machine.SetRegistryDword("Software\\Hoshizora Soft\\STARLIGHT", "InstMode", 1);
    const std::string package = ReadHostFile(DEMO_PACKAGE);
    machine.updateResource = std::vector<uint8_t>(package.begin(), package.end());
    buildPackage = false;
    presses = {Next, Next, Next};

    EXPECT_EQ(Run(), 1);
    ExpectBoxes({});
    ExpectPageBefore(2, {DoneText, false, true, false, DoneCaption});
    for (const char* name : {"SETUP.INI", "GAMECFG.INI", "SCENE.PAK", "VOICE.PAK"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadInstalled(name), ReadHostFile(update / name));
    }
    EXPECT_EQ(InstalledCount(), 4u);
    ExpectReleased();
}

} // namespace
} // namespace program
