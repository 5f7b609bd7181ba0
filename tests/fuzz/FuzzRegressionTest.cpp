// Replays every input with which a fuzzer once found a fault
// (tests/data/fuzz-regressions/<Target>-<fault>) through the same target body.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "FuzzTargets.h"
#include "support/Corpus.h"

TEST(FuzzRegressions, EveryFoundFaultStaysFixed) {
    const std::map<std::string, int (*)(const uint8_t*, size_t)> targets = {
        {"FuzzDocReader", FuzzDocReader}, {"FuzzDocxReader", FuzzDocxReader},
        {"FuzzEqField", FuzzEqField},     {"FuzzConversion", FuzzConversion},
        {"FuzzTaggedText", FuzzTaggedText}};
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(tessaly::testing::TestData("fuzz-regressions"))) {
        const std::string name = entry.path().filename().string();
        const auto target = targets.find(name.substr(0, name.find('-')));
        ASSERT_NE(target, targets.end()) << name << " names no fuzz target";
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(target->second(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0) << name;
        ++replayed;
    }
    EXPECT_GE(replayed, 1);
}
