#include "wordproc/DocumentModel.h"

#include <algorithm>

#include "engine/Text.h"

namespace tessaly::wordproc {
namespace {

constexpr uint32_t kCR = u'\r';

bool IsParagraphMark(const Cell& c) { return c.code == kCR; }

// Cells for typed or pasted text: CR becomes a paragraph mark (which carries
// no emphasis mark), every other code point an ordinary character.
std::vector<Cell> CellsOf(std::u16string_view text, uint8_t emphasis) {
    std::vector<Cell> cells;
    cells.reserve(text.size());
    ForEachCodePoint(text, [&](char32_t cp) { cells.push_back(Cell{cp, cp == kCR ? uint8_t(0) : emphasis}); });
    return cells;
}

// Full-width ASCII forms fold to ASCII when MatchByte is off; letters fold
// to lower case when MatchCase is off.
char32_t Fold(char32_t c, bool matchByte, bool matchCase) {
    if (!matchByte && c >= 0xFF01 && c <= 0xFF5E) c = c - 0xFF01 + 0x21;
    if (!matchByte && c == 0x3000) c = 0x20;
    if (!matchCase && c >= u'A' && c <= u'Z') c = c - u'A' + u'a';
    return c;
}

}  // namespace

// What the find object keeps between uses. The engine sets Forward,
// MatchWholeWord, MatchAllWordForms, MatchSoundsLike and MatchFuzzy as Word
// wants them, but to the model's searches (a plain text replaced in the
// whole story, forward; a stretch of one emphasis mark) they change nothing,
// so they are not kept.
struct DocumentModel::FindState {
    std::u16string text;
    std::u16string replacement;
    FindWrap wrap = FindWrap::Stop;
    bool format = false;
    bool matchCase = false;
    bool matchByte = false;
    bool matchWildcards = false;
    int emphasisMark = -1;  // -1: no format to look for
};

namespace {

class ModelFind final : public Find {
public:
    explicit ModelFind(DocumentModel& model) : m_model(model) {}

    void ClearFormatting() override { state().emphasisMark = -1; }
    void ReplacementClearFormatting() override {}
    void SetText(const std::u16string& text) override { state().text = text; }
    void SetReplacementText(const std::u16string& text) override { state().replacement = text; }
    void SetForward(bool) override {}
    void SetWrap(FindWrap wrap) override { state().wrap = wrap; }
    void SetFormat(bool on) override { state().format = on; }
    void SetMatchCase(bool on) override { state().matchCase = on; }
    void SetMatchWholeWord(bool) override {}
    void SetMatchByte(bool on) override { state().matchByte = on; }
    void SetMatchAllWordForms(bool) override {}
    void SetMatchSoundsLike(bool) override {}
    void SetMatchWildcards(bool on) override { state().matchWildcards = on; }
    void SetMatchFuzzy(bool) override {}
    void SetFontEmphasisMark(int mark) override { state().emphasisMark = mark; }

    void ExecuteReplaceAll() override;
    bool ExecuteFormatSearch() override;

private:
    DocumentModel::FindState& state() { return m_model.findState(); }
    DocumentModel& m_model;
};

// One linear pass that rebuilds the story: every match of the search text
// among ordinary characters is replaced; fields never match.
void ModelFind::ExecuteReplaceAll() {
    const auto& s = state();
    if (s.matchWildcards) throw DocumentError("wildcard search is not supported");
    std::vector<char32_t> pattern;
    ForEachCodePoint(s.text, [&](char32_t cp) { pattern.push_back(Fold(cp, s.matchByte, s.matchCase)); });
    if (pattern.empty()) return;

    ModelDocument& doc = m_model.active();
    Story& story = doc.story();
    const size_t n = story.size();
    const size_t from = s.wrap == FindWrap::Stop ? static_cast<size_t>(doc.selection().Start) : 0;
    const bool needFormat = s.format && s.emphasisMark >= 0;

    // One character that no other character folds to is compared as it is
    // (fields never equal a character).
    const bool plain = pattern.size() == 1 && !needFormat && s.matchByte &&
                       (s.matchCase || !(pattern[0] >= u'a' && pattern[0] <= u'z'));
    auto matchesAt = [&](size_t i) {
        if (plain) return story[i].code == pattern[0];
        if (i + pattern.size() > story.size()) return false;
        for (size_t k = 0; k < pattern.size(); ++k) {
            const Cell& c = story[i + k];
            if (IsField(c) || Fold(c.code, s.matchByte, s.matchCase) != pattern[k] ||
                (needFormat && c.emphasis != s.emphasisMark))
                return false;
        }
        return true;
    };
    // Most documents hold few or none of the characters searched for: find
    // the first match before changing anything.
    size_t first = from;
    if (plain) first = story.find(pattern[0], from);
    else while (first < n && !matchesAt(first)) ++first;
    if (first >= n) return;

    // Replaced from left to right in the gap buffer: the gap only moves
    // forward, so the whole pass stays linear.
    size_t end = n;
    for (size_t i = first; i < end;) {
        if (plain) {
            i = story.find(pattern[0], i);
            if (i >= end) break;
        } else if (!matchesAt(i)) {
            ++i;
            continue;
        }
        const std::vector<Cell> cells = CellsOf(s.replacement, story[i].emphasis);
        story.replace(i, i + pattern.size(), cells);
        i += cells.size();
        end = end - pattern.size() + cells.size();
    }
    // The last paragraph mark stays: a replacement never ends the story.
    if (story.size() == 0 || story[story.size() - 1].code != kCR) story.append(Cell{kCR, 0});
    TextRange& sel = doc.selection();
    const int32_t last = static_cast<int32_t>(story.size()) - 1;
    sel.Start = std::min(sel.Start, last);
    sel.End = std::min(sel.End, last);
}

bool ModelFind::ExecuteFormatSearch() {
    auto& s = state();
    s.text.clear();
    s.wrap = FindWrap::Stop;
    s.format = true;
    if (s.emphasisMark < 0) return false;

    ModelDocument& doc = m_model.active();
    const Story& story = doc.story();
    const size_t n = story.size();
    auto carries = [&](size_t i) {
        return !IsParagraphMark(story[i]) && story[i].emphasis == s.emphasisMark;
    };
    size_t i = static_cast<size_t>(doc.selection().End);
    while (i < n && !carries(i)) ++i;
    if (i >= n) return false;
    size_t end = i;
    while (end < n && carries(end)) ++end;
    doc.selection() = TextRange{static_cast<int32_t>(i), static_cast<int32_t>(end)};
    return true;
}

class ModelDocuments final : public Documents {
public:
    explicit ModelDocuments(DocumentModel& model) : m_model(model) {}
    Document& Add() override;
    Document& Item(const std::u16string& name) override {
        ModelDocument* doc = m_model.find(name);
        if (!doc) throw DocumentError("no open document is named " + ToUtf8(name));
        return *doc;
    }

private:
    DocumentModel& m_model;
};

class ModelSelection final : public Selection {
public:
    explicit ModelSelection(DocumentModel& model) : m_model(model), m_find(model) {}

    std::u16string Text() const override;
    TextRange Range() const override { return m_model.active().selection(); }
    void Select(const TextRange& range) override;
    void SetFontEmphasisMark(int mark) override;
    void HomeKey(Unit unit, MoveMode mode) override;
    void EndKey(Unit unit) override;
    void MoveRight(Unit unit, int32_t count, MoveMode mode) override;
    void MoveLeft(Unit unit, int32_t count, MoveMode mode) override;
    void TypeText(const std::u16string& text) override;
    void Copy() override;
    std::optional<int32_t> FieldReadingLength() const override;
    EastAsianLayout FieldLayout() const override;
    void WholeStory() override;
    void Delete() override;
    void PasteSpecial(PasteDataType type) override;
    class Find& Find() override { return m_find; }

private:
    ModelDocument& doc() const { return m_model.active(); }
    TextRange& sel() const { return doc().selection(); }
    // The last position an insertion point can take: before the final paragraph mark.
    int32_t lastInsertionPoint() const { return static_cast<int32_t>(doc().story().size()) - 1; }
    void replaceSelection(const std::vector<Cell>& cells);

    DocumentModel& m_model;
    ModelFind m_find;
};

std::u16string ModelSelection::Text() const {
    const Story& story = doc().story();
    const TextRange r = sel();
    if (r.Start == r.End) {  // the one character after the insertion point: the walk's every step
        if (static_cast<size_t>(r.Start) >= story.size()) return {};
        const Cell& c = story[static_cast<size_t>(r.Start)];
        if (IsField(c)) return std::u16string(1, kFieldMark);
        if (c.code < 0x10000) return std::u16string(1, static_cast<char16_t>(c.code));
    }
    std::u16string text;
    const size_t end = r.Start == r.End ? static_cast<size_t>(r.Start) + 1 : static_cast<size_t>(r.End);
    for (size_t i = static_cast<size_t>(r.Start); i < end && i < story.size(); ++i) {
        const Cell& c = story[i];
        if (IsField(c)) text.push_back(kFieldMark);
        else AppendCodePoint(text, c.code);
    }
    return text;
}

void ModelSelection::Select(const TextRange& range) {
    const int32_t size = static_cast<int32_t>(doc().story().size());
    TextRange r{std::clamp(range.Start, 0, size), std::clamp(range.End, 0, size)};
    if (r.End < r.Start) std::swap(r.Start, r.End);
    if (r.Start == r.End) r.Start = r.End = std::min(r.Start, lastInsertionPoint());
    sel() = r;
}

void ModelSelection::SetFontEmphasisMark(int mark) {
    Story& story = doc().story();
    const TextRange r = sel();
    for (int32_t i = r.Start; i < r.End; ++i)
        if (!IsParagraphMark(story[static_cast<size_t>(i)])) story[static_cast<size_t>(i)].emphasis = uint8_t(mark);
}

void ModelSelection::HomeKey(Unit unit, MoveMode mode) {
    if (unit != Unit::Story) throw DocumentError("HomeKey supports the story unit only");
    TextRange& r = sel();
    r = mode == MoveMode::Extend ? TextRange{0, r.End} : TextRange{0, 0};
}

void ModelSelection::EndKey(Unit unit) {
    if (unit != Unit::Story) throw DocumentError("EndKey supports the story unit only");
    const int32_t p = lastInsertionPoint();
    sel() = TextRange{p, p};
}

void ModelSelection::MoveRight(Unit unit, int32_t count, MoveMode mode) {
    if (unit != Unit::Character) throw DocumentError("MoveRight supports the character unit only");
    TextRange& r = sel();
    if (mode == MoveMode::Extend) {
        r.End = std::min(r.End + count, static_cast<int32_t>(doc().story().size()));
        return;
    }
    if (count <= 0) return;
    if (r.Start != r.End) {  // collapsing counts as the first move
        r.Start = r.End = std::min(r.End, lastInsertionPoint());
        --count;
    }
    const int32_t p = std::min(r.End + count, lastInsertionPoint());
    r = TextRange{std::max(p, r.End), std::max(p, r.End)};
}

void ModelSelection::MoveLeft(Unit unit, int32_t count, MoveMode mode) {
    if (unit != Unit::Character) throw DocumentError("MoveLeft supports the character unit only");
    TextRange& r = sel();
    if (mode == MoveMode::Extend) {
        r.Start = std::max(r.Start - count, 0);
        return;
    }
    if (count <= 0) return;
    if (r.Start != r.End) {
        r.End = r.Start;
        --count;
    }
    const int32_t p = std::max(r.Start - count, 0);
    r = TextRange{p, p};
}

void ModelSelection::replaceSelection(const std::vector<Cell>& cells) {
    Story& story = doc().story();
    TextRange& r = sel();
    story.replace(static_cast<size_t>(r.Start), static_cast<size_t>(r.End), cells);
    const int32_t p = r.Start + static_cast<int32_t>(cells.size());
    r = TextRange{p, p};
}

void ModelSelection::TypeText(const std::u16string& text) {
    const Story& story = doc().story();
    const TextRange r = sel();
    uint8_t emphasis = 0;
    if (r.Start != r.End) emphasis = story[static_cast<size_t>(r.Start)].emphasis;
    else if (r.Start > 0) emphasis = story[static_cast<size_t>(r.Start - 1)].emphasis;
    replaceSelection(CellsOf(text, emphasis));
}

void ModelSelection::Copy() {
    const Story& story = doc().story();
    const TextRange r = sel();
    if (r.Start == r.End) throw DocumentError("nothing is selected to copy");
    std::u16string& text = m_model.clipboardForCopy();
    for (int32_t i = r.Start; i < r.End; ++i) {
        const Cell& c = story[static_cast<size_t>(i)];
        if (IsField(c)) text += story.fieldText(c);
        else AppendCodePoint(text, c.code);
    }
}

std::optional<int32_t> ModelSelection::FieldReadingLength() const {
    const Story& story = doc().story();
    const TextRange r = sel();
    if (r.End != r.Start + 1 || static_cast<size_t>(r.End) > story.size()) return std::nullopt;
    const Cell& c = story[static_cast<size_t>(r.Start)];
    return IsField(c) ? story.fieldReadingLength(c) : std::nullopt;
}

EastAsianLayout ModelSelection::FieldLayout() const {
    const Story& story = doc().story();
    const TextRange r = sel();
    if (r.End != r.Start + 1 || static_cast<size_t>(r.End) > story.size()) return EastAsianLayout::None;
    const Cell& c = story[static_cast<size_t>(r.Start)];
    return IsField(c) ? story.fieldLayout(c) : EastAsianLayout::None;
}

void ModelSelection::WholeStory() {
    sel() = TextRange{0, static_cast<int32_t>(doc().story().size())};
}

void ModelSelection::Delete() {
    TextRange& r = sel();
    const int32_t last = lastInsertionPoint();
    if (r.Start == r.End) {
        if (r.Start < last) r.End = r.Start + 1;
        else return;
    }
    r.End = std::min(r.End, last);  // the final paragraph mark stays
    if (r.Start >= r.End) {
        r.End = r.Start;
        return;
    }
    replaceSelection({});
}

void ModelSelection::PasteSpecial(PasteDataType type) {
    if (type != PasteDataType::Text) throw DocumentError("only unformatted text can be pasted");
    replaceSelection(CellsOf(m_model.clipboardText(), 0));
}

Document& ModelDocuments::Add() {
    return m_model.add({});
}

}  // namespace

ModelDocument::ModelDocument(DocumentModel& model, std::u16string name) : m_model(model), m_name(std::move(name)) {
    m_story.append(Cell{kCR, 0});
}

void ModelDocument::Activate() { m_model.activate(*this); }

void ModelDocument::Close(SaveChanges) { m_model.close(*this); }

DocumentModel::DocumentModel(std::u16string mainDocumentName)
    : m_mainName(mainDocumentName), m_find(std::make_unique<FindState>()),
      m_documentsObject(std::make_unique<ModelDocuments>(*this)),
      m_selectionObject(std::make_unique<ModelSelection>(*this)) {
    add(std::move(mainDocumentName));
}

DocumentModel::~DocumentModel() = default;

Documents& DocumentModel::Documents() { return *m_documentsObject; }
Document& DocumentModel::ActiveDocument() { return active(); }
Selection& DocumentModel::Selection() { return *m_selectionObject; }

Clipboard::Status DocumentModel::ReadText(std::u16string& text) {
    if (!m_clipboard) return Status::NoText;
    text = *m_clipboard;
    return Status::Ok;
}

ModelDocument& DocumentModel::active() {
    if (!m_active) throw DocumentError("no document is open");
    return *m_active;
}

ModelDocument* DocumentModel::find(const std::u16string& name) {
    for (auto& d : m_documents)
        if (d->Name() == name) return d.get();
    return nullptr;
}

ModelDocument& DocumentModel::mainDocument() {
    ModelDocument* doc = find(m_mainName);
    if (!doc) throw DocumentError("the main document is closed");
    return *doc;
}

const ModelDocument& DocumentModel::mainDocument() const {
    return const_cast<DocumentModel*>(this)->mainDocument();
}

ModelDocument& DocumentModel::add(std::u16string name) {
    while (name.empty() || find(name)) name = u"文書" + FromUtf8(std::to_string(m_newDocumentNumber++));
    m_documents.push_back(std::make_unique<ModelDocument>(*this, std::move(name)));
    m_active = m_documents.back().get();
    return *m_active;
}

void DocumentModel::activate(ModelDocument& doc) { m_active = &doc; }

void DocumentModel::close(ModelDocument& doc) {
    auto it = std::find_if(m_documents.begin(), m_documents.end(), [&](auto& d) { return d.get() == &doc; });
    if (it == m_documents.end()) return;
    const bool wasActive = m_active == it->get();
    m_documents.erase(it);
    if (wasActive) m_active = m_documents.empty() ? nullptr : m_documents.front().get();
}

PositionView DocumentModel::at(size_t i) const {
    const Story& story = mainDocument().story();
    const Cell& c = story[i];
    PositionView v;
    v.emphasis = c.emphasis;
    if (IsField(c)) {
        v.isField = true;
        v.code = kFieldMark;
        v.fieldText = story.fieldText(c);
        v.readingLength = story.fieldReadingLength(c);
        v.layout = story.fieldLayout(c);
    } else {
        v.code = c.code;
    }
    return v;
}

std::u16string DocumentModel::plainText() const {
    std::u16string text;
    const Story& story = mainDocument().story();
    for (size_t i = 0; i < story.size(); ++i) {
        const Cell& c = story[i];
        if (IsField(c)) text += story.fieldText(c);
        else AppendCodePoint(text, c.code);
    }
    return text;
}

}  // namespace tessaly::wordproc
