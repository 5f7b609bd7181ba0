// The tags a test expects, written the way the engine writes them: in
// UTF-16 for the engine's body, in UTF-8 for an output read back as text.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::testing {

inline std::u16string Mono(std::u16string_view reading, std::u16string_view base) {
    return u"<CharStyle:モノルビ><cRuby:1><cRubyString:" + std::u16string(reading) + u">" + std::u16string(base) +
           u"<cRuby:><cRubyString:><CharStyle:>";
}
inline std::u16string Group(std::u16string_view reading, std::u16string_view base) {
    return u"<CharStyle:グループルビ><cRuby:1><cRubyString:" + std::u16string(reading) + u">" + std::u16string(base) +
           u"<cRuby:><cRubyString:><CharStyle:>";
}
// A kenten stretch: style 1 (sesame) or 5 (dot).
inline std::u16string Kenten(int style, std::u16string_view text) {
    return u"<CharStyle:圏点" + std::u16string(1, char16_t(u'0' + style)) + u">" + std::u16string(text) + u"<CharStyle:>";
}
inline std::u16string Warichu(std::u16string_view note) { return u"<CharStyle:割注>" + std::u16string(note) + u"<CharStyle:>"; }

inline std::string Mono(const std::string& reading, const std::string& base) {
    return "<CharStyle:モノルビ><cRuby:1><cRubyString:" + reading + ">" + base + "<cRuby:><cRubyString:><CharStyle:>";
}
inline std::string Group(const std::string& reading, const std::string& base) {
    return "<CharStyle:グループルビ><cRuby:1><cRubyString:" + reading + ">" + base + "<cRuby:><cRubyString:><CharStyle:>";
}
inline std::string Kenten(int style, const std::string& text) {
    return "<CharStyle:圏点" + std::to_string(style) + ">" + text + "<CharStyle:>";
}
inline std::string Warichu(const std::string& note) { return "<CharStyle:割注>" + note + "<CharStyle:>"; }

}  // namespace tessaly::testing
