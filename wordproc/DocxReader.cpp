#include "wordproc/DocxReader.h"

#include "engine/Text.h"
#include "platform/Files.h"
#include "wordproc/DocxBody.h"
#include "wordproc/DocxStyles.h"
#include "wordproc/DocxXml.h"
#include "wordproc/StoryAssembler.h"
#include "wordproc/XmlBlockScanner.h"

namespace tessaly::wordproc {
namespace {

DocxStyles ReadStyles(DocxPackage& package, const std::string& mainPart, const std::filesystem::path& file) {
    const std::string part = package.relationship(mainPart, "/styles").value_or(FolderOf(mainPart) + "styles.xml");
    auto data = package.read(part);
    if (!data) return {};
    const pugi::xml_document doc = ParseXmlPart(*data, part, file);
    return DocxStyles(doc.document_element());
}

// The numbering part; none is a part without lists.
DocxNumbering ReadNumbering(DocxPackage& package, const std::string& mainPart, const std::filesystem::path& file,
                            const DocxStyles& styles, LeftOut* leftOut) {
    const auto part = package.relationship(mainPart, "/numbering");
    auto data = part ? package.read(*part) : std::nullopt;
    if (!data) return {};
    const pugi::xml_document doc = ParseXmlPart(*data, *part, file);
    return DocxNumbering(doc.document_element(), styles, leftOut);
}

// Refuses a part nested deeper than the main part may be: the body's walk
// recurses into a note as into a block.
void CheckDepth(const pugi::xml_document& doc) {
    struct Depth : pugi::xml_tree_walker {
        bool for_each(pugi::xml_node&) override {
            if (depth() >= kMaxXmlDepth) throw XmlTooDeep("要素の入れ子が " + std::to_string(kMaxXmlDepth) + " 段を超えています");
            return true;
        }
    } walker;
    const_cast<pugi::xml_document&>(doc).traverse(walker);
}

// The footnote and endnote parts, parsed where they lie, and their notes by id.
struct NoteParts {
    std::string footnoteData, endnoteData;
    pugi::xml_document footnoteDoc, endnoteDoc;
    DocxNotes notes;
};

void ReadNoteParts(DocxPackage& package, const std::string& mainPart, const std::filesystem::path& file, NoteParts& parts) {
    auto read = [&](const char* type, std::string& data, pugi::xml_document& doc, std::map<std::string, pugi::xml_node, std::less<>>& notes,
                    WordNames& names) {
        const auto part = package.relationship(mainPart, type);
        auto bytes = part ? package.read(*part) : std::nullopt;
        if (!bytes) return;
        data = std::move(*bytes);
        doc = ParseXmlPart(data, *part, file);
        CheckDepth(doc);
        names = WordNames(doc.document_element());
        for (pugi::xml_node n : doc.document_element().children())
            if (const auto id = names.attribute(n, "id")) notes.emplace(std::string(*id), n);
    };
    read("/footnotes", parts.footnoteData, parts.footnoteDoc, parts.notes.footnotes, parts.notes.footnoteNames);
    read("/endnotes", parts.endnoteData, parts.endnoteDoc, parts.notes.endnotes, parts.notes.endnoteNames);
}

// The stories of the other parts: notes (unless they stand at their
// references), comments, headers and footers.
void RecordOtherStories(DocxPackage& package, const std::string& mainPart, const std::filesystem::path& file, LeftOut& leftOut,
                        bool notesTaken) {
    const std::pair<const char*, const char*> kinds[] = {
        {"/footnotes", "脚注"}, {"/endnotes", "文末脚注"}, {"/comments", "コメント"}, {"/header", "ヘッダー"}, {"/footer", "フッター"}};
    for (const auto& [type, kind] : kinds) {
        if (notesTaken && std::string_view(type).ends_with("notes")) continue;
        for (const std::string& part : package.relationships(mainPart, type)) {
            auto data = package.read(part);
            if (!data) continue;
            const pugi::xml_document doc = ParseXmlPart(*data, part, file);
            const WordNames names(doc.document_element());
            const PartContent content = ExamineContent(doc.document_element(), names);
            leftOut.addStory({kind, content.rubies + content.textBoxRubies, 0, content.hasText || content.textBoxText});
        }
    }
}

}  // namespace

std::unique_ptr<DocumentModel> ReadDocx(std::string_view bytes, const std::filesystem::path& file, LeftOut* leftOut,
                                        const ReadOptions& options) {
    DocxPackage package(bytes, file);
    const auto mainPart = package.relationship("", "/officeDocument");
    if (!mainPart)
        throw ReadError(ReadErrorKind::NotWordDocument, file, "パッケージに Word 文書の本文が見つからないため読み込めません。");
    const DocxStyles styles = ReadStyles(package, *mainPart, file);
    auto xml = package.read(*mainPart);
    if (!xml)
        throw ReadError(ReadErrorKind::NotWordDocument, file,
                        "Word 文書の本文（" + *mainPart + "）がパッケージにないため読み込めません。");

    auto model = std::make_unique<DocumentModel>(FromUtf8(platform::PathToUtf8(file.filename())));
    DocumentBuilder builder(*model);
    StoryAssembler story(builder, leftOut);
    std::optional<DocxNumbering> numbering;
    if (options.numbersAsText) numbering = ReadNumbering(package, *mainPart, file, styles, leftOut);
    DocxBody body(styles, story, leftOut, numbering ? &*numbering : nullptr);
    NoteParts noteParts;
    XmlBlockScanner scanner(*xml);
    try {
        if (options.notesAsFootnotes) {
            ReadNoteParts(package, *mainPart, file, noteParts);
            body.setNotes(&noteParts.notes);
        }
        std::string_view text;
        size_t offset = 0;
        for (;;) {
            const XmlBlockScanner::Piece piece = scanner.next(text, offset);
            if (piece == XmlBlockScanner::Piece::End) break;
            if (piece == XmlBlockScanner::Piece::Root) {
                // The root's start tag alone, closed, for its namespace declarations.
                std::string tag(text.ends_with("/>") ? text : text.substr(0, text.size() - 1));
                if (!tag.ends_with("/>")) tag += "/>";
                const pugi::xml_document root = ParseXmlPiece(tag.data(), tag.size(), offset, *mainPart, file);
                body.setNames(WordNames(root.document_element()));
                continue;
            }
            // The scanner is past the block: it is parsed where it lies.
            const pugi::xml_document block = ParseXmlPiece(xml->data() + offset, text.size(), offset, *mainPart, file);
            body.block(block.document_element());
        }
        if (!scanner.sawBody())
            throw ReadError(ReadErrorKind::NotWordDocument, file, "Word 文書の本文（w:body）がないため読み込めません。");
        story.finish();
        if (leftOut) RecordOtherStories(package, *mainPart, file, *leftOut, options.notesAsFootnotes);
    } catch (const XmlTooDeep& e) {
        throw ReadError(ReadErrorKind::TooLarge, file,
                        "入れ子が深すぎるため読み込めません（" + *mainPart + "、" + e.what() + "）。");
    } catch (const StoryTooLong& e) {
        throw ReadError(ReadErrorKind::TooLarge, file, e.what());
    } catch (const XmlScanError& e) {
        throw ReadError(ReadErrorKind::Damaged, file, "XML が壊れています（" + *mainPart + "、" + e.what() + "）。");
    }
    return model;
}

}  // namespace tessaly::wordproc
