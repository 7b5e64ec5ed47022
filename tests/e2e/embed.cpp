#include "tests/e2e/embed.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

std::wstring EmbedPackage(const std::wstring& program, const std::wstring& payload,
                          const std::wstring& output) {
    std::ifstream in(std::filesystem::path(payload), std::ios::binary);
    if (!in)
        return L"cannot read " + payload;
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!CopyFileW(program.c_str(), output.c_str(), FALSE))
        return L"cannot copy " + program + L" to " + output;
    HANDLE update = BeginUpdateResourceW(output.c_str(), FALSE);
    if (!update)
        return L"cannot open the resources of " + output;
    const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
    if (!UpdateResourceW(update, L"UPDATE", MAKEINTRESOURCEW(102), japanese, bytes.data(),
                         DWORD(bytes.size()))) {
        EndUpdateResourceW(update, TRUE);
        return L"cannot replace the package of " + output;
    }
    if (!EndUpdateResourceW(update, FALSE))
        return L"cannot write " + output;
    return {};
}
