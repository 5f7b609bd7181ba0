// Writes a minimal .docx whose body is the given WordprocessingML, for
// tests that need a manuscript of a particular shape.
#pragma once

#include <zip.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/Files.h"

namespace tessaly::testing {

// A run of text; rPr is optional run-property XML.
inline std::string TextRun(const std::string& text, const std::string& rPr = "") {
    return "<w:r>" + (rPr.empty() ? "" : "<w:rPr>" + rPr + "</w:rPr>") + "<w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}

// A w:ruby with reading over base.
inline std::string Ruby(const std::string& reading, const std::string& base) {
    return "<w:r><w:ruby><w:rubyPr/><w:rt>" + TextRun(reading) + "</w:rt><w:rubyBase>" + TextRun(base) + "</w:rubyBase></w:ruby></w:r>";
}

// The parts beside the main one, each given by the elements inside its root.
struct DocxParts {
    std::string styles;     // w:style elements
    std::string numbering;  // w:abstractNum and w:num elements
    std::string footnotes;  // w:footnote elements
    std::string endnotes;   // w:endnote elements
};

// stored: the main part is kept uncompressed, so that a test can find and
// alter its bytes in the file. The styles part is found by its name, the
// others through the main part's relationships.
inline void WriteDocx(const std::filesystem::path& file, const std::string& paragraphsXml, const DocxParts& parts,
                      bool stored = false) {
    static const std::string rels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"r\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"word/document.xml\"/></Relationships>";
    const std::string ns = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
    std::vector<std::pair<std::string, std::string>> entries = {
        {"_rels/.rels", rels}, {"word/document.xml", "<w:document " + ns + "><w:body>" + paragraphsXml + "</w:body></w:document>"}};
    if (!parts.styles.empty()) entries.emplace_back("word/styles.xml", "<w:styles " + ns + ">" + parts.styles + "</w:styles>");
    std::string documentRels;
    for (const auto& [name, root, xml] : {std::tuple{"numbering", "w:numbering", &parts.numbering},
                                          std::tuple{"footnotes", "w:footnotes", &parts.footnotes},
                                          std::tuple{"endnotes", "w:endnotes", &parts.endnotes}}) {
        if (xml->empty()) continue;
        entries.emplace_back(std::string("word/") + name + ".xml", std::string("<") + root + " " + ns + ">" + *xml + "</" + root + ">");
        documentRels += std::string("<Relationship Id=\"") + name + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                        "relationships/" + name + "\" Target=\"" + name + ".xml\"/>";
    }
    if (!documentRels.empty())
        entries.emplace_back("word/_rels/document.xml.rels",
                             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" + documentRels +
                                 "</Relationships>");
    int error = 0;
    zip_t* z = zip_open(platform::PathToUtf8(file).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) throw std::runtime_error("cannot create " + file.string());
    for (const auto& [name, data] : entries) {
        zip_source_t* s = zip_source_buffer(z, data.data(), data.size(), 0);
        const zip_int64_t index = s ? zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE) : -1;
        if (index < 0) throw std::runtime_error("cannot add " + name);
        if (stored && zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0) != 0)
            throw std::runtime_error("cannot store " + name);
    }
    if (zip_close(z) != 0) throw std::runtime_error("cannot write " + file.string());
}

// A package of the main part and, when given, the w:style elements of a styles part.
inline void WriteMiniDocx(const std::filesystem::path& file, const std::string& paragraphsXml, bool stored = false,
                          const std::string& stylesXml = "") {
    WriteDocx(file, paragraphsXml, DocxParts{stylesXml, {}, {}, {}}, stored);
}

}  // namespace tessaly::testing
