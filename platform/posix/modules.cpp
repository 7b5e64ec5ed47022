// The module lookup that the program uses for the extended free-space call:
// LoadLibraryA("kernel32.dll") and GetProcAddress of "GetDiskFreeSpaceExA",
// which the machine can make absent. Loads and releases are counted.
#include "platform/posix/layer.h"
#include "platform/posix/machine.h"

#include <cstring>

namespace {

HMODULE Kernel32() {
    static int module;
    return reinterpret_cast<HMODULE>(&module);
}

} // namespace

HMODULE LoadLibraryA(LPCSTR name) {
    if (name != nullptr &&
        (layer::EqualsNoCase(name, "kernel32.dll") || layer::EqualsNoCase(name, "kernel32"))) {
        ++machine::TheMachine().loadLibraryCalls;
        return Kernel32();
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (module != Kernel32()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (name != nullptr && !IS_INTRESOURCE(name) && std::strcmp(name, "GetDiskFreeSpaceExA") == 0 &&
        machine::TheMachine().diskFreeSpaceExPresent) {
        // Through the generic function type, as the platform hands entry points out.
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&GetDiskFreeSpaceExA));
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
    if (module != Kernel32()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ++machine::TheMachine().freeLibraryCalls;
    return TRUE;
}
