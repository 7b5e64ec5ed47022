#include "tools/fa2/diagnostics.h"

#include <iostream>

void PrintProblem(const std::string& file, const std::string& message) {
    std::cerr << "fa2: " << file << ": " << message << '\n';
}

void PrintMemberProblem(const std::string& file, const std::string& memberName,
                        const std::string& message) {
    PrintProblem(file, "member " + memberName + ": " + message);
}
