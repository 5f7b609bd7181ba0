// Runs whole conversions of documents written in the builder's markup, in a
// temporary application folder, and records what the engine showed.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/Text.h"
#include "wordproc/DocumentBuilder.h"

namespace tessaly::testing {

struct RecordingHost : EngineHost {
    struct Progress {
        int value;
        int max;
        std::u16string caption;
    };
    std::vector<Progress> progress;
    std::vector<int32_t> counts;
    std::vector<Message> messages;
    std::vector<std::chrono::milliseconds> pauses;
    int yields = 0;

    void UpdateProgress(int value, int max, float, const std::u16string& caption) override {
        progress.push_back({value, max, caption});
    }
    void ShowConvertedCount(int32_t count) override { counts.push_back(count); }
    void Yield() override { ++yields; }
    MessageAnswer ShowMessage(const Message& m) override {
        messages.push_back(m);
        return MessageAnswer::Ok;
    }
    void Pause(std::chrono::milliseconds d) override { pauses.push_back(d); }
};

class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path() /
                 ("tessaly-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// UTF-16 bytes of a text, little- or big-endian, without a byte-order mark.
inline std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string bytes;
    for (char16_t c : text) {
        const char hi = char(c >> 8), lo = char(c & 0xFF);
        bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return bytes;
}

// The text of a UTF-16 LE file with byte-order mark.
inline std::u16string DecodeWindowsFile(const std::string& bytes) {
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(char16_t(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
}

struct Conversion {
    TempFolder folder;
    RecordingHost host;
    RunState state;
    std::unique_ptr<wordproc::DocumentModel> model;

    std::filesystem::path outputFile() const {
        return folder.path() / "RubyData" / std::filesystem::path(ToUtf8(state.OutputFileName));
    }
    std::filesystem::path macFile() const {
        return folder.path() / "RubyData" / std::filesystem::path("Mac_" + ToUtf8(state.OutputFileName));
    }
    // The Windows output file's text.
    std::u16string windowsText() const { return DecodeWindowsFile(ReadBytes(outputFile())); }

    void run(std::u16string_view markup, const ConversionOptions& options, std::u16string name = u"作品A.doc") {
        model = wordproc::ModelFromMarkup(markup, name);
        state.DocumentName = name;
        EngineContext ctx{*model, *model, options, state, host, folder.path()};
        ConvertToTaggedText(ctx);
    }
};

}  // namespace tessaly::testing
