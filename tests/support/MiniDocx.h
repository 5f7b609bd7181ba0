// Writes a minimal .docx whose body is the given WordprocessingML, for
// tests that need a manuscript of a particular shape.
#pragma once

#include <zip.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace tessaly::testing {

// A run of text; rPr is optional run-property XML.
inline std::string TextRun(const std::string& text, const std::string& rPr = "") {
    return "<w:r>" + (rPr.empty() ? "" : "<w:rPr>" + rPr + "</w:rPr>") + "<w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}

// A w:ruby with reading over base.
inline std::string Ruby(const std::string& reading, const std::string& base) {
    return "<w:r><w:ruby><w:rubyPr/><w:rt>" + TextRun(reading) + "</w:rt><w:rubyBase>" + TextRun(base) + "</w:rubyBase></w:ruby></w:r>";
}

// stored: the main part is kept uncompressed, so that a test can find and
// alter its bytes in the file. stylesXml: the w:style elements of a styles
// part, when there is to be one.
inline void WriteMiniDocx(const std::filesystem::path& file, const std::string& paragraphsXml, bool stored = false,
                          const std::string& stylesXml = "") {
    static const std::string rels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"r\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"word/document.xml\"/></Relationships>";
    const std::string document =
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>" + paragraphsXml +
        "</w:body></w:document>";
    const std::string styles =
        "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">" + stylesXml + "</w:styles>";
    int error = 0;
    zip_t* z = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) throw std::runtime_error("cannot create " + file.string());
    for (const auto& [name, data] : {std::pair{"_rels/.rels", &rels}, std::pair{"word/document.xml", &document},
                                     std::pair{"word/styles.xml", &styles}}) {
        if (data == &styles && stylesXml.empty()) continue;
        zip_source_t* s = zip_source_buffer(z, data->data(), data->size(), 0);
        const zip_int64_t index = s ? zip_file_add(z, name, s, ZIP_FL_OVERWRITE) : -1;
        if (index < 0) throw std::runtime_error("cannot add " + std::string(name));
        if (stored && zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0) != 0)
            throw std::runtime_error("cannot store " + std::string(name));
    }
    if (zip_close(z) != 0) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace tessaly::testing
