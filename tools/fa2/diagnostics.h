// How fa2 reports what went wrong: "fa2: FILE: what is wrong" on stderr.
#pragma once

#include <stdexcept>
#include <string>

// A failure that ends a command; main prints it and exits with 1.
class ToolError : public std::runtime_error {
  public:
    ToolError(std::string file, const std::string& message)
        : std::runtime_error(message), file_(std::move(file)) {}
    const std::string& file() const { return file_; }

  private:
    std::string file_;
};

void PrintProblem(const std::string& file, const std::string& message);

// "fa2: FILE: member NAME: message"; name is shown as UTF-8.
void PrintMemberProblem(const std::string& file, const std::string& memberName,
                        const std::string& message);
