#include "wordproc/TextReader.h"

#include <iconv.h>

#include <cerrno>
#include <optional>

#include "engine/Text.h"
#include "wordproc/DocumentBuilder.h"

namespace tessaly::wordproc {
namespace {

// Shift_JIS as Windows writes it (code page 932) through the C library's
// converter; nothing when the bytes are not valid in it.
std::optional<std::u16string> FromShiftJis(std::string_view bytes) {
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    if (cd == iconv_t(-1)) return std::nullopt;
    std::string out(bytes.size() * 2 + 2, '\0');  // a byte never gives more than one unit
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* o = out.data();
    size_t outLeft = out.size();
    const size_t done = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (done == size_t(-1) || inLeft != 0) return std::nullopt;
    out.resize(out.size() - outLeft);
    return FromUtf16Bytes(out, false);
}

}  // namespace

std::u16string DecodePlainText(std::string_view bytes, const std::filesystem::path& file) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return FromUtf8(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE")) return FromUtf16Bytes(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF")) return FromUtf16Bytes(bytes.substr(2), true);
    if (IsValidUtf8(bytes)) return FromUtf8(bytes);
    if (auto text = FromShiftJis(bytes)) return *text;
    throw ReadError(ReadErrorKind::NotWordDocument, file,
                    "テキストの文字コードが UTF-8、UTF-16、Shift_JIS のどれでもないため読み込めません。");
}

std::unique_ptr<DocumentModel> ReadPlainText(std::string_view bytes, const std::filesystem::path& file) {
    const std::u16string text = DecodePlainText(bytes, file);
    auto model = std::make_unique<DocumentModel>(FromUtf8(file.filename().string()));
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
