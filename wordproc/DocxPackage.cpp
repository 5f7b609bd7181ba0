#include "wordproc/DocxPackage.h"

#include <zip.h>

#include <cstring>
#include <vector>

#include "wordproc/DocxXml.h"
#include "wordproc/ReadError.h"

namespace tessaly::wordproc {

DocxPackage::DocxPackage(std::string_view bytes, const std::filesystem::path& file) : m_file(file) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source) m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    const int code = zip_error_code_zip(&error);
    zip_error_fini(&error);
    if (m_zip) return;
    if (source) zip_source_free(source);
    if (code == ZIP_ER_NOZIP && !bytes.starts_with(std::string_view("PK\x03\x04", 4)))
        throw ReadError(ReadErrorKind::NotWordDocument, file, "ZIP 形式ではないため、Word 文書（.docx）として読み込めません。");
    throw ReadError(ReadErrorKind::Damaged, file, "ZIP 形式が壊れているか、途中で切れています。");
}

DocxPackage::~DocxPackage() { zip_discard(m_zip); }

void DocxPackage::damaged(const std::string& name) const {
    throw ReadError(ReadErrorKind::Damaged, m_file, "ファイルが壊れているか途中で切れています（" + name + " を展開できません）。");
}

void DocxPackage::tooLarge(const std::string& name) const {
    throw ReadError(ReadErrorKind::TooLarge, m_file,
                    "展開後の大きさが上限（" + std::to_string(kMaxDocxPartBytes >> 20) + " MB）を超えるため読み込めません（" +
                        name + "）。");
}

std::optional<std::string> DocxPackage::read(const std::string& name) {
    const zip_int64_t index = zip_name_locate(m_zip, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0) return std::nullopt;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, static_cast<zip_uint64_t>(index), 0, &st) != 0) damaged(name);
    if ((st.valid & ZIP_STAT_SIZE) && st.size > kMaxDocxPartBytes) tooLarge(name);
    zip_file_t* f = zip_fopen_index(m_zip, static_cast<zip_uint64_t>(index), 0);
    if (!f) {
        if (zip_error_code_zip(zip_get_error(m_zip)) == ZIP_ER_NOPASSWD)
            throw ReadError(ReadErrorKind::Encrypted, m_file, "ZIP の中身が暗号化されているため読み込めません。");
        damaged(name);
    }
    // Read piece by piece up to one byte past the limit: the stated size
    // may lie.
    std::string data;
    data.reserve((st.valid & ZIP_STAT_SIZE) ? static_cast<size_t>(st.size) : 0);
    constexpr size_t kPiece = size_t(1) << 18;
    for (;;) {
        const size_t used = data.size();
        data.resize(used + kPiece);
        const zip_int64_t got = zip_fread(f, data.data() + used, kPiece);
        if (got < 0) {
            zip_fclose(f);
            damaged(name);
        }
        data.resize(used + static_cast<size_t>(got));
        if (data.size() > kMaxDocxPartBytes) {
            zip_fclose(f);
            tooLarge(name);
        }
        if (got == 0) break;
    }
    zip_fclose(f);
    return data;
}

std::optional<std::string> DocxPackage::relationship(const std::string& sourcePart, std::string_view typeSuffix) {
    auto targets = relationships(sourcePart, typeSuffix);
    if (targets.empty()) return std::nullopt;
    return targets.front();
}

std::vector<std::string> DocxPackage::relationships(const std::string& sourcePart, std::string_view typeSuffix) {
    const std::string folder = FolderOf(sourcePart);
    const std::string relsName = folder + "_rels/" + sourcePart.substr(folder.size()) + ".rels";
    auto data = read(relsName);
    if (!data) return {};
    const pugi::xml_document doc = ParseXmlPart(*data, relsName, m_file);
    std::vector<std::string> targets;
    for (pugi::xml_node rel : doc.document_element().children()) {
        const char* name = rel.name();
        const char* colon = std::strchr(name, ':');
        if (std::strcmp(colon ? colon + 1 : name, "Relationship") != 0) continue;
        if (!std::string_view(rel.attribute("Type").value()).ends_with(typeSuffix)) continue;
        if (std::string_view(rel.attribute("TargetMode").value()) == "External") continue;
        targets.push_back(ResolveTarget(folder, rel.attribute("Target").value()));
    }
    return targets;
}

std::string FolderOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string ResolveTarget(const std::string& folder, const std::string& target) {
    const std::string path = target.starts_with('/') ? target.substr(1) : folder + target;
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string segment = path.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& s : segments) out += (out.empty() ? "" : "/") + s;
    return out;
}

}  // namespace tessaly::wordproc
