// What the .docx readers share about WordprocessingML's XML: parsing a part
// with pugixml, and telling the elements of the WordprocessingML namespace
// by whatever prefix the part gives it.
#pragma once

#include <filesystem>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace tessaly::wordproc {

// Parses XML text in place; malformed XML is refused as a damaged file,
// naming the part and the byte where the fault lies (counted from offset).
pugi::xml_document ParseXmlPart(std::string& data, const std::string& part, const std::filesystem::path& file);
// The same for a piece of a part (one body child) that starts at offset in
// it, parsed where it lies: its bytes are overwritten.
pugi::xml_document ParseXmlPiece(char* text, size_t size, size_t offset, const std::string& part,
                                 const std::filesystem::path& file);

// The prefixes a part gives the WordprocessingML and markup-compatibility
// namespaces, and the names made with them.
class WordNames {
public:
    // From the namespace declarations on a part's root element; "w:" when
    // the part declares none.
    explicit WordNames(const pugi::xml_node& root);
    WordNames() : WordNames(pugi::xml_node()) {}

    // The local name of an element of the WordprocessingML namespace, or "".
    std::string_view local(const pugi::xml_node& n) const;
    bool is(const pugi::xml_node& n, std::string_view localName) const { return local(n) == localName; }
    // The first child element of that local name, or a null node.
    pugi::xml_node child(const pugi::xml_node& n, std::string_view localName) const;
    // The value of a WordprocessingML attribute, or nothing.
    std::optional<std::string_view> attribute(const pugi::xml_node& n, std::string_view localName) const;

    // mc:AlternateContent, and the choice a reader without extensions takes
    // from it: its mc:Fallback.
    bool isAlternateContent(const pugi::xml_node& n) const;
    pugi::xml_node fallbackOf(const pugi::xml_node& n) const;

private:
    std::string m_w;  // "w:" or whatever the part uses
    std::string m_alternateContent;
    std::string m_fallback;
    bool m_hasMc = false;
};

// The emphasis mark of a w:em value, in the model's numbering.
int EmphasisValue(std::string_view val);

}  // namespace tessaly::wordproc
