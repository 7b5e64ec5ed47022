#include "tests/unit/platform/platform_fixture.h"

#include <cstring>
#include <vector>

namespace {

using ResourceTest = PlatformTest;

TEST_F(ResourceTest, UpdateResourceIsFoundLoadedAndLocked) {
    Machine().updateResource = std::vector<uint8_t>{'F', 'A', '2', 0, 9};
    for (LPCSTR type : {"UPDATE", "update"}) {
        HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(102), type);
        ASSERT_NE(resource, nullptr) << type;
        EXPECT_EQ(SizeofResource(nullptr, resource), 5u);
        HGLOBAL loaded = LoadResource(nullptr, resource);
        ASSERT_NE(loaded, nullptr);
        const auto* bytes = static_cast<const uint8_t*>(LockResource(loaded));
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(std::memcmp(bytes, "FA2\0\x09", 5), 0);
    }
}

TEST_F(ResourceTest, OtherNamesAndTypesAreNotFound) {
    Machine().updateResource = std::vector<uint8_t>{1};
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(101), "UPDATE"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(102), "RCDATA"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
}

TEST_F(ResourceTest, AbsentResourceIsNotFound) {
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(102), "UPDATE"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
}

TEST_F(ResourceTest, EmptyResourceHasSizeZero) {
    Machine().updateResource = std::vector<uint8_t>{};
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(102), "UPDATE");
    ASSERT_NE(resource, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, resource), 0u);
}

TEST_F(ResourceTest, GlobalBlocksAreCountedAndFreedOnce) {
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, 64);
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xAB, 64);
    EXPECT_EQ(Machine().globalBlocksInUse, 1);
    EXPECT_EQ(GlobalFree(block), nullptr);
    EXPECT_EQ(Machine().globalBlocksInUse, 0);
    EXPECT_EQ(GlobalFree(block), block); // a second free fails instead of corrupting
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(ResourceTest, GlobalAllocCanBeLimited) {
    Machine().globalAllocLimit = 100;
    EXPECT_EQ(GlobalAlloc(GMEM_FIXED, 101), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, 100);
    EXPECT_NE(block, nullptr);
    EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST_F(ResourceTest, ResetFreesLeakedBlocks) {
    HGLOBAL leaked = GlobalAlloc(GMEM_FIXED, 16);
    ASSERT_NE(leaked, nullptr);
    Machine().Reset(); // frees it (the sanitizer build reports a leak otherwise)
    EXPECT_EQ(Machine().globalBlocksInUse, 0);
    EXPECT_EQ(GlobalFree(leaked), leaked); // no longer a block of the layer
}

} // namespace
