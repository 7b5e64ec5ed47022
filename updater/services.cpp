// Dialog, file and message services shared by the whole updater.
#include "updater/services.h"

char WindowTitle[TextBufferSize] = "UPDATE";
HWND WizardWindow = nullptr;
GetDiskFreeSpaceExA_t DiskFreeSpaceExEntry = nullptr;

int ShowUpdateError(const char* text) {
    return MessageBoxA(WizardWindow, text, WindowTitle, MB_ICONERROR);
}

// True when the last character of path (stepping over double-byte pairs, so
// a trail byte 0x5C is not taken for a backslash) is a separator.
static int EndsInSeparator(const char* path) {
    const char* last = nullptr;
    for (const char* p = path; *p != '\0'; ++p) {
        last = p;
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') {
            ++p;
        }
    }
    return last != nullptr && (*last == '\\' || *last == '/');
}

void AppendPathComponent(char* path, const char* name) {
    int length = lstrlenA(path);
    int separator = length > 0 && !EndsInSeparator(path) ? 1 : 0;
    // The result and its two NULs must fit the PathBuffer. A join that does
    // not fit names no file: the path becomes UnjoinablePath, on which every
    // later join and file operation fails instead of reaching a shorter,
    // different file.
    if (length + separator + lstrlenA(name) + 2 > PathBufferSize) {
        lstrcpyA(path, UnjoinablePath);
        length = lstrlenA(path);
        path[length + 1] = '\0';
        return;
    }
    if (separator) {
        path[length] = '\\';
        path[length + 1] = '\0';
    }
    lstrcatA(path, name);
    path[lstrlenA(path) + 1] = '\0';
}

// GetProcAddress gives a generic entry point; the detour through a function
// type without parameters is the conversion the compilers accept silently.
static GetDiskFreeSpaceExA_t AsDiskFreeSpaceEx(FARPROC entry) {
    return reinterpret_cast<GetDiskFreeSpaceExA_t>(reinterpret_cast<void (*)()>(entry));
}

int QueryDiskSpace(const char* root, ULONGLONG* freeToCaller, ULONGLONG* totalBytes,
                   ULONGLONG* totalFree) {
    HMODULE loaded = nullptr;
    if (DiskFreeSpaceExEntry == nullptr) {
        loaded = LoadLibraryA("kernel32.dll");
        if (loaded != nullptr) {
            DiskFreeSpaceExEntry = AsDiskFreeSpaceEx(GetProcAddress(loaded, "GetDiskFreeSpaceExA"));
        }
    }

    int result = 0;
    if (DiskFreeSpaceExEntry != nullptr) {
        ULARGE_INTEGER caller, total, allFree;
        result = DiskFreeSpaceExEntry(root, &caller, &total, totalFree ? &allFree : nullptr);
        if (result) {
            *freeToCaller = caller.QuadPart;
            *totalBytes = total.QuadPart;
            if (totalFree) {
                *totalFree = allFree.QuadPart;
            }
        }
    }
    if (!result) {
        DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
        result = GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                   &totalClusters);
        if (result) {
            DWORD bytesPerCluster = sectorsPerCluster * bytesPerSector;
            *freeToCaller = ULONGLONG{freeClusters} * bytesPerCluster;
            *totalBytes = ULONGLONG{totalClusters} * bytesPerCluster;
            if (totalFree) {
                *totalFree = *freeToCaller;
            }
        }
    }

    if (loaded != nullptr) {
        FreeLibrary(loaded);
    }
    return result;
}

int ShellCopy(HWND owner, const char* sourceList, const char* destinationList, int quietErrors) {
    SHFILEOPSTRUCTA operation = {};
    operation.hwnd = owner;
    operation.wFunc = FO_COPY;
    operation.pFrom = sourceList;
    operation.pTo = destinationList;
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
    if (quietErrors) {
        operation.fFlags |= FOF_NOERRORUI;
    }

    int result = SHFileOperationA(&operation);
    if (operation.fAnyOperationsAborted) {
        return ShellCopyAborted;
    }
    if (result != 0) {
        return ShellCopyFailed;
    }
    SetFileAttributesA(destinationList, FILE_ATTRIBUTE_NORMAL);
    return ShellCopyDone;
}

void SetInfoText(HWND dialog, const char* format, ...) {
    char text[TextBufferSize];
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(text, format, arguments);
    va_end(arguments);
    SetDlgItemTextA(dialog, InfoText, text);
}

void EnableControl(HWND dialog, int controlId, int enable) {
    EnableWindow(GetDlgItem(dialog, controlId), enable ? TRUE : FALSE);
}
