// The driver's scenario steps: one command and its arguments per line.
#pragma once

#include <string>
#include <vector>

struct Step {
    int line = 0;
    std::vector<std::wstring> words; // command first
};

// Splits UTF-8 scenario text into steps. Blank lines and lines starting with
// '#' are skipped. Words are separated by blanks; "..." groups a word with
// blanks, \" inside it is a double quote. {CR} stands for a carriage return.
std::vector<Step> ParseScenario(const std::string& utf8);

std::wstring FromUtf8(const std::string& utf8);
std::string ToUtf8(const std::wstring& text);
