// How a reader refuses a file: the kind of error and its whole message.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utility>

#include "wordproc/Readers.h"

namespace tessaly::testing {

inline std::pair<wordproc::ReadErrorKind, std::string> ReadFailure(const std::filesystem::path& file) {
    try {
        wordproc::ReadDocument(file);
    } catch (const wordproc::ReadError& e) {
        return {e.kind(), e.what()};
    }
    ADD_FAILURE() << file << " was read";
    return {wordproc::ReadErrorKind::CannotOpen, ""};
}

// The file cut after every sixteenth of its length is refused as damaged
// (or as no Word document at all), never read and never a crash.
inline void ExpectEveryTruncationRefused(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto dir = std::filesystem::temp_directory_path() / ("tessaly-cut-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto cut = dir / ("cut" + file.extension().string());
    for (int i = 1; i < 16; ++i) {
        std::ofstream(cut, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size() * i / 16));
        const auto [kind, message] = ReadFailure(cut);
        EXPECT_TRUE(kind == wordproc::ReadErrorKind::Damaged || kind == wordproc::ReadErrorKind::NotWordDocument)
            << i << "/16: " << message;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace tessaly::testing
