#include "engine/TaggedTextHeader.h"

#include <fstream>
#include <iterator>
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
    headers.mac = u"<UNICODE-MAC>" + windows.substr(std::u16string_view(u"<UNICODE-WIN>").size());
    headers.windows = std::move(windows);
    if (options.ConvertBouten == kOn) {
        const std::u16string scale = u"Scale:" + kentenScaleText;
        ReplaceAll(headers.windows, u"Scale:0.7", scale);
        ReplaceAll(headers.mac, u"Scale:0.7", scale);
    }
    return headers;
}

std::u16string ReadCustomHeader(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the custom header " + file.string());
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw std::runtime_error("cannot read the custom header " + file.string());

    const std::string_view raw(bytes);
    if (raw.starts_with("\xEF\xBB\xBF")) return FromUtf8(raw.substr(3));
    if (raw.starts_with("\xFF\xFE")) return FromUtf16Bytes(raw.substr(2), false);
    if (raw.starts_with("\xFE\xFF")) return FromUtf16Bytes(raw.substr(2), true);
    // Without a mark: a header is tags, so UTF-16 has a NUL byte beside
    // every ASCII character, which UTF-8 text never has.
    if (raw.find('\0') == std::string_view::npos && IsValidUtf8(raw)) return FromUtf8(raw);
    return FromUtf16Bytes(raw, false);
}

TaggedTextHeaders BuildHeaders(const ConversionOptions& options, const std::u16string& kentenScaleText,
                               const std::filesystem::path& customHeaderFile) {
    std::error_code ec;
    if (options.TagHeader == kCustomHeader && std::filesystem::is_regular_file(customHeaderFile, ec)) {
        TaggedTextHeaders headers;
        headers.windows = ReadCustomHeader(customHeaderFile);
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
