// A fresh simulated machine for each test, with drive C: mapped to a host
// folder of its own that is removed afterwards.
#pragma once

#include "platform/posix/machine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

// UTF-8 text of a u8 literal (host file names).
inline std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

class PlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Machine().Reset();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name) {
            c = c == '/' ? '_' : c;
        }
        root_ = fs::temp_directory_path() /
                ("platform_tests_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(root_);
        fs::create_directories(DriveC());
        Machine().MapDrive('C', DriveC());
    }

    void TearDown() override {
        Machine().Reset();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    static machine::Machine& Machine() { return machine::TheMachine(); }
    fs::path Root() const { return root_; }
    fs::path DriveC() const { return root_ / "c"; }

    static void WriteHostFile(const fs::path& path, const std::string& contents) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << contents;
    }

    static std::string ReadHostFile(const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    static bool HostReadOnly(const fs::path& path) {
        return (fs::status(path).permissions() & fs::perms::owner_write) == fs::perms::none;
    }

  private:
    fs::path root_;
};
