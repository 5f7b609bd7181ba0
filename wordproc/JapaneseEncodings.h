// Shift_JIS text decoded from the committed tables: code page 932 (as
// Windows writes it) and Shift_JIS-2004 (the JIS X 0213 characters, as the
// Aozora Bunko archive writes some of its works), and a JIS X 0213
// character by its plane, row and cell.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::wordproc {

// Nothing when the bytes are not valid in the encoding; faultAt then says
// where the first fault lies.
std::optional<std::u16string> DecodeCp932(std::string_view bytes, size_t* faultAt = nullptr);
std::optional<std::u16string> DecodeShiftJis2004(std::string_view bytes, size_t* faultAt = nullptr);

// The character of JIS X 0213 plane (1 or 2), row and cell (1 to 94): one
// code point, or a base and its combining mark; empty when there is none.
std::u16string JisX0213Character(int plane, int row, int cell);

}  // namespace tessaly::wordproc
