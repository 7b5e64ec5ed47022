// Drives UPDATE.EXE under Wine as a user would.
//
//   driver run SCENARIO PROGRAM SHOTS   runs the steps of SCENARIO (UTF-8)
//                                       against PROGRAM, screenshots in SHOTS
//   driver embed PROGRAM PACKAGE OUT    writes a copy of PROGRAM carrying PACKAGE
//
// Exit code 0 when everything passed, 1 on a failed step, 2 on a usage error.
#include "tests/e2e/embed.h"
#include "tests/e2e/script.h"
#include "tests/e2e/session.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

static int Usage() {
    std::fputs("usage: driver run SCENARIO PROGRAM SHOTS\n"
               "       driver embed PROGRAM PACKAGE OUT\n",
               stderr);
    return 2;
}

static int RunScenario(const std::wstring& scenario, const std::wstring& program,
                       const std::wstring& shots) {
    std::ifstream in(std::filesystem::path(scenario), std::ios::binary);
    if (!in) {
        std::printf("FAIL cannot read %s\n", ToUtf8(scenario).c_str());
        return 1;
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<Step> steps;
    try {
        steps = ParseScenario(text);
    } catch (const std::runtime_error& error) {
        std::printf("FAIL %s: %s\n", ToUtf8(scenario).c_str(), error.what());
        return 1;
    }
    CreateDirectoryW(shots.c_str(), nullptr);
    Session session(program, shots);
    return session.Run(steps) ? 0 : 1;
}

int main() {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> words(args, args + count);
    LocalFree(args);
    if (words.size() == 5 && words[1] == L"run") {
        int result = RunScenario(words[2], words[3], words[4]);
        std::fflush(stdout);
        return result;
    }
    if (words.size() == 5 && words[1] == L"embed") {
        std::wstring error = EmbedPackage(words[2], words[3], words[4]);
        if (error.empty())
            return 0;
        std::fprintf(stderr, "driver: %s\n", ToUtf8(error).c_str());
        return 1;
    }
    return Usage();
}
