// The one simulated machine and its set-up helpers.
#include "platform/posix/machine.h"

#include "platform/posix/layer.h"

#include <cstring>

namespace machine {

Machine& TheMachine() {
    static Machine machine;
    return machine;
}

void Machine::Reset() {
    layer::CloseAllFiles();
    layer::CloseAllKeys();
    layer::FreeAllGlobalBlocks();
    layer::ResetTempFileNames();
    layer::ResetDialogState();
    SetLastError(ERROR_SUCCESS);
    *this = Machine{};
}

void Machine::MapDrive(char letter, const std::filesystem::path& hostRoot, UINT type) {
    const char upper =
        (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - ('a' - 'A')) : letter;
    Drive drive;
    drive.root = hostRoot;
    drive.type = type;
    drives[upper] = drive;
}

void Machine::SetRegistryString(const std::string& key, const std::string& name,
                                const std::string& value) {
    std::vector<uint8_t> bytes(value.begin(), value.end());
    bytes.push_back(0);
    registry[key][name] = bytes;
    registryTypes[key][name] = REG_SZ;
}

void Machine::SetRegistryDword(const std::string& key, const std::string& name, uint32_t value) {
    std::vector<uint8_t> bytes(4);
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    }
    registry[key][name] = bytes;
    registryTypes[key][name] = REG_DWORD;
}

HWND Machine::AddWindow(const std::string& className, const std::string& title) {
    Window window;
    window.className = className;
    window.title = title;
    windows.push_back(window);
    return reinterpret_cast<HWND>(windows.size());
}

void Machine::CloseWindow(HWND window) {
    if (Window* record = FindWindowRecord(window)) {
        record->closed = true;
    }
}

Window* Machine::FindWindowRecord(HWND window) {
    const auto index = reinterpret_cast<uintptr_t>(window);
    if (index == 0 || index > windows.size() || windows[index - 1].closed) {
        return nullptr;
    }
    return &windows[index - 1];
}

} // namespace machine
