// One line describing an XML tree as the .docx reader sees it: each element
// as name[attribute=value;...](children), each text as 'text'. Both trees
// the reader may walk are described alike, so they can be compared.
#pragma once

#include <pugixml.hpp>
#include <string>

#include "wordproc/XmlTree.h"

namespace tessaly::testing {

inline constexpr unsigned kDocxParseFlags = pugi::parse_default | pugi::parse_ws_pcdata_single;

inline std::string DescribeXml(const wordproc::XmlTree::Node& n) {
    if (n.isText()) return std::string("'").append(n.value()).append("'");
    std::string s(n.name());
    s += '[';
    n.forEachAttribute([&](std::string_view name, std::string_view value) { s.append(name).append("=").append(value).append(";"); });
    s += "](";
    for (auto c = n.firstChild(); c; c = c.nextSibling()) s += DescribeXml(c);
    return s + ")";
}

inline std::string DescribeXml(const pugi::xml_node& n) {
    if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) return std::string("'").append(n.value()).append("'");
    std::string s = n.name();
    s += '[';
    for (auto a : n.attributes()) s.append(a.name()).append("=").append(a.value()).append(";");
    s += "](";
    for (auto c : n.children()) s += DescribeXml(c);
    return s + ")";
}

}  // namespace tessaly::testing
