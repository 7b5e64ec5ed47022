#include "tests/e2e/script.h"

#include <windows.h>

#include <sstream>
#include <stdexcept>

std::wstring FromUtf8(const std::string& utf8) {
    if (utf8.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring text(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), text.data(), n);
    return text;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string utf8(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), utf8.data(), n, nullptr,
                        nullptr);
    return utf8;
}

static std::wstring ExpandMarkers(std::wstring word) {
    const std::wstring cr = L"{CR}";
    for (size_t at = word.find(cr); at != std::wstring::npos; at = word.find(cr, at + 1))
        word.replace(at, cr.size(), L"\r");
    return word;
}

static std::vector<std::wstring> SplitWords(const std::wstring& line, int number) {
    std::vector<std::wstring> words;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == L' ' || line[i] == L'\t') {
            ++i;
            continue;
        }
        std::wstring word;
        if (line[i] == L'"') {
            ++i;
            while (i < line.size() && line[i] != L'"') {
                if (line[i] == L'\\' && i + 1 < line.size() && line[i + 1] == L'"')
                    ++i;
                word += line[i++];
            }
            if (i == line.size())
                throw std::runtime_error("line " + std::to_string(number) + ": unclosed quote");
            ++i;
        } else {
            while (i < line.size() && line[i] != L' ' && line[i] != L'\t')
                word += line[i++];
        }
        words.push_back(ExpandMarkers(word));
    }
    return words;
}

std::vector<Step> ParseScenario(const std::string& utf8) {
    std::vector<Step> steps;
    std::istringstream in(utf8);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        std::wstring line = FromUtf8(raw);
        size_t first = line.find_first_not_of(L" \t");
        if (first == std::wstring::npos || line[first] == L'#')
            continue;
        steps.push_back({number, SplitWords(line, number)});
    }
    return steps;
}
