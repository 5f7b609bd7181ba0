// The tagged-text header with its style sheet (built in, or the user's
// header.txt), and the separator and warichu surround texts of the options.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/ConversionOptions.h"

namespace tessaly {

struct TaggedTextHeaders {
    std::u16string windows;  // first line <UNICODE-WIN>
    std::u16string mac;      // first line <UNICODE-MAC>
    bool builtIn = false;    // the built-in header, not the user's
};

// Header lines are joined by CR LF; the built-in header ends in the
// paragraph style tag with no line end. kentenScaleText replaces the kenten
// scale when bouten conversion is on. With TagHeader 1 the custom header is
// customHeader, or, when that is not given, customHeaderFile when it
// exists (read with ReadCustomHeader).
TaggedTextHeaders BuildHeaders(const ConversionOptions& options, const std::u16string& kentenScaleText,
                               const std::filesystem::path& customHeaderFile,
                               const std::optional<std::u16string>& customHeader = std::nullopt);

// The built-in headers alone.
TaggedTextHeaders BuiltInHeaders(const ConversionOptions& options, const std::u16string& kentenScaleText);

// The character style 縦中横 (tate-chu-yoko) defined after the kenten styles
// of a built-in header, for a body that uses it; only then, so that the
// header of every other document stays as it is. A user's header is left
// as it is: the typesetter's own definition of 縦中横 holds.
void AddHorizontalInVerticalStyle(TaggedTextHeaders& headers);

// A custom header that cannot be used; what() is the reason, in words for
// the user (without the file's name).
class CustomHeaderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The largest custom header: far beyond any style sheet.
inline constexpr uintmax_t kMaxCustomHeaderBytes = uintmax_t(1) << 20;

// Reads a custom header file. It must be a regular file of at most
// kMaxCustomHeaderBytes whose bytes decode cleanly: UTF-16 with a byte-order
// mark, UTF-8 with or without one (UTF-8 has no NUL byte, which UTF-16 tags
// always have), or else UTF-16 little-endian; hold no control character
// but CR, LF and TAB; and begin with the encoding tag <UNICODE-WIN> or
// <UNICODE-MAC>, as the files Tessaly writes are UTF-16. The byte-order mark
// is not part of the text. Throws CustomHeaderError.
std::u16string ReadCustomHeader(const std::filesystem::path& file);
// The same for the file's bytes.
std::u16string DecodeCustomHeader(std::string_view bytes);

struct SeparatorTexts {
    std::u16string ruby;             // △ ▲ ▽ ▼
    std::u16string warichu;          // ☆ ★ ◇ ◆
    std::u16string warichuOpening;   // bracket before a warichu, or empty
    std::u16string warichuClosing;   // bracket or spaces after a warichu, or empty
};

SeparatorTexts ReadSeparatorTexts(const ConversionOptions& options);

}  // namespace tessaly
