// HKEY_CURRENT_USER, read only, from machine.registry. Key paths and value
// names are found without regard to case; a key exists when a stored key
// equals it or lies below it. Open keys are handles of the layer; a subkey
// may also be opened below an open key.
#include "platform/posix/layer.h"
#include "platform/posix/machine.h"

#include <cstring>
#include <map>
#include <string>

namespace {

std::map<uintptr_t, std::string>& OpenKeys() {
    static std::map<uintptr_t, std::string> keys;
    return keys;
}

uintptr_t NextKey = 0x2000;

// A stored key equals `path` or lies below it.
bool KeyExists(const std::string& path) {
    for (const auto& [key, values] : machine::TheMachine().registry) {
        if (layer::EqualsNoCase(key, path)) {
            return true;
        }
        if (key.size() > path.size() && key[path.size()] == '\\' &&
            layer::EqualsNoCase(std::string_view(key).substr(0, path.size()), path)) {
            return true;
        }
    }
    return false;
}

const std::string* KeyPath(HKEY key) {
    const auto it = OpenKeys().find(reinterpret_cast<uintptr_t>(key));
    return it == OpenKeys().end() ? nullptr : &it->second;
}

} // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM /*access*/, PHKEY result) {
    std::string path;
    if (key != HKEY_CURRENT_USER) {
        const std::string* parent = KeyPath(key);
        if (parent == nullptr) {
            return static_cast<LONG>(ERROR_INVALID_HANDLE);
        }
        path = *parent;
    }
    if (subKey != nullptr && subKey[0] != '\0') {
        if (!path.empty()) {
            path += '\\';
        }
        path += subKey;
    }
    if (!path.empty() && !KeyExists(path)) {
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    }
    const uintptr_t handle = NextKey;
    NextKey += 4;
    OpenKeys()[handle] = path;
    *result = reinterpret_cast<HKEY>(handle);
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD /*reserved*/, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    const std::string* path = KeyPath(key);
    if (path == nullptr) {
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    }
    if (data != nullptr && dataSize == nullptr) {
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    }
    const std::string_view name = valueName == nullptr ? "" : valueName;
    const auto& machine = machine::TheMachine();
    for (const auto& [keyPath, values] : machine.registry) {
        if (!layer::EqualsNoCase(keyPath, *path)) {
            continue;
        }
        for (const auto& [valuePath, bytes] : values) {
            if (!layer::EqualsNoCase(valuePath, name)) {
                continue;
            }
            if (type != nullptr) {
                *type = REG_BINARY;
                const auto typesOfKey = machine.registryTypes.find(keyPath);
                if (typesOfKey != machine.registryTypes.end()) {
                    const auto found = typesOfKey->second.find(valuePath);
                    if (found != typesOfKey->second.end()) {
                        *type = found->second;
                    }
                }
            }
            const auto size = static_cast<DWORD>(bytes.size());
            if (data != nullptr && *dataSize < size) {
                *dataSize = size;
                return static_cast<LONG>(ERROR_MORE_DATA);
            }
            if (data != nullptr && size != 0) {
                std::memcpy(data, bytes.data(), size);
            }
            if (dataSize != nullptr) {
                *dataSize = size;
            }
            return static_cast<LONG>(ERROR_SUCCESS);
        }
    }
    return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
}

LONG RegCloseKey(HKEY key) {
    if (OpenKeys().erase(reinterpret_cast<uintptr_t>(key)) == 0) {
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    }
    return static_cast<LONG>(ERROR_SUCCESS);
}

namespace layer {

void CloseAllKeys() {
    OpenKeys().clear();
}

} // namespace layer
