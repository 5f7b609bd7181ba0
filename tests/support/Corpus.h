// Paths to test files: tests/data (always there) and the shared corpus of
// other projects' documents (absent in a user's clone: such tests skip).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string_view>

namespace tessaly::testing {

inline std::filesystem::path TestData(const char* name) { return std::filesystem::path(TESSALY_TEST_DATA_DIR) / name; }

inline std::optional<std::filesystem::path> CorpusFile(const char* relative) {
    if (std::string_view(TESSALY_CORPUS_DIR).empty()) return std::nullopt;
    const auto path = std::filesystem::path(TESSALY_CORPUS_DIR) / relative;
    if (!std::filesystem::exists(path)) return std::nullopt;
    return path;
}

}  // namespace tessaly::testing

// Skips the test when the corpus file is not there.
#define TESSALY_CORPUS_OR_SKIP(var, relative)                                          \
    const auto var##_opt = ::tessaly::testing::CorpusFile(relative);                   \
    if (!var##_opt) GTEST_SKIP() << "corpus file not present: " << (relative);        \
    const std::filesystem::path& var = *var##_opt
