// Reproducible sample contents for the block coder's tests and benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace samples {

inline std::vector<uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// Bytes drawn uniformly from the first `alphabet` values from 'a' on (256:
// every byte value).
inline std::vector<uint8_t> Random(size_t size, unsigned seed, unsigned alphabet = 256) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<unsigned> pick(0, alphabet - 1);
    std::vector<uint8_t> data(size);
    for (uint8_t& byte : data) {
        byte = static_cast<uint8_t>(alphabet == 256 ? pick(generator) : 'a' + pick(generator));
    }
    return data;
}

// Lines of words from a small vocabulary, like a profile or a readme.
inline std::vector<uint8_t> Text(size_t size, unsigned seed) {
    static constexpr std::string_view words[] = {
        "[SETUP]",   "CompanyName",  "=",      "GameTitle", "update",
        "the",       "files",        "of",     "install",   "folder",
        "SETUP.INI", "DATA",         "disc",   "version",   "1.02",
        "copy",      "アップデート", "ゲーム", "データ",    "\r\n"};
    std::mt19937 generator(seed);
    std::uniform_int_distribution<size_t> pick(0, std::size(words) - 1);
    std::string text;
    while (text.size() < size) {
        text += words[pick(generator)];
        text += ' ';
    }
    text.resize(size);
    return Bytes(text);
}

// Runs of one byte, each of random length up to maxRun, of random values.
inline std::vector<uint8_t> Runs(size_t size, unsigned seed, size_t maxRun) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<size_t> length(1, maxRun);
    std::uniform_int_distribution<unsigned> value(0, 255);
    std::vector<uint8_t> data;
    while (data.size() < size) {
        data.insert(data.end(), length(generator), static_cast<uint8_t>(value(generator)));
    }
    data.resize(size);
    return data;
}

// The pattern repeated up to size bytes.
inline std::vector<uint8_t> Periodic(size_t size, std::string_view pattern) {
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) {
        data[i] = static_cast<uint8_t>(pattern[i % pattern.size()]);
    }
    return data;
}

inline std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> data;
    for (const auto& part : parts) {
        data.insert(data.end(), part.begin(), part.end());
    }
    return data;
}

// Text, random bytes, runs and periodic stretches in turn, as a package of
// game files would mix them.
inline std::vector<uint8_t> Mixed(size_t size, unsigned seed) {
    constexpr size_t chunk = 64 * 1024;
    std::vector<uint8_t> data;
    for (unsigned part = 0; data.size() < size; ++part) {
        std::vector<uint8_t> next;
        switch (part % 4) {
        case 0:
            next = Text(chunk, seed + part);
            break;
        case 1:
            next = Random(chunk, seed + part);
            break;
        case 2:
            next = Runs(chunk, seed + part, 600);
            break;
        default:
            next = Random(chunk, seed + part, 4);
            break;
        }
        data.insert(data.end(), next.begin(), next.end());
    }
    data.resize(size);
    return data;
}

} // namespace samples
