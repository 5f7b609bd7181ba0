#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "wordproc/Story.h"

using namespace tessaly::wordproc;

namespace {

std::vector<uint32_t> Codes(const Story& story) {
    std::vector<uint32_t> codes;
    for (size_t i = 0; i < story.size(); ++i) codes.push_back(story[i].code);
    return codes;
}

}  // namespace

// Replacements anywhere in the story, large enough to make it grow while
// text stands on both sides of the gap, and appends after them, all agree
// with the same edits made to a plain vector.
TEST(Story, EditsAnywhereKeepEveryCellInPlace) {
    std::mt19937 random(7);
    Story story;
    std::vector<uint32_t> expected;
    uint32_t next = 1;
    for (int round = 0; round < 400; ++round) {
        const size_t start = expected.empty() ? 0 : random() % (expected.size() + 1);
        const size_t end = std::min(expected.size(), start + random() % 4);
        std::vector<Cell> cells(random() % (round % 50 == 0 ? 300 : 6));
        for (auto& c : cells) c = Cell{next++, static_cast<uint8_t>(next % 5)};
        story.replace(start, end, cells);
        expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(start), expected.begin() + static_cast<std::ptrdiff_t>(end));
        std::vector<uint32_t> inserted;
        for (const auto& c : cells) inserted.push_back(c.code);
        expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(start), inserted.begin(), inserted.end());
        if (round % 7 == 0) {
            story.append(Cell{next, 0});
            expected.push_back(next++);
        }
        ASSERT_EQ(Codes(story), expected) << "round " << round;
    }
    EXPECT_EQ(story.find(expected[expected.size() / 2], 0), expected.size() / 2);
    EXPECT_EQ(story.find(0, 0), story.size());  // absent

    story.assign(std::vector<Cell>{{5, 1}, {6, 2}});
    EXPECT_EQ(Codes(story), (std::vector<uint32_t>{5, 6}));
    EXPECT_EQ(story[1].emphasis, 2);
}

TEST(Story, FieldTextsComeBackAsRegistered) {
    Story story;
    const std::u16string texts[] = {u"かん\u3000漢", u"", u"𠮷", u"EQ \\o\\ad(\\s\\up 9(じ),字)"};
    std::vector<uint32_t> codes;
    for (const auto& t : texts) codes.push_back(story.addField(t));
    for (size_t i = 0; i < std::size(texts); ++i) {
        EXPECT_EQ(codes[i], kFieldBase + i);
        EXPECT_EQ(story.fieldText(Cell{codes[i], 0}), texts[i]);
    }
}
