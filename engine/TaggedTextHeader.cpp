#include "engine/TaggedTextHeader.h"

#include <fstream>
#include <optional>
#include <stdexcept>
#include <vector>

#include "engine/Text.h"

namespace tessaly {
namespace {

void ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to) {
    for (size_t pos = text.find(from); pos != std::u16string::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
}

constexpr std::u16string_view kBase = u"<cTypeface:R><cSize:11.338583>";
constexpr std::u16string_view kFont = u"<cFont:小塚明朝 Pro>";

std::u16string CharStyle(std::u16string_view name, std::u16string_view attributes) {
    std::u16string line = u"<DefineCharStyle:";
    line += name;
    line += u"=<Nextstyle:";
    line += name;
    line += u">";
    line += kBase;
    line += kFont;
    line += attributes;
    line += u">";
    return line;
}

}  // namespace

TaggedTextHeaders BuiltInHeaders(const ConversionOptions& options, const std::u16string& kentenScaleText) {
    const std::u16string_view glyph =
        options.OpenTypeRubyGlyphs == kOn ? u"<rUseOTProGlyph:1>" : u"<rUseOTProGlyph:0>";
    std::u16string rubyGlyph(glyph);

    std::vector<std::u16string> lines;
    lines.push_back(u"<UNICODE-WIN>");
    lines.push_back(u"<FeatureSet:InDesign-Japanese><ColorTable:=<Black:COLOR:CMYK:Process:0,0,0,1>>");
    lines.push_back(CharStyle(u"ルビ標準", u"<cMojiRuby:1>" + rubyGlyph));
    lines.push_back(CharStyle(u"モノルビ", u"<cMojiRuby:1>" + rubyGlyph));
    lines.push_back(CharStyle(u"グループルビ", u"<cMojiRuby:0>" + rubyGlyph));
    lines.push_back(CharStyle(u"割注", u"<cWarichu:1><cWariLines:2><cWariRelSize:0.5>"));
    lines.push_back(CharStyle(u"文字前ベタ", u"<cBeforeSpace:0>"));
    lines.push_back(CharStyle(u"文字後ベタ", u"<cAfterSpace:0>"));
    lines.push_back(CharStyle(u"文字後4分アキ", u"<cAfterSpace:0.25>"));
    lines.push_back(CharStyle(u"文字後半角アキ", u"<cAfterSpace:0.5>"));
    lines.push_back(CharStyle(u"圏点1", u"<cKentenKind:1><cBoutenHorizontalScale:0.7><cBoutenVerticalScale:0.7>"));
    lines.push_back(CharStyle(u"圏点5", u"<cKentenKind:5><cBoutenHorizontalScale:0.7><cBoutenVerticalScale:0.7>"));
    std::u16string para = u"<DefineParaStyle:段落標準=<Nextstyle:段落標準>";
    para += kBase;
    para += u"<cLeading:18.425197>";
    para += kFont;
    para += u"<cMojiRuby:1>" + rubyGlyph + u">";
    lines.push_back(para);
    lines.push_back(u"<ParaStyle:段落標準>");

    std::u16string windows;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) windows += u"\r\n";
        windows += lines[i];
    }
    TaggedTextHeaders headers;
    headers.builtIn = true;
    headers.mac = u"<UNICODE-MAC>" + windows.substr(std::u16string_view(u"<UNICODE-WIN>").size());
    headers.windows = std::move(windows);
    if (options.ConvertBouten == kOn) {
        const std::u16string scale = u"Scale:" + kentenScaleText;
        ReplaceAll(headers.windows, u"Scale:0.7", scale);
        ReplaceAll(headers.mac, u"Scale:0.7", scale);
    }
    return headers;
}

void AddHorizontalInVerticalStyle(TaggedTextHeaders& headers) {
    if (!headers.builtIn) return;
    const std::u16string line = u"\r\n" + CharStyle(u"縦中横", u"<cTCY:1>");
    for (std::u16string* header : {&headers.windows, &headers.mac}) {
        const size_t kenten = header->find(u"<DefineCharStyle:圏点5=");
        const size_t end = kenten == std::u16string::npos ? kenten : header->find(u"\r\n", kenten);
        if (end != std::u16string::npos) header->insert(end, line);
    }
}

namespace {

// UTF-16 with every surrogate paired; nothing otherwise.
std::optional<std::u16string> CleanUtf16(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    std::u16string text = FromUtf16Bytes(bytes, bigEndian);
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
        if (c >= 0xD800 && c <= 0xDBFF && (++i >= text.size() || text[i] < 0xDC00 || text[i] > 0xDFFF)) return std::nullopt;
    }
    return text;
}

std::optional<std::u16string> DecodeHeaderBytes(std::string_view raw) {
    if (raw.starts_with("\xEF\xBB\xBF")) {
        if (!IsValidUtf8(raw.substr(3))) return std::nullopt;
        return FromUtf8(raw.substr(3));
    }
    if (raw.starts_with("\xFF\xFE")) return CleanUtf16(raw.substr(2), false);
    if (raw.starts_with("\xFE\xFF")) return CleanUtf16(raw.substr(2), true);
    // Without a mark: a header is tags, so UTF-16 has a NUL byte beside
    // every ASCII character, which UTF-8 text never has.
    // Little-endian UTF-16 without a mark is taken for what starts as a tag does.
    if (raw.find('\0') == std::string_view::npos && IsValidUtf8(raw)) return FromUtf8(raw);
    if (!raw.starts_with(std::string_view("<\0", 2))) return std::nullopt;
    return CleanUtf16(raw, false);
}

}  // namespace

std::u16string DecodeCustomHeader(std::string_view raw) {
    const std::optional<std::u16string> text = DecodeHeaderBytes(raw);
    if (!text) throw CustomHeaderError("文字コードが UTF-8 でも UTF-16 でもないため使えません");
    for (char16_t c : *text)
        if ((c < 0x20 && c != u'\r' && c != u'\n' && c != u'\t') || c == 0x7F)
            throw CustomHeaderError("制御文字を含むため、タグ付きテキストのヘッダとして使えません");
    const std::u16string_view t(*text);
    if (!t.starts_with(u"<UNICODE-WIN>") && !t.starts_with(u"<UNICODE-MAC>"))
        throw CustomHeaderError("<UNICODE-WIN> または <UNICODE-MAC> で始まっていないため使えません");
    return *text;
}

std::u16string ReadCustomHeader(const std::filesystem::path& file) {
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (ec || !std::filesystem::exists(status)) throw CustomHeaderError("見つかりません");
    if (std::filesystem::is_directory(status)) throw CustomHeaderError("フォルダーです");
    if (!std::filesystem::is_regular_file(status)) throw CustomHeaderError("通常のファイルではありません");
    if (std::filesystem::file_size(file, ec) > kMaxCustomHeaderBytes || ec)
        throw CustomHeaderError("大きすぎるため使えません（上限 1 MB）");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw CustomHeaderError("開けません");
    std::string bytes(kMaxCustomHeaderBytes + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) throw CustomHeaderError("読めません");
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (bytes.size() > kMaxCustomHeaderBytes) throw CustomHeaderError("大きすぎるため使えません（上限 1 MB）");
    return DecodeCustomHeader(bytes);
}

TaggedTextHeaders BuildHeaders(const ConversionOptions& options, const std::u16string& kentenScaleText,
                               const std::filesystem::path& customHeaderFile, const std::optional<std::u16string>& customHeader) {
    std::error_code ec;
    if (options.TagHeader == kCustomHeader && (customHeader || std::filesystem::exists(customHeaderFile, ec))) {
        TaggedTextHeaders headers;
        headers.windows = customHeader ? *customHeader : ReadCustomHeader(customHeaderFile);
        headers.mac = headers.windows;
        ReplaceAll(headers.mac, u"-WIN", u"-MAC");
        return headers;
    }
    return BuiltInHeaders(options, kentenScaleText);
}

SeparatorTexts ReadSeparatorTexts(const ConversionOptions& options) {
    SeparatorTexts s;
    s.ruby = options.RubySeparatorText();
    s.warichu = options.WarichuSeparatorText();
    if (options.WarichuSurround == kSurroundQuarterSpace) {
        s.warichuClosing = u"\u2009\u2009";
    } else if (options.WarichuSurround == kSurroundHalfSpace) {
        s.warichuClosing = u"\u2002";
    } else if (const std::u16string pair = options.WarichuSurroundText();
               options.WarichuSurround >= kSurroundParens && !pair.empty()) {
        // The item is the pair with one ideographic space between the brackets.
        s.warichuOpening = pair.substr(0, 1);
        s.warichuClosing = pair.substr(2, 1);
    }
    return s;
}

}  // namespace tessaly
