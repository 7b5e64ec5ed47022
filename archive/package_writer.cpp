// Writing whole FA2 packages: header, members in directory order on 16-byte
// boundaries, then the directory.
#include "archive/package_writer.h"

#include "archive/compress.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

template <typename T> void Append(std::vector<uint8_t>& out, const T& record) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    out.insert(out.end(), bytes, bytes + sizeof record);
}

DWORD CheckedDword(size_t value, const char* what) {
    if (value > std::numeric_limits<DWORD>::max()) {
        throw std::invalid_argument(std::string("package too large: ") + what + " beyond 32 bits");
    }
    return static_cast<DWORD>(value);
}

PackageEntry EntryFor(const PackageMemberSource& member, size_t storedSize) {
    if (member.name.empty() || member.name.size() >= PackageNameSize) {
        throw std::invalid_argument("member name \"" + member.name + "\" must have 1 to " +
                                    std::to_string(PackageNameSize - 1) + " bytes");
    }
    PackageEntry entry{};
    std::memcpy(entry.Name, member.name.data(), member.name.size());
    entry.EntryFlags = member.compress ? MemberCompressed : MemberStored;
    entry.Timestamp = member.timestamp;
    entry.Size = CheckedDword(member.data.size(), "member size");
    entry.StoredSize = CheckedDword(storedSize, "stored size");
    return entry;
}

} // namespace

std::vector<uint8_t> WritePackage(const std::vector<PackageMemberSource>& members,
                                  bool plainDirectory) {
    std::vector<uint8_t> out(sizeof(PackageHeader), 0);
    std::vector<uint8_t> directory;
    for (const PackageMemberSource& member : members) {
        std::vector<uint8_t> block;
        if (member.compress) {
            block = CompressBlock(member.data);
        }
        const std::vector<uint8_t>& stored = member.compress ? block : member.data;
        Append(directory, EntryFor(member, stored.size()));
        out.insert(out.end(), stored.begin(), stored.end());
        size_t next = (out.size() + 15) & ~size_t{15};
        out.resize(CheckedDword(next, "member offset"), 0);
    }

    PackageHeader header{};
    header.Magic = PackageMagic;
    header.Flags = plainDirectory ? 0 : DirectoryCompressed;
    header.DirectoryOffset = CheckedDword(out.size(), "directory offset");
    header.EntryCount = static_cast<DWORD>(members.size());
    std::memcpy(out.data(), &header, sizeof header);

    if (plainDirectory) {
        out.insert(out.end(), directory.begin(), directory.end());
    } else {
        std::vector<uint8_t> block = CompressBlock(directory);
        out.insert(out.end(), block.begin(), block.end());
    }
    CheckedDword(out.size(), "package length");
    return out;
}
