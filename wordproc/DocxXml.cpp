#include "wordproc/DocxXml.h"

#include <cstring>

#include "wordproc/ReadError.h"

namespace tessaly::wordproc {
namespace {

constexpr std::string_view kWordMainTransitional = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kWordMainStrict = "http://purl.oclc.org/ooxml/wordprocessingml/main";
constexpr std::string_view kMarkupCompatibility = "http://schemas.openxmlformats.org/markup-compatibility/2006";

// Whitespace-only text is kept: a w:t of one space is text to show.
constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_ws_pcdata_single;

ReadError MalformedXml(const pugi::xml_parse_result& result, size_t offset, const std::string& part,
                       const std::filesystem::path& file) {
    return ReadError(ReadErrorKind::Damaged, file,
                     "XML が壊れています（" + part + "、" + std::to_string(offset + static_cast<size_t>(result.offset)) +
                         " バイト目: " + result.description() + "）。");
}

}  // namespace

pugi::xml_document ParseXmlPart(std::string& data, const std::string& part, const std::filesystem::path& file) {
    return ParseXmlPiece(data.data(), data.size(), 0, part, file);
}

namespace {

// A NUL, raw or as a character reference, would end the text it stands in
// (the parser's texts end at one): it becomes U+0001, which the model drops
// and counts with the other control characters, so the rest of the text
// stays. The bytes keep their places.
void DefuseNuls(char* text, size_t size) {
    for (char* p = text; (p = static_cast<char*>(std::memchr(p, '&', size - size_t(p - text)))) != nullptr; ++p) {
        char* q = p + 1;
        if (q >= text + size || *q != '#') continue;
        const bool hex = q + 1 < text + size && q[1] == 'x';
        q += hex ? 2 : 1;
        char* digits = q;
        while (q < text + size && *q == '0') ++q;
        if (q > digits && q < text + size && *q == ';') q[-1] = '1';
    }
    for (char* p = text; (p = static_cast<char*>(std::memchr(p, '\0', size - size_t(p - text)))) != nullptr; ++p) *p = '\x01';
}

}  // namespace

pugi::xml_document ParseXmlPiece(char* text, size_t size, size_t offset, const std::string& part,
                                 const std::filesystem::path& file) {
    DefuseNuls(text, size);
    pugi::xml_document doc;
    const auto result = doc.load_buffer_inplace(text, size, kParseFlags);
    if (!result) throw MalformedXml(result, offset, part, file);
    return doc;
}

WordNames::WordNames(const pugi::xml_node& root) {
    bool found = false;
    std::string mc;
    for (auto a : root.attributes()) {
        const std::string_view name = a.name();
        const std::string_view value = a.value();
        std::string prefix;
        if (name == "xmlns") prefix = "";
        else if (name.starts_with("xmlns:")) prefix = std::string(name.substr(6)) + ":";
        else continue;
        if (value == kWordMainTransitional || value == kWordMainStrict) {
            m_w = prefix;
            found = true;
        } else if (value == kMarkupCompatibility) {
            mc = prefix;
            m_hasMc = true;
        }
    }
    if (!found) m_w = "w:";
    m_alternateContent = mc + "AlternateContent";
    m_fallback = mc + "Fallback";
}

std::string_view WordNames::local(const pugi::xml_node& n) const {
    const std::string_view name = n.name();
    if (!name.starts_with(m_w)) return {};
    const std::string_view rest = name.substr(m_w.size());
    // Without a prefix, a name that has one belongs to another namespace.
    if (m_w.empty() && rest.find(':') != std::string_view::npos) return {};
    return rest;
}

pugi::xml_node WordNames::child(const pugi::xml_node& n, std::string_view localName) const {
    for (pugi::xml_node c : n.children())
        if (is(c, localName)) return c;
    return {};
}

std::optional<std::string_view> WordNames::attribute(const pugi::xml_node& n, std::string_view localName) const {
    for (pugi::xml_attribute a : n.attributes()) {
        const std::string_view name = a.name();
        if (name.size() == m_w.size() + localName.size() && name.starts_with(m_w) && name.ends_with(localName))
            return std::string_view(a.value());
    }
    return std::nullopt;
}

bool WordNames::isAlternateContent(const pugi::xml_node& n) const {
    return m_hasMc && n.name() == std::string_view(m_alternateContent);
}

pugi::xml_node WordNames::fallbackOf(const pugi::xml_node& n) const {
    for (pugi::xml_node c : n.children())
        if (c.name() == std::string_view(m_fallback)) return c;
    return {};
}

int EmphasisValue(std::string_view val) {
    if (val == "dot") return 1;
    if (val == "comma") return 2;
    if (val == "circle") return 3;
    if (val == "underDot") return 4;
    return 0;
}

}  // namespace tessaly::wordproc
