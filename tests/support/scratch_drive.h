// A fresh host folder mapped as a drive of the simulated machine, removed
// again at the end of the test. Resets the machine and the program records.
#pragma once

#include "platform/posix/machine.h"
#include "tests/support/program_state.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

class ScratchDrive {
  public:
    explicit ScratchDrive(char letter = 'C') {
        machine::TheMachine().Reset();
        ResetProgramState();
        std::string pattern = (std::filesystem::temp_directory_path() / "fa2-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a scratch folder");
        }
        root_ = pattern;
        machine::TheMachine().MapDrive(letter, root_);
    }
    ~ScratchDrive() {
        std::error_code ignored;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        for (auto& entry : std::filesystem::recursive_directory_iterator(root_, ignored)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::remove_all(root_, ignored);
        machine::TheMachine().Reset();
    }
    ScratchDrive(const ScratchDrive&) = delete;
    ScratchDrive& operator=(const ScratchDrive&) = delete;

    const std::filesystem::path& Root() const { return root_; }

    // Writes bytes to a file below the root (relative UTF-8 host path).
    std::filesystem::path Write(const std::filesystem::path& relative, const std::string& bytes) {
        std::filesystem::path file = root_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    std::string Read(const std::filesystem::path& relative) const {
        std::ifstream in(root_ / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

  private:
    std::filesystem::path root_;
};
