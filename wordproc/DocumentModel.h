// DocumentModel: the embedded word processor. It holds a set of named
// documents, the selection of the active one, the find object and a
// clipboard of its own, and gives every SourceDocument operation the
// behaviour the conversion engine relies on. Readers fill it through
// DocumentBuilder; the model itself never parses a file.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/EngineHost.h"
#include "engine/SourceDocument.h"
#include "wordproc/Story.h"

namespace tessaly::wordproc {

class DocumentModel;

// One open document of the model.
class ModelDocument final : public Document {
public:
    ModelDocument(DocumentModel& model, std::u16string name);

    std::u16string Name() const override { return m_name; }
    int32_t CharactersCount() const override { return static_cast<int32_t>(m_story.size()); }
    void Activate() override;
    void Close(SaveChanges save) override;

    Story& story() { return m_story; }
    const Story& story() const { return m_story; }
    TextRange& selection() { return m_selection; }

private:
    DocumentModel& m_model;
    std::u16string m_name;
    Story m_story;
    TextRange m_selection;
};

// A read-only view of one position, for readers' tests and tools.
struct PositionView {
    char32_t code = 0;               // the character; U+0015 for a field
    int emphasis = 0;
    bool isField = false;
    std::u16string_view fieldText;   // the field's plain text
    std::optional<int32_t> readingLength;  // where its reading ends, in code points, when known
    EastAsianLayout layout = EastAsianLayout::None;  // the layout the field stands for
};

class DocumentModel final : public SourceDocument, public Clipboard {
public:
    // A model holding one empty document (a single paragraph mark) of that name.
    explicit DocumentModel(std::u16string mainDocumentName = u"文書1");
    DocumentModel(DocumentModel&&) = delete;
    ~DocumentModel() override;

    // SourceDocument
    class Documents& Documents() override;
    Document& ActiveDocument() override;
    class Selection& Selection() override;

    // Clipboard: the model's own, full Unicode and without length limit.
    Status ReadText(std::u16string& text) override;
    // The copied text; empty when nothing was copied.
    const std::u16string& clipboardText() const {
        static const std::u16string none;
        return m_clipboard ? *m_clipboard : none;
    }

    // The main document (the one the model was made with), while it is open.
    ModelDocument& mainDocument();
    const ModelDocument& mainDocument() const;

    // Positions of the main document.
    size_t size() const { return mainDocument().story().size(); }
    PositionView at(size_t i) const;
    // The main story's plain text: fields give their plain text.
    std::u16string plainText() const;

    // Used by the implementation classes.
    ModelDocument& active();
    ModelDocument* find(const std::u16string& name);
    ModelDocument& add(std::u16string name);
    void activate(ModelDocument& doc);
    void close(ModelDocument& doc);
    // The clipboard emptied for a copy to fill: its storage is kept from one
    // copy to the next, as the walk copies every field.
    std::u16string& clipboardForCopy() {
        if (!m_clipboard) m_clipboard.emplace();
        m_clipboard->clear();
        return *m_clipboard;
    }

    struct FindState;
    FindState& findState() { return *m_find; }

    // What filling the model left out of the text it was given: control
    // characters other than TAB, LF and CR (dropped; inside a field, CR
    // too), and UTF-16 surrogates without their other half (each replaced
    // by U+FFFD).
    struct Cleaned {
        size_t controls = 0;
        size_t surrogates = 0;
    };
    Cleaned& cleaned() { return m_cleaned; }
    const Cleaned& cleaned() const { return m_cleaned; }

private:
    std::vector<std::unique_ptr<ModelDocument>> m_documents;
    ModelDocument* m_active = nullptr;
    std::u16string m_mainName;
    std::optional<std::u16string> m_clipboard;  // nothing until the first copy
    int m_newDocumentNumber = 1;
    std::unique_ptr<FindState> m_find;
    std::unique_ptr<class Documents> m_documentsObject;
    std::unique_ptr<class Selection> m_selectionObject;
    Cleaned m_cleaned;
};

}  // namespace tessaly::wordproc
