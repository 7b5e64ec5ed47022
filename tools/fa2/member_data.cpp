#include "tools/fa2/member_data.h"

#include "archive/decompress.h"
#include "tools/fa2/block_length.h"

namespace {

// In 64 bits, so that a damaged StoredSize near 4 GiB cannot wrap around.
uint64_t AlignedEnd(const PackageMember& member) {
    return member.offset + ((uint64_t{member.entry.StoredSize} + 15) & ~uint64_t{15});
}

} // namespace

std::vector<PackageMember> LayOutMembers(const std::vector<PackageEntry>& entries) {
    std::vector<PackageMember> members;
    uint64_t offset = sizeof(PackageHeader);
    for (const PackageEntry& entry : entries) {
        members.push_back({entry, offset});
        offset = AlignedEnd(members.back());
    }
    return members;
}

uint64_t DataAreaEnd(const std::vector<PackageMember>& members) {
    return members.empty() ? sizeof(PackageHeader) : AlignedEnd(members.back());
}

std::string ReadMember(const PackageFile& file, const PackageMember& member,
                       std::vector<uint8_t>& data) {
    const PackageEntry& entry = member.entry;
    if (member.offset + entry.StoredSize > file.header.DirectoryOffset) {
        return "its stored bytes (" + std::to_string(entry.StoredSize) + " at offset " +
               std::to_string(member.offset) + ") run past the directory at offset " +
               std::to_string(file.header.DirectoryOffset);
    }
    const uint8_t* stored = file.bytes.data() + member.offset;
    if ((entry.EntryFlags & MemberCompressed) == 0) {
        if (entry.StoredSize != entry.Size) {
            return "stored plain, but its stored size " + std::to_string(entry.StoredSize) +
                   " differs from its size " + std::to_string(entry.Size);
        }
        data.assign(stored, stored + entry.Size);
        return {};
    }
    if (entry.Size > MostDecodedBytes(entry.StoredSize)) {
        return "its size " + std::to_string(entry.Size) + " is more than " +
               std::to_string(entry.StoredSize) + " compressed bytes can hold";
    }
    data.resize(uint64_t{entry.Size} + 1);
    DWORD produced = 0;
    if (DecompressBlock(data.data(), entry.Size, stored, entry.StoredSize, &produced) != 1) {
        return "its compressed data is damaged (does not decode to " + std::to_string(entry.Size) +
               " bytes)";
    }
    if (produced != entry.Size) {
        return "its compressed data decodes to " + std::to_string(produced) + " bytes, not " +
               std::to_string(entry.Size);
    }
    data.resize(entry.Size);
    return {};
}
