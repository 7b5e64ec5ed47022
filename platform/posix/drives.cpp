// Drive types and free space over the drive table. A root is "X:", "X:\" or
// "X:/"; GetDriveTypeA also takes the path of an existing folder on the
// drive, as the platform does. The figures come from Drive::free / Drive::total when `free` is set,
// else from the host's file system under the drive's root.
//
// GetDiskFreeSpaceA describes the same bytes in clusters: the largest
// power-of-two cluster (sectors of 512 bytes when the free count allows,
// else of 1 byte; at most 128 sectors) that divides the free bytes, so that
// clusters x sectors x bytes gives the free count back exactly. Cluster
// counts that do not fit 32 bits are capped, as the older call must.
#include "platform/posix/layer.h"
#include "platform/posix/machine.h"

#include <sys/statvfs.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace {

struct Space {
    uint64_t freeToCaller = 0;
    uint64_t total = 0;
    uint64_t totalFree = 0;
};

bool QuerySpace(LPCSTR root, Space& space) {
    const char letter = layer::DriveOfRoot(root);
    const auto& drives = machine::TheMachine().drives;
    const auto drive = drives.find(letter);
    if (letter == 0 || drive == drives.end()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (drive->second.free) {
        space = {*drive->second.free, drive->second.total, *drive->second.free};
        return true;
    }
    struct statvfs host {};
    if (::statvfs(drive->second.root.c_str(), &host) != 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : layer::ErrorFromErrno(errno));
        return false;
    }
    space = {static_cast<uint64_t>(host.f_bavail) * host.f_frsize,
             static_cast<uint64_t>(host.f_blocks) * host.f_frsize,
             static_cast<uint64_t>(host.f_bfree) * host.f_frsize};
    return true;
}

DWORD CappedClusters(uint64_t bytes, uint64_t bytesPerCluster) {
    const uint64_t clusters = bytes / bytesPerCluster;
    return clusters > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(clusters);
}

} // namespace

UINT GetDriveTypeA(LPCSTR root) {
    if (root == nullptr || root[0] == '\0' || root[1] != ':') {
        return DRIVE_NO_ROOT_DIR;
    }
    const char drive[3] = {root[0], ':', '\0'};
    const char letter = layer::DriveOfRoot(drive);
    const auto& drives = machine::TheMachine().drives;
    const auto found = drives.find(letter);
    if (letter == 0 || found == drives.end()) {
        return DRIVE_NO_ROOT_DIR;
    }
    if (layer::DriveOfRoot(root) == 0) {
        std::error_code error;
        const layer::HostName folder = layer::ResolvePath(root);
        if (folder.host.empty() || !std::filesystem::is_directory(folder.host, error)) {
            return DRIVE_NO_ROOT_DIR;
        }
    }
    return found->second.type;
}

BOOL GetDiskFreeSpaceExA(LPCSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER totalBytes,
                         PULARGE_INTEGER totalFree) {
    if (machine::TheMachine().diskFreeSpaceExFails) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    Space space;
    if (!QuerySpace(root, space)) {
        return FALSE;
    }
    if (freeToCaller != nullptr) {
        freeToCaller->QuadPart = space.freeToCaller;
    }
    if (totalBytes != nullptr) {
        totalBytes->QuadPart = space.total;
    }
    if (totalFree != nullptr) {
        totalFree->QuadPart = space.totalFree;
    }
    return TRUE;
}

BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                       LPDWORD freeClusters, LPDWORD totalClusters) {
    Space space;
    if (!QuerySpace(root, space)) {
        return FALSE;
    }
    const DWORD sectorBytes = space.freeToCaller % 512 == 0 ? 512 : 1;
    DWORD sectors = 1;
    while (sectors < 128 && (space.freeToCaller / sectorBytes) % (sectors * 2) == 0) {
        sectors *= 2;
    }
    const uint64_t clusterBytes = static_cast<uint64_t>(sectors) * sectorBytes;
    if (sectorsPerCluster != nullptr) {
        *sectorsPerCluster = sectors;
    }
    if (bytesPerSector != nullptr) {
        *bytesPerSector = sectorBytes;
    }
    if (freeClusters != nullptr) {
        *freeClusters = CappedClusters(space.freeToCaller, clusterBytes);
    }
    if (totalClusters != nullptr) {
        *totalClusters = CappedClusters(space.total, clusterBytes);
    }
    return TRUE;
}
