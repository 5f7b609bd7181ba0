#include "wordproc/DocReader.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include "engine/Text.h"
#include "platform/Files.h"
#include "wordproc/DocLists.h"
#include "wordproc/DocTables.h"
#include "wordproc/OleContainer.h"
#include "wordproc/StoryAssembler.h"
#include "wordproc/SymbolFonts.h"

namespace tessaly::wordproc {
namespace {

using namespace doc;

constexpr const char* kPasswordProtected =
    "パスワードで保護（暗号化）されているため読み込めません。保護を解除して保存し直してください。";
constexpr size_t kMaxStreamBytes = size_t(512) << 20;

// Code page 1252 for the bytes 0x80-0x9F of compressed text; other bytes
// are their own code points.
char32_t FromCp1252(uint8_t b) {
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return b >= 0x80 && b <= 0x9F ? kHigh[b - 0x80] : b;
}

// The index of the first character below U+0020 (a paragraph mark, field
// mark or other special character) at or after k, or text.size().
size_t NextControlCharacter(std::u16string_view text, size_t k) {
    while (k < text.size() && text[k] >= 0x20) ++k;
    return k;
}

// Follows the runs of a sorted table through increasing file offsets.
template <class T>
class RunCursor {
public:
    RunCursor(const std::vector<FcRun<T>>& runs, uint32_t fc) : m_runs(runs) {
        m_index = static_cast<size_t>(std::upper_bound(runs.begin(), runs.end(), fc,
                                                       [](uint32_t f, const FcRun<T>& r) { return f < r.fcStart; }) -
                                      runs.begin());
        if (m_index > 0) --m_index;
    }
    // The run holding fc, or nullptr; fc never decreases between calls.
    const T* at(uint32_t fc) {
        while (m_index < m_runs.size() && m_runs[m_index].fcEnd <= fc) ++m_index;
        return m_index < m_runs.size() && m_runs[m_index].fcStart <= fc ? &m_runs[m_index].value : nullptr;
    }
    // The first offset after the last at(fc) where the answer may change.
    uint32_t boundary(uint32_t fc) const {
        if (m_index >= m_runs.size()) return UINT32_MAX;
        return m_runs[m_index].fcStart <= fc ? m_runs[m_index].fcEnd : m_runs[m_index].fcStart;
    }

private:
    const std::vector<FcRun<T>>& m_runs;
    size_t m_index = 0;
};

class DocReader {
public:
    DocReader(std::string bytes, const std::filesystem::path& file, LeftOut* leftOut, const ReadOptions& options)
        : m_bytes(std::move(bytes)), m_file(file), m_leftOut(leftOut), m_options(options) {}
    std::unique_ptr<DocumentModel> read();

private:
    [[noreturn]] void damaged(const std::string& what) const {
        throw ReadError(ReadErrorKind::Damaged, m_file, "ファイルが壊れているか途中で切れています（" + what + "）。");
    }
    // The WordDocument and table streams, out of the container.
    void openStreams(std::string_view container);
    void readTables();
    std::optional<int> styleEmphasis(uint16_t istd, int depth = 0) const;
    // A numbered paragraph's number, at its start.
    void number(StoryAssembler& story, const ParaProps* para);
    void findParagraphProps();
    // Whether numbers are written.
    bool numbering() const { return m_numbering && m_numbering->readable(); }
    // The characters of the stories' text from cp to end, as the pieces give them.
    std::u16string storyText(uint32_t cp, uint32_t end) const;
    // The stories after the main one: notes, headers, comments, text boxes.
    void recordOtherStories();
    // A run's own properties, the piece's modifier applied after the page's.
    static CharProps directProps(const CharProps* run, const Piece& piece);
    int emphasisOf(const CharProps& direct, const uint16_t* paragraphStyle) const;
    // Symbol characters shown as their fonts show them, in place.
    void resolveSymbols(std::u16string_view segment, const CharProps& props);
    void emitStory(StoryAssembler& story);
    void emitPiece(StoryAssembler& story, const Piece& piece, uint32_t cpFrom, uint32_t cpTo);
    // The characters of the stories from cp from to to, piece by piece.
    void emitRange(StoryAssembler& story, uint32_t from, uint32_t to);
    void emitNote(StoryAssembler& story, const DocNote& note);
    // The footnotes and endnotes by their references, when they are taken.
    void readNotes();
    // The characters of a piece from i to segmentEnd into m_segment.
    std::u16string_view decodeSegment(const Piece& piece, const unsigned char* text, size_t i, size_t segmentEnd);
    void emitSegment(StoryAssembler& story, std::u16string_view segment, int em, const ParaProps* para);

    std::string m_bytes;
    std::filesystem::path m_file;
    std::string m_wordStream;
    std::string m_tableStream;
    Bytes m_word;
    Bytes m_table;

    LeftOut* m_leftOut;
    ReadOptions m_options;
    Fib m_fib;
    std::vector<Piece> m_pieces;
    std::vector<Style> m_styles;
    std::vector<FcRun<CharProps>> m_charRuns;
    std::vector<FcRun<ParaProps>> m_paraRuns;  // paragraph style and numbering of each paragraph
    std::vector<std::u16string> m_fonts;
    std::optional<DocNumbering> m_numbering;  // when numbers are written
    bool m_paragraphStart = true;
    std::vector<const ParaProps*> m_markProps;  // of each paragraph, from its mark, when numbering
    size_t m_paragraph = 0;                      // the paragraphs started so far
    std::vector<DocNote> m_notes;                // by their references
    size_t m_nextNote = 0;
    bool m_inNoteText = false;
    std::u16string m_segment;  // the characters of the segment being read
};

// A paragraph's properties are those of its paragraph mark: in a document
// saved fast, its first characters may lie in a piece whose properties
// belong to another paragraph.
void DocReader::findParagraphProps() {
    const uint32_t mainEnd = m_fib.count(kCcpText);
    for (const Piece& piece : m_pieces) {
        if (piece.cpStart >= mainEnd) continue;
        const uint32_t end = std::min(piece.cpEnd, mainEnd);
        const size_t width = piece.compressed ? 1 : 2;
        const size_t count = end - piece.cpStart;
        const auto text = reinterpret_cast<const unsigned char*>(m_word.slice(piece.fc, count * width).data());
        RunCursor<ParaProps> paragraphs(m_paraRuns, piece.fc);
        for (size_t k = 0; k < count; ++k) {
            const unsigned c = piece.compressed ? text[k] : text[k * 2] | text[k * 2 + 1] << 8;
            if (c != kParagraphMark && c != kCellMark) continue;
            m_markProps.push_back(paragraphs.at(static_cast<uint32_t>(piece.fc + k * width)));
        }
    }
}

void DocReader::number(StoryAssembler& story, const ParaProps* para) {
    m_paragraphStart = false;
    if (!m_inNoteText) {
        if (!m_markProps.empty()) para = m_paragraph < m_markProps.size() ? m_markProps[m_paragraph] : nullptr;
        ++m_paragraph;
    }
    const auto list = ParagraphList(para, m_styles);
    if (!list) return;
    const std::u16string shown = m_numbering->next(list->first, list->second, m_leftOut, m_inNoteText);
    if (shown.empty()) return;
    story.text(shown, 0);
    if (m_leftOut) ++m_leftOut->writtenNumbers;
}

std::u16string DocReader::storyText(uint32_t cp, uint32_t end) const {
    std::u16string text;
    for (const Piece& piece : m_pieces) {
        const uint32_t from = std::max(cp, piece.cpStart), to = std::min(end, piece.cpEnd);
        if (from >= to) continue;
        const size_t width = piece.compressed ? 1 : 2;
        const std::string_view bytes = m_word.slice(piece.fc + size_t(from - piece.cpStart) * width, size_t(to - from) * width);
        for (size_t k = 0; k < size_t(to - from); ++k) {
            const auto* b = reinterpret_cast<const unsigned char*>(bytes.data()) + k * width;
            text.push_back(piece.compressed ? char16_t(FromCp1252(b[0])) : char16_t(b[0] | b[1] << 8));
        }
    }
    return text;
}

void DocReader::recordOtherStories() {
    // The stories in the order their text follows the main story's.
    static constexpr std::pair<FibCount, const char*> kKinds[] = {
        {kCcpFtn, "脚注"},     {kCcpHdd, "ヘッダー・フッター"}, {kCcpMcr, nullptr},           {kCcpAtn, "コメント"},
        {kCcpEdn, "文末脚注"}, {kCcpTxbx, "テキストボックス"},  {kCcpHdrTxbx, "テキストボックス"},
    };
    uint64_t cp = m_fib.count(kCcpText);
    for (const auto& [count, kind] : kKinds) {
        const uint32_t length = m_fib.count(count);
        const uint64_t end = cp + length;
        // The notes that stand at their references are not left out.
        const bool footnotes = count == kCcpFtn;
        const bool taken = (footnotes || count == kCcpEdn) &&
                           std::any_of(m_notes.begin(), m_notes.end(), [&](const DocNote& n) { return n.footnote == footnotes; });
        if (kind && !taken && length > 0 && end <= UINT32_MAX) {
            const std::u16string text = storyText(static_cast<uint32_t>(cp), static_cast<uint32_t>(end));
            // Rubies are EQ fields; an instruction (0x13 to 0x14 or 0x15) is not text.
            OtherStory story{kind};
            for (size_t i = 0; i < text.size(); ++i) {
                if (text[i] == kFieldBegin) {
                    size_t j = i + 1;
                    while (j < text.size() && text[j] != kFieldBegin && text[j] != kFieldSeparator && text[j] != kFieldEnd) ++j;
                    if (const auto eq = ParseEqField(std::u16string_view(text).substr(i + 1, j - i - 1)); eq && eq->isRuby) ++story.rubies;
                    i = j - 1;
                } else if (text[i] > 0x20 && text[i] != 0x3000) {
                    story.hasText = true;
                }
            }
            m_leftOut->addStory(std::move(story));
        }
        cp = end;
    }
}

std::optional<int> DocReader::styleEmphasis(uint16_t istd, int depth) const {
    if (istd >= m_styles.size() || depth > 32) return std::nullopt;
    const Style& s = m_styles[istd];
    if (s.props.emphasis) return s.props.emphasis;
    if (s.base == kNoStyle || s.base == istd) return std::nullopt;
    return styleEmphasis(s.base, depth + 1);
}

CharProps DocReader::directProps(const CharProps* run, const Piece& piece) {
    CharProps direct;
    if (run) direct = *run;
    const CharProps& p = piece.props;
    if (p.emphasis) direct.emphasis = p.emphasis;
    if (p.charStyle) direct.charStyle = p.charStyle;
    if (p.layout) direct.layout = p.layout;
    if (p.symbol) direct.symbol = p.symbol;
    if (p.font) direct.font = p.font;
    return direct;
}

int DocReader::emphasisOf(const CharProps& direct, const uint16_t* paragraphStyle) const {
    if (direct.emphasis) return *direct.emphasis;
    if (direct.charStyle)
        if (auto em = styleEmphasis(*direct.charStyle)) return *em;
    if (auto em = styleEmphasis(paragraphStyle ? *paragraphStyle : 0)) return *em;
    return 0;
}

// The piece is read in segments of one formatting. Each segment is decoded
// whole; the ordinary characters between special characters go to the
// assembler as one text, which holds no paragraph mark (a CR is one of the
// special characters).
void DocReader::emitStory(StoryAssembler& story) {
    if (numbering()) findParagraphProps();
    emitRange(story, 0, m_fib.count(kCcpText));
}

void DocReader::emitRange(StoryAssembler& story, uint32_t from, uint32_t to) {
    for (const Piece& piece : m_pieces)
        if (piece.cpStart < to && piece.cpEnd > from) emitPiece(story, piece, std::max(from, piece.cpStart), std::min(to, piece.cpEnd));
}

// A note at its reference: its text from the notes' story, between the note
// marks. A note whose text the stories do not hold is passed over.
void DocReader::emitNote(StoryAssembler& story, const DocNote& note) {
    if (!story.beginNote()) return;
    const bool paragraphStart = m_paragraphStart;
    m_inNoteText = true;
    m_paragraphStart = true;
    emitRange(story, note.textStart, note.textEnd);
    story.endNote();
    m_inNoteText = false;
    m_paragraphStart = paragraphStart;
    if (m_leftOut) ++(note.footnote ? m_leftOut->footnotesWritten : m_leftOut->endnotesWritten);
}

void DocReader::emitPiece(StoryAssembler& story, const Piece& piece, uint32_t cpFrom, uint32_t cpTo) {
    const size_t width = piece.compressed ? 1 : 2;
    const size_t first = cpFrom - piece.cpStart, count = cpTo - piece.cpStart;
    // The piece's bytes, checked once against the stream.
    const auto text = reinterpret_cast<const unsigned char*>(m_word.slice(piece.fc, count * width).data());
    RunCursor<CharProps> chars(m_charRuns, static_cast<uint32_t>(piece.fc + first * width));
    RunCursor<ParaProps> paragraphs(m_paraRuns, static_cast<uint32_t>(piece.fc + first * width));
    size_t i = first;
    while (i < count) {
        const uint32_t fc = static_cast<uint32_t>(piece.fc + i * width);
        // A note stands before the character of its reference (an
        // automatic number, which is dropped, or the author's own mark).
        const uint32_t cp = piece.cpStart + static_cast<uint32_t>(i);
        size_t segmentLimit = count;
        if (!m_inNoteText) {
            while (m_nextNote < m_notes.size() && m_notes[m_nextNote].reference < cp) ++m_nextNote;
            while (m_nextNote < m_notes.size() && m_notes[m_nextNote].reference == cp) emitNote(story, m_notes[m_nextNote++]);
            if (m_nextNote < m_notes.size() && m_notes[m_nextNote].reference < piece.cpStart + count)
                segmentLimit = m_notes[m_nextNote].reference - piece.cpStart;
        }
        const ParaProps* para = paragraphs.at(fc);
        const CharProps props = directProps(chars.at(fc), piece);
        const int em = emphasisOf(props, para ? &para->istd : nullptr);
        const FarEastLayout layout = props.layout.value_or(FarEastLayout{});
        story.setLayout(layout.layout, layout.id);
        const uint32_t boundary = std::min(chars.boundary(fc), paragraphs.boundary(fc));
        size_t segmentEnd = segmentLimit;
        if (boundary != UINT32_MAX) segmentEnd = std::min<size_t>(segmentEnd, (uint64_t(boundary) - piece.fc + width - 1) / width);
        segmentEnd = std::max(segmentEnd, i + 1);
        const std::u16string_view segment = decodeSegment(piece, text, i, segmentEnd);
        if (props.symbol || props.font) resolveSymbols(segment, props);
        emitSegment(story, segment, em, para);
        i = segmentEnd;
    }
    story.setLayout(EastAsianLayout::None);
}

void DocReader::resolveSymbols(std::u16string_view segment, const CharProps& props) {
    // The segment lies in m_segment, and every character a symbol font
    // shows is one UTF-16 unit: it is replaced where it stands.
    char16_t* units = m_segment.data();
    const uint16_t fontIndex = props.symbol ? props.symbol->font : *props.font;
    const std::u16string font = fontIndex < m_fonts.size() ? m_fonts[fontIndex] : std::u16string();
    for (size_t k = 0; k < segment.size(); ++k) {
        // A symbol's text is a placeholder (Word writes "("); special characters stay.
        if (units[k] < 0x20 || (!props.symbol && !IsSymbolFontCode(units[k]))) continue;
        const SymbolCharacter shown = ResolveSymbol(font, props.symbol ? props.symbol->code : units[k]);
        units[k] = static_cast<char16_t>(shown.code);
        if (shown.privateUse && m_leftOut) m_leftOut->addSymbolCharacter(ToUtf8(font));
    }
}

std::u16string_view DocReader::decodeSegment(const Piece& piece, const unsigned char* text, size_t i, size_t segmentEnd) {
    // The buffer only grows: a shorter segment uses the front of it.
    const size_t length = segmentEnd - i;
    if (m_segment.size() < length) m_segment.resize(length);
    char16_t* out = m_segment.data();
    if (piece.compressed) {
        for (size_t k = i; k < segmentEnd; ++k) *out++ = char16_t(FromCp1252(text[k]));
    } else if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, text + i * 2, length * 2);  // the units as they lie in the stream
    } else {
        for (size_t k = i; k < segmentEnd; ++k) *out++ = char16_t(text[k * 2] | text[k * 2 + 1] << 8);
    }
    return std::u16string_view(m_segment.data(), length);
}

void DocReader::emitSegment(StoryAssembler& story, std::u16string_view segment, int em, const ParaProps* para) {
    size_t from = 0;
    for (size_t k = 0; (k = NextControlCharacter(segment, k)) < segment.size(); ++k) {
        if (m_paragraphStart && numbering()) number(story, para);
        story.textWithoutMarks(segment.substr(from, k - from), em);
        from = k + 1;
        switch (segment[k]) {
        case kParagraphMark:
        case kCellMark:
            // Without numbering, a numbered paragraph is counted at its mark,
            // whose properties are the paragraph's.
            if (!numbering() && m_leftOut && ParagraphList(para, m_styles)) ++m_leftOut->unnumberedParagraphs;
            story.paragraphEnd();
            m_paragraphStart = true;
            break;
        case kPageBreak: case kColumnBreak: story.breakParagraph(); break;
        case kFieldBegin: story.fieldBegin(); break;
        case kFieldSeparator: story.fieldSeparate(); break;
        case kFieldEnd: story.fieldEnd(); break;
        case kLineBreak: story.character(U'\n', em); break;
        case kTab: story.character(U'\t', em); break;
        case kNonBreakingHyphen: story.character(U'\u2011', em); break;
        case kOptionalHyphen: story.character(U'\u00AD', em); break;
        case kNoteReference:
            if (m_inNoteText) story.noteReferenceMark();  // a note's own number
            break;
        default: break;  // pictures, drawn objects, note references and the like
        }
    }
    if (m_paragraphStart && from < segment.size() && numbering()) number(story, para);
    story.textWithoutMarks(segment.substr(from), em);
}

void DocReader::openStreams(std::string_view container) {
    OleContainer ole(container);
    // An encrypted package (a password-protected .docx, standard or agile
    // encryption) says how in EncryptionInfo; rights-managed documents carry
    // a data space for their protection instead, and a placeholder
    // WordDocument stream.
    if (ole.hasStream("EncryptionInfo") || ole.hasStream("EncryptedPackage"))
        throw ReadError(ReadErrorKind::Encrypted, m_file, kPasswordProtected);
    if (ole.hasStream("\x06" "DataSpaces") || ole.hasStream("\tDRMContent"))
        throw ReadError(ReadErrorKind::Encrypted, m_file, "権限管理（暗号化）で保護されているため読み込めません。保護を解除して保存し直してください。");
    auto word = ole.readStream("WordDocument", kMaxStreamBytes);
    if (!word) throw ReadError(ReadErrorKind::NotWordDocument, m_file, "複合ファイルですが、Word 文書（WordDocument ストリーム）がありません。");
    m_wordStream = std::move(*word);
    m_word = Bytes(m_wordStream, "WordDocument ストリーム");
    m_fib = ReadFib(m_word, m_file);
    const char* tableName = m_fib.tableStreamIs1() ? "1Table" : "0Table";
    auto table = ole.readStream(tableName, kMaxStreamBytes);
    if (!table) damaged(std::string(tableName) + " ストリームがありません");
    m_tableStream = std::move(*table);
    m_table = Bytes(m_tableStream, tableName);
}

void DocReader::readTables() {
    m_pieces = ReadPieces(m_table, m_fib);
    m_styles = ReadStyles(m_table, m_fib);
    m_charRuns = ReadCharRuns(m_table, m_word, m_fib);
    m_paraRuns = ReadParagraphRuns(m_table, m_word, m_fib);
    m_fonts = ReadFontNames(m_table, m_fib);
    if (m_options.numbersAsText) m_numbering.emplace(ReadLists(m_table, m_fib, m_fonts));
    if (m_options.notesAsFootnotes) readNotes();
}

void DocReader::readNotes() {
    // The notes' stories follow the main one: footnotes, then headers,
    // macros and comments, then endnotes.
    const uint32_t footnotes = m_fib.count(kCcpText);
    const uint64_t endnotes = uint64_t(footnotes) + m_fib.count(kCcpFtn) + m_fib.count(kCcpHdd) + m_fib.count(kCcpMcr) + m_fib.count(kCcpAtn);
    if (endnotes > UINT32_MAX) return;
    ReadNotes(m_table, m_fib, kFcPlcffndRef, kFcPlcffndTxt, footnotes, m_fib.count(kCcpFtn), true, m_notes);
    ReadNotes(m_table, m_fib, kFcPlcfendRef, kFcPlcfendTxt, uint32_t(endnotes), m_fib.count(kCcpEdn), false, m_notes);
    std::stable_sort(m_notes.begin(), m_notes.end(), [](const DocNote& a, const DocNote& b) { return a.reference < b.reference; });
}

std::unique_ptr<DocumentModel> DocReader::read() {
    const std::string_view container = UnwrapMacFile(m_bytes);
    if (!OleContainer::HasSignature(container)) {
        if (container.size() >= 2 && static_cast<uint8_t>(container[1]) == 0xA5 &&
            (static_cast<uint8_t>(container[0]) == 0xDB || static_cast<uint8_t>(container[0]) == 0x9B))
            throw ReadError(ReadErrorKind::OldWordVersion, m_file,
                            "Word 2.0 以前の古い形式のため読み込めません。Word 97-2003 形式（.doc）または .docx で保存し直してください。");
        throw ReadError(ReadErrorKind::NotWordDocument, m_file, "Word 文書（.doc / .docx）ではありません。");
    }
    try {
        openStreams(container);
        // The streams are out of the container: the file itself is no longer needed.
        m_bytes = std::string();
        readTables();
        auto model = std::make_unique<DocumentModel>(FromUtf8(platform::PathToUtf8(m_file.filename())));
        DocumentBuilder builder(*model);
        StoryAssembler story(builder, m_leftOut);
        emitStory(story);
        story.finish();
        if (m_leftOut) recordOtherStories();
        return model;
    } catch (const OutOfBounds& e) {
        damaged(e.what());
    } catch (const StoryTooLong& e) {
        throw ReadError(ReadErrorKind::TooLarge, m_file, e.what());
    } catch (const std::length_error& e) {
        throw ReadError(ReadErrorKind::TooLarge, m_file, std::string("大きすぎるため読み込めません（") + e.what() + "）。");
    } catch (const ReadError&) {
        throw;
    } catch (const std::runtime_error& e) {
        damaged(e.what());
    }
}

}  // namespace

std::string_view UnwrapMacFile(std::string_view bytes) {
    const Bytes b(bytes, "");
    // AppleSingle: magic, version, filler, entries (id, offset, length); id 1 is the data fork.
    if (bytes.size() >= 26 && b.u8(0) == 0x00 && b.u8(1) == 0x05 && b.u8(2) == 0x16 && b.u8(3) == 0x00) {
        auto be32 = [&](size_t o) { return uint32_t(b.u8(o)) << 24 | uint32_t(b.u8(o + 1)) << 16 | uint32_t(b.u8(o + 2)) << 8 | b.u8(o + 3); };
        const size_t entries = size_t(b.u8(24)) << 8 | b.u8(25);
        for (size_t i = 0; i < entries && 26 + (i + 1) * 12 <= bytes.size(); ++i) {
            const size_t e = 26 + i * 12;
            if (be32(e) != 1) continue;
            const uint32_t offset = be32(e + 4), length = be32(e + 8);
            if (offset <= bytes.size() && length <= bytes.size() - offset) return bytes.substr(offset, length);
        }
        return bytes;
    }
    // MacBinary: a 128-byte header with zero bytes at 0 and 74, then the data fork.
    if (bytes.size() > 128 && b.u8(0) == 0 && b.u8(74) == 0 && OleContainer::HasSignature(bytes.substr(128))) {
        const uint32_t length = uint32_t(b.u8(83)) << 24 | uint32_t(b.u8(84)) << 16 | uint32_t(b.u8(85)) << 8 | b.u8(86);
        return bytes.substr(128, std::min<size_t>(length, bytes.size() - 128));
    }
    return bytes;
}

std::unique_ptr<DocumentModel> ReadDoc(std::string bytes, const std::filesystem::path& file, LeftOut* leftOut,
                                       const ReadOptions& options) {
    return DocReader(std::move(bytes), file, leftOut, options).read();
}

}  // namespace tessaly::wordproc
