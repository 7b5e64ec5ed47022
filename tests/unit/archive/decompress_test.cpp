#include "archive/decompress.h"

#include "tests/unit/archive/block_builder.h"
#include "tests/unit/archive/sample_data.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using blocks::BlockBuilder;
using samples::Bytes;

// Decodes into a destination of exactly `capacity` bytes, reading exactly the
// given bytes of the block (both on the heap, so that a sanitizer sees any
// access past them).
std::optional<std::vector<uint8_t>> Decode(const std::vector<uint8_t>& block, size_t capacity) {
    std::vector<uint8_t> out(capacity);
    DWORD produced = 0xDEADBEEF;
    if (!DecompressBlock(out.data(), static_cast<DWORD>(capacity), block.data(),
                         static_cast<DWORD>(block.size()), &produced)) {
        return std::nullopt;
    }
    EXPECT_LE(produced, capacity);
    out.resize(produced);
    return out;
}

struct WorkedExample {
    const char* name;
    std::vector<uint8_t> block;
    std::vector<uint8_t> decoded;
};

void PrintTo(const WorkedExample& example, std::ostream* os) {
    *os << example.name;
}

std::vector<uint8_t> ThirtyTwoDistinct() {
    std::vector<uint8_t> data(32);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(0x40 + i);
    }
    return data;
}

std::vector<uint8_t> ThirtyTwoDistinctBlock() {
    std::vector<uint8_t> block = {0xFF, 0xFF, 0xFF, 0xFF};
    std::vector<uint8_t> data = ThirtyTwoDistinct();
    block.insert(block.end(), data.begin(), data.end());
    block.insert(block.end(), {0x00, 0x00, 0x00, 0x7E, 0xFF});
    return block;
}

const WorkedExample workedExamples[] = {
    {"Empty", {0x00, 0x00, 0x00, 0x7E, 0xFF}, {}},
    {"AbcAbcAbc", {0x00, 0xC0, 0x6F, 0xE4, 0x61, 0x62, 0x63, 0x01, 0xFF}, Bytes("abcabcabc")},
    {"ThirtyTwoLiterals", ThirtyTwoDistinctBlock(), ThirtyTwoDistinct()},
};

class WorkedExamples : public testing::TestWithParam<WorkedExample> {};

TEST_P(WorkedExamples, DecodeToTheirBytes) {
    EXPECT_EQ(Decode(GetParam().block, GetParam().decoded.size()), GetParam().decoded);
}

TEST_P(WorkedExamples, AreWhatTheBuilderWrites) {
    // The hand-made blocks below rely on the builder, so it must agree with
    // the published bytes first.
    EXPECT_EQ(blocks::BruteForceGreedy(GetParam().decoded), GetParam().block);
}

INSTANTIATE_TEST_SUITE_P(Block, WorkedExamples, testing::ValuesIn(workedExamples),
                         [](const auto& info) { return info.param.name; });

// Arbitrary bytes to write as literals ahead of a match.
std::vector<uint8_t> Filler(size_t size) {
    return samples::Random(size, 7);
}

struct EdgeCase {
    const char* name;
    std::vector<uint8_t> block;
    std::vector<uint8_t> decoded;
};

std::vector<uint8_t> WithTail(std::vector<uint8_t> head, std::vector<uint8_t> tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

std::vector<uint8_t> CopyFrom(const std::vector<uint8_t>& data, size_t distance, size_t length) {
    std::vector<uint8_t> out = data;
    for (size_t i = 0; i < length; ++i) {
        out.push_back(out[out.size() - distance]);
    }
    return out;
}

std::vector<EdgeCase> EdgeCases() {
    std::vector<uint8_t> far = Filler(8192);
    std::vector<uint8_t> wide = Filler(2303);
    std::vector<EdgeCase> cases = {
        {"EmptyWithAnyLowBits", {0xFF, 0xFF, 0xFF, 0x7F, 0xFF}, {}},
        {"DistanceOneLength282", BlockBuilder().Literal('x').LongMatch(1, 282).End(),
         std::vector<uint8_t>(283, 'x')},
        {"DistanceTwoOddLength", BlockBuilder().Literals("ab").LongMatch(2, 7).End(),
         Bytes("ababababa")},
        {"DistanceThreeLengthFour", BlockBuilder().Literals("abc").LongMatch(3, 4).End(),
         Bytes("abcabca")},
        {"ShortMatchDistanceOne", BlockBuilder().Literal('q').ShortMatch(1).End(), Bytes("qqq")},
        {"ShortMatchDistance2303", BlockBuilder().Literals(wide).ShortMatch(2303).End(),
         CopyFrom(wide, 2303, 2)},
        {"ShortMatchDistance2296", BlockBuilder().Literals(wide).ShortMatch(2296).End(),
         CopyFrom(wide, 2296, 2)},
        {"LongMatchDistance8192", BlockBuilder().Literals(far).LongMatch(8192, 282).End(),
         CopyFrom(far, 8192, 282)},
        {"EveryLengthCode",
         BlockBuilder()
             .Literals("0123456789")
             .LongMatch(10, 3)
             .LongMatch(7, 4)
             .LongMatch(9, 6)
             .LongMatch(5, 10)
             .LongMatch(30, 26)
             .LongMatch(40, 27)
             .End(),
         CopyFrom(
             CopyFrom(CopyFrom(CopyFrom(CopyFrom(CopyFrom(Bytes("0123456789"), 10, 3), 7, 4), 9, 6),
                               5, 10),
                      30, 26),
             40, 27)},
    };
    // Each distance range at both of its ends, with long and short copies.
    for (unsigned distance : {1u, 4u, 5u, 512u, 513u, 1024u, 1025u, 2048u, 2049u, 4096u, 4097u}) {
        for (unsigned length : {3u, 11u, 282u}) {
            cases.push_back({"", BlockBuilder().Literals(far).LongMatch(distance, length).End(),
                             CopyFrom(far, distance, length)});
        }
    }
    for (unsigned distance : {1u, 2u, 3u, 256u, 257u, 264u}) {
        cases.push_back({"", BlockBuilder().Literals(far).ShortMatch(distance).End(),
                         CopyFrom(far, distance, 2)});
    }
    return cases;
}

TEST(DecompressBlock, DecodesTheEdgeCases) {
    for (const EdgeCase& c : EdgeCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Decode(c.block, c.decoded.size()), c.decoded);
    }
}

TEST(DecompressBlock, EndMarkerLastBitIsTheWordsLast) {
    // 26 literal flags and the marker's 6 bits fill the word exactly, so the
    // block ends with the marker's FF and no further word is read.
    std::vector<uint8_t> data = Filler(26);
    std::vector<uint8_t> block = BlockBuilder().Literals(data).End();
    ASSERT_EQ(block.size(), 4 + 26 + 1u);
    EXPECT_EQ(block.back(), 0xFF);
    EXPECT_EQ(Decode(block, data.size()), data);
}

TEST(DecompressBlock, EndMarkerRunningIntoANewWord) {
    // With 27 literals the marker's last two bits need a second word after
    // the FF, which is then the block's last item.
    std::vector<uint8_t> data = Filler(27);
    std::vector<uint8_t> block = BlockBuilder().Literals(data).End();
    ASSERT_EQ(block.size(), 4 + 27 + 1 + 4u);
    EXPECT_EQ(block[4 + 27], 0xFF);
    EXPECT_EQ(Decode(block, data.size()), data);
}

TEST(DecompressBlock, IgnoresBytesAfterTheEndMarker) {
    std::vector<uint8_t> block = BlockBuilder().Literals("abc").LongMatch(3, 6).End();
    EXPECT_EQ(Decode(WithTail(block, {0x12, 0x34, 0x56, 0x78, 0x9A}), 9), Bytes("abcabcabc"));
}

TEST(DecompressBlock, WritesNothingBeyondTheDecodedBytes) {
    // Every copy form, each ending the output, inside a larger destination.
    for (unsigned distance : {1u, 2u, 3u, 4u, 5u, 7u}) {
        for (unsigned length : {3u, 4u, 5u, 6u, 7u, 8u, 281u, 282u}) {
            SCOPED_TRACE(testing::Message() << "distance " << distance << " length " << length);
            std::vector<uint8_t> block =
                BlockBuilder().Literals("abcdefg").LongMatch(distance, length).End();
            std::vector<uint8_t> out(7 + length + 300, 0xCC);
            DWORD produced = 0;
            ASSERT_TRUE(DecompressBlock(out.data(), static_cast<DWORD>(out.size()), block.data(),
                                        static_cast<DWORD>(block.size()), &produced));
            ASSERT_EQ(produced, 7 + length);
            std::vector<uint8_t> expected = CopyFrom(Bytes("abcdefg"), distance, length);
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()));
            EXPECT_TRUE(std::all_of(out.begin() + produced, out.end(),
                                    [](uint8_t b) { return b == 0xCC; }));
        }
    }
}

struct BadBlock {
    const char* name;
    std::vector<uint8_t> block;
    size_t capacity;
};

std::vector<BadBlock> BadBlocks() {
    return {
        {"NoBytes", {}, 16},
        {"ControlWordCut", {0x00, 0x00, 0x7E}, 16},
        {"NoEndMarker", {0x00, 0x00, 0x00, 0x80, 'a'}, 16},
        {"LongMatchBeforeStart", BlockBuilder().LongMatch(1, 3).End(), 16},
        {"ShortMatchBeforeStart", BlockBuilder().ShortMatch(1).End(), 16},
        {"DistanceOnePastOutput", BlockBuilder().Literals("ab").LongMatch(3, 3).End(), 16},
        {"ShortDistance257After256", BlockBuilder().Literals(Filler(256)).ShortMatch(257).End(),
         300},
        {"LiteralOverCapacity", BlockBuilder().Literals("abcd").End(), 3},
        {"ShortMatchOverCapacity", BlockBuilder().Literals("ab").ShortMatch(2).End(), 3},
        {"LongMatchOverCapacity", BlockBuilder().Literal('a').LongMatch(1, 282).End(), 282},
        {"FarMatchOverCapacity", BlockBuilder().Literals(Filler(600)).LongMatch(600, 282).End(),
         881},
    };
}

TEST(DecompressBlock, RefusesBadBlocks) {
    for (const BadBlock& c : BadBlocks()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Decode(c.block, c.capacity), std::nullopt);
    }
}

TEST(DecompressBlock, RefusesEveryTruncationOfAValidBlock) {
    std::vector<std::vector<uint8_t>> valid = {
        BlockBuilder().End(),
        BlockBuilder().Literals("abc").LongMatch(3, 6).End(),
        BlockBuilder().Literals(Filler(27)).End(),
        BlockBuilder().Literals(Filler(4200)).LongMatch(4100, 200).ShortMatch(2000).End(),
    };
    for (const auto& block : valid) {
        std::optional<std::vector<uint8_t>> whole = Decode(block, 1 << 16);
        ASSERT_TRUE(whole);
        for (size_t cut = 0; cut < block.size(); ++cut) {
            // The block's last byte is the last one the decoder needs.
            std::vector<uint8_t> prefix(block.begin(), block.begin() + cut);
            if (Decode(prefix, whole->size())) {
                ADD_FAILURE() << "a block cut to " << cut << " of " << block.size()
                              << " bytes decoded";
            }
        }
    }
}

} // namespace
