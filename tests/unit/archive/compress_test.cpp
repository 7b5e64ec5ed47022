#include "archive/compress.h"
#include "archive/decompress.h"

#include "tests/unit/archive/block_builder.h"
#include "tests/unit/archive/sample_data.h"

#include <gtest/gtest.h>

namespace {

using samples::Bytes;

struct Sample {
    const char* name;
    std::vector<uint8_t> data;
};

void PrintTo(const Sample& sample, std::ostream* os) {
    *os << sample.name;
}

// Random bytes followed by a copy of their first `copied` bytes.
std::vector<uint8_t> RepeatAfter(size_t randomBytes, size_t copied) {
    std::vector<uint8_t> data = samples::Random(randomBytes, 11);
    data.insert(data.end(), data.begin(), data.begin() + copied);
    return data;
}

// Bytes below 0x80, with the pair 80 81 repeated at distance 2303 and the
// pair 82 83 at distance 2304: a short match and a literal pair.
std::vector<uint8_t> PairsAroundShortReach() {
    std::vector<uint8_t> data = samples::Random(6000, 5, 128);
    for (size_t at : {100, 100 + 2303}) {
        data[at] = 0x80;
        data[at + 1] = 0x81;
    }
    for (size_t at : {3000, 3000 + 2304}) {
        data[at] = 0x82;
        data[at + 1] = 0x83;
    }
    return data;
}

std::vector<Sample> Samples() {
    return {
        {"Empty", {}},
        {"OneByte", {'x'}},
        {"TwoBytes", Bytes("xy")},
        {"LongRun", std::vector<uint8_t>(20000, 'a')},
        {"PeriodTwo", samples::Periodic(9000, "ab")},
        {"PeriodThree", samples::Periodic(9000, "abc")},
        {"PeriodSeven", samples::Periodic(9000, "abcdefg")},
        {"Random", samples::Random(12000, 1)},
        {"Text", samples::Text(16000, 2)},
        {"Runs", samples::Runs(16000, 3, 600)},
        {"TwoLetters", samples::Random(12000, 4, 2)},
        {"FourLetters", samples::Random(12000, 6, 4)},
        {"JustOverTheWindow", RepeatAfter(8193, 300)},
        {"JustInsideTheWindow", RepeatAfter(8192, 300)},
        {"Exactly282", RepeatAfter(300, 282)},
        {"Over282", RepeatAfter(300, 290)},
        {"PairsAroundShortReach", PairsAroundShortReach()},
    };
}

class Writer : public testing::TestWithParam<Sample> {};

TEST_P(Writer, RoundTripsThroughTheDecoder) {
    const std::vector<uint8_t>& data = GetParam().data;
    std::vector<uint8_t> block = CompressBlock(data);
    std::vector<uint8_t> out(data.size());
    DWORD produced = 0;
    ASSERT_TRUE(DecompressBlock(out.data(), static_cast<DWORD>(out.size()), block.data(),
                                static_cast<DWORD>(block.size()), &produced));
    EXPECT_EQ(produced, data.size());
    EXPECT_EQ(out, data);
}

TEST_P(Writer, EqualsTheBruteForceGreedyCoder) {
    EXPECT_EQ(CompressBlock(GetParam().data), blocks::BruteForceGreedy(GetParam().data));
}

INSTANTIATE_TEST_SUITE_P(Block, Writer, testing::ValuesIn(Samples()),
                         [](const auto& info) { return info.param.name; });

TEST(CompressBlock, WritesTheWorkedExamples) {
    EXPECT_EQ(CompressBlock({}), (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x7E, 0xFF}));
    EXPECT_EQ(CompressBlock(Bytes("abcabcabc")),
              (std::vector<uint8_t>{0x00, 0xC0, 0x6F, 0xE4, 0x61, 0x62, 0x63, 0x01, 0xFF}));
}

TEST(CompressBlock, LeavesNoBitAfterAMarkerThatFillsTheWord) {
    // 26 literals and the marker take all 32 bits: the block ends with FF.
    std::vector<uint8_t> data = Bytes("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    std::vector<uint8_t> block = CompressBlock(data);
    ASSERT_EQ(block.size(), 4 + 26 + 1u);
    EXPECT_EQ(block.back(), 0xFF);
    EXPECT_EQ((std::vector<uint8_t>(block.begin(), block.begin() + 4)),
              (std::vector<uint8_t>{0xDF, 0xFF, 0xFF, 0xFF}));
}

TEST(CompressBlock, SetsTheBitAfterAMarkerThatSpillsIntoANewWord) {
    // 27 literals: the marker's last bit and the 1 after it open a second
    // word, 11000000...
    std::vector<uint8_t> block = CompressBlock(Bytes("ABCDEFGHIJKLMNOPQRSTUVWXYZ["));
    ASSERT_EQ(block.size(), 4 + 27 + 1 + 4u);
    EXPECT_EQ((std::vector<uint8_t>(block.end() - 4, block.end())),
              (std::vector<uint8_t>{0x00, 0x00, 0x00, 0xC0}));
}

TEST(CompressBlock, CodesLongRepeatsAsSeveralMatches) {
    // One literal, then 282-byte matches at distance 1, and the rest.
    std::vector<uint8_t> data(1 + 282 * 3 + 5, 'z');
    blocks::BlockBuilder expected;
    expected.Literal('z').LongMatch(1, 282).LongMatch(1, 282).LongMatch(1, 282).LongMatch(1, 5);
    EXPECT_EQ(CompressBlock(data), expected.End());
}

} // namespace
