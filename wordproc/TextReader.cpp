#include "wordproc/TextReader.h"

#include <cerrno>
#include <optional>

#include "engine/Text.h"
#include "platform/Files.h"
#include "wordproc/DocumentBuilder.h"
#include "wordproc/JapaneseEncodings.h"

namespace tessaly::wordproc {
namespace {

std::u16string FromUtf32(std::string_view bytes, bool bigEndian, const std::filesystem::path& file) {
    if (bytes.size() % 4 != 0) throw ReadError(ReadErrorKind::NotWordDocument, file, "UTF-32 のテキストとして長さが合わないため読み込めません。");
    std::u16string text;
    text.reserve(bytes.size() / 4);
    for (size_t i = 0; i < bytes.size(); i += 4) {
        const auto b = [&](size_t k) { return char32_t(static_cast<unsigned char>(bytes[i + (bigEndian ? k : 3 - k)])); };
        const char32_t cp = b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            throw ReadError(ReadErrorKind::NotWordDocument, file,
                            "UTF-32 のテキストの " + std::to_string(i + 4) + " バイト目までの文字が正しくないため読み込めません。");
        AppendCodePoint(text, cp);
    }
    return text;
}

// ISO-2022-JP (as mail and old systems write Japanese): ASCII, JIS X 0201
// roman and katakana, and JIS X 0208 by escape sequences; a JIS X 0208 code
// is the Shift_JIS code of the same character by arithmetic.
std::u16string FromIso2022Jp(std::string_view bytes, const std::filesystem::path& file) {
    enum class Set { Ascii, Roman, Katakana, Kanji } set = Set::Ascii;
    std::u16string text;
    std::string kanji;  // the Shift_JIS bytes of a run of JIS X 0208 pairs
    auto flush = [&] {
        if (kanji.empty()) return;
        const auto decoded = DecodeCp932(kanji);
        if (!decoded) throw ReadError(ReadErrorKind::NotWordDocument, file, "ISO-2022-JP のテキストに JIS X 0208 にない文字があるため読み込めません。");
        text += *decoded;
        kanji.clear();
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == 0x1B) {
            flush();
            const std::string_view esc = bytes.substr(i + 1, 2);
            if (esc == "$B" || esc == "$@") set = Set::Kanji;
            else if (esc == "(B") set = Set::Ascii;
            else if (esc == "(J") set = Set::Roman;
            else if (esc == "(I") set = Set::Katakana;
            else
                throw ReadError(ReadErrorKind::NotWordDocument, file,
                                "ISO-2022-JP のテキストに知らない切り替え（" + std::to_string(i + 1) + " バイト目）があるため読み込めません。");
            i += 2;
        } else if (set == Set::Kanji && c >= 0x21 && c <= 0x7E && i + 1 < bytes.size()) {
            const unsigned char d = static_cast<unsigned char>(bytes[++i]);
            // Row c and cell d of JIS X 0208 as Shift_JIS's lead and trail bytes.
            const unsigned lead = (c + 1) / 2 + (c <= 0x5E ? 0x70 : 0xB0);
            const unsigned trail = d + (c % 2 ? (d >= 0x60 ? 0x20 : 0x1F) : 0x7E);
            kanji += static_cast<char>(lead);
            kanji += static_cast<char>(trail);
        } else if (set == Set::Katakana && c >= 0x21 && c <= 0x5F) {
            text.push_back(static_cast<char16_t>(0xFF61 + (c - 0x21)));
        } else if (set == Set::Roman && (c == 0x5C || c == 0x7E)) {
            text.push_back(c == 0x5C ? u'\u00A5' : u'\u203E');
        } else {
            if (c >= 0x80) throw ReadError(ReadErrorKind::NotWordDocument, file, "ISO-2022-JP のテキストに 8 ビットのバイトがあるため読み込めません。");
            flush();
            text.push_back(c);
        }
    }
    flush();
    return text;
}

// Escape sequences that switch character sets (ESC $ … and ESC ( …) make
// ISO-2022-JP, of whichever edition.
bool IsIso2022Jp(std::string_view bytes) {
    for (size_t i = bytes.find('\x1B'); i != std::string_view::npos; i = bytes.find('\x1B', i + 1))
        if (i + 2 < bytes.size() && (bytes[i + 1] == '$' || bytes[i + 1] == '(')) return true;
    return false;
}

// UTF-16 without its byte-order mark: ASCII characters put a NUL byte beside
// each other byte, on one side.
bool LooksLikeUtf16WithoutMark(std::string_view bytes) {
    size_t even = 0, odd = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\0') ++(i % 2 ? odd : even);
    return 4 * (even + odd) >= bytes.size() && 10 * std::max(even, odd) >= 9 * (even + odd) && even + odd > 0;
}

enum class Encoding { Utf8WithMark, Utf8, Utf16LE, Utf16BE, Utf32LE, Utf32BE, Iso2022Jp, ShiftJis };

// The encoding by the byte-order mark, else by the bytes; refused with the
// reason when it can be told to be none of them.
Encoding DetectEncoding(std::string_view bytes, const std::filesystem::path& file) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return Encoding::Utf8WithMark;
    if (bytes.starts_with(std::string_view("\xFF\xFE\0\0", 4))) return Encoding::Utf32LE;
    if (bytes.starts_with(std::string_view("\0\0\xFE\xFF", 4))) return Encoding::Utf32BE;
    if (bytes.starts_with("\xFF\xFE")) return Encoding::Utf16LE;
    if (bytes.starts_with("\xFE\xFF")) return Encoding::Utf16BE;
    if (LooksLikeUtf16WithoutMark(bytes))
        throw ReadError(ReadErrorKind::NotWordDocument, file,
                        "UTF-16 のテキストのようですが、バイト順マーク（BOM）がないため読み込めません。BOM 付きの UTF-16 か UTF-8 で保存し直してください。");
    if (IsIso2022Jp(bytes)) return Encoding::Iso2022Jp;
    if (IsValidUtf8(bytes)) return Encoding::Utf8;
    return Encoding::ShiftJis;  // or nothing at all: decoding tells
}

// The positions the text of the bytes makes (code points, CR LF once, and
// the final paragraph mark), counted without decoding; for ISO-2022-JP, an
// upper bound.
size_t PositionsOf(std::string_view bytes, Encoding encoding) {
    size_t n = 1;
    unsigned previous = 0;
    auto character = [&](unsigned c) {
        if (!(c == u'\n' && previous == u'\r')) ++n;
        previous = c;
    };
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t size = bytes.size();
    switch (encoding) {
    case Encoding::Utf8WithMark:
    case Encoding::Utf8:
        for (size_t i = 0; i < size; ++i)
            if ((b[i] & 0xC0) != 0x80) character(b[i]);
        break;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        for (size_t i = 0; i + 1 < size; i += 2) {
            const unsigned u = encoding == Encoding::Utf16LE ? unsigned(b[i] | b[i + 1] << 8) : unsigned(b[i] << 8 | b[i + 1]);
            if (u < 0xDC00 || u > 0xDFFF || !(previous >= 0xD800 && previous <= 0xDBFF)) character(u);
            else previous = u;
        }
        break;
    case Encoding::Utf32LE:
    case Encoding::Utf32BE:
        for (size_t i = 0; i + 3 < size; i += 4) character(encoding == Encoding::Utf32LE ? b[i] : b[i + 3]);
        break;
    case Encoding::ShiftJis:
        for (size_t i = 0; i < size; ++i) {
            character(b[i]);
            if ((b[i] >= 0x81 && b[i] <= 0x9F) || (b[i] >= 0xE0 && b[i] <= 0xFC)) ++i;  // a lead byte and its trail
        }
        break;
    case Encoding::Iso2022Jp: n += size; break;
    }
    return n;
}

std::u16string Decode(std::string_view bytes, Encoding encoding, const std::filesystem::path& file) {
    switch (encoding) {
    case Encoding::Utf8WithMark:
        if (const size_t valid = ValidUtf8Length(bytes.substr(3)); valid != bytes.size() - 3)
            throw ReadError(ReadErrorKind::NotWordDocument, file,
                            "UTF-8 の印（BOM）がありますが、" + std::to_string(valid + 4) + " バイト目が UTF-8 として正しくないため読み込めません。");
        return FromUtf8(bytes.substr(3));
    case Encoding::Utf8: return FromUtf8(bytes);
    case Encoding::Utf16LE: return FromUtf16Bytes(bytes.substr(2), false);
    case Encoding::Utf16BE: return FromUtf16Bytes(bytes.substr(2), true);
    case Encoding::Utf32LE: return FromUtf32(bytes.substr(4), false, file);
    case Encoding::Utf32BE: return FromUtf32(bytes.substr(4), true, file);
    case Encoding::Iso2022Jp: return FromIso2022Jp(bytes, file);
    case Encoding::ShiftJis: break;
    }
    size_t sjisFault = 0;
    if (auto text = DecodeCp932(bytes, &sjisFault)) return *text;
    // Not as Windows writes it, but with the characters of JIS X 0213, as
    // some of the Aozora Bunko archive's works are.
    if (auto text = DecodeShiftJis2004(bytes)) return *text;
    throw ReadError(ReadErrorKind::NotWordDocument, file,
                    "テキストの文字コードが UTF-8、UTF-16、Shift_JIS のどれでもないため読み込めません（UTF-8 としては " +
                        std::to_string(ValidUtf8Length(bytes) + 1) + " バイト目、Shift_JIS としては " + std::to_string(sjisFault + 1) +
                        " バイト目が正しくありません）。");
}

}  // namespace

std::u16string DecodePlainText(std::string_view bytes, const std::filesystem::path& file) {
    return Decode(bytes, DetectEncoding(bytes, file), file);
}

std::unique_ptr<DocumentModel> ReadPlainText(std::string_view bytes, const std::filesystem::path& file) {
    // A story beyond the limit is refused before its text is decoded.
    const Encoding encoding = DetectEncoding(bytes, file);
    if (bytes.size() > kMaxStoryPositions && PositionsOf(bytes, encoding) > kMaxStoryPositions)
        throw ReadError(ReadErrorKind::TooLarge, file, StoryTooLong().what());
    const std::u16string text = Decode(bytes, encoding, file);
    auto model = std::make_unique<DocumentModel>(FromUtf8(platform::PathToUtf8(file.filename())));
    DocumentBuilder builder(*model);
    try {
        size_t from = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            const bool end = i == text.size();
            const char16_t c = end ? u'\0' : text[i];
            if (!end && c != u'\r' && c != u'\n' && c != u'\f') continue;
            builder.appendText(std::u16string_view(text).substr(from, i - from));
            if (end) {
                if (i > from) builder.endParagraph();  // a last line without its line end
                break;
            }
            builder.endParagraph();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            from = i + 1;
        }
        builder.finish();
    } catch (const StoryTooLong& e) {
        throw ReadError(ReadErrorKind::TooLarge, file, e.what());
    }
    return model;
}

}  // namespace tessaly::wordproc
