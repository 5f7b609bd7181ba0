#include "proof/TaggedTextReader.h"

#include <fstream>
#include <iterator>

#include "engine/Text.h"

namespace tessaly::proof {
namespace {

std::string Where(size_t at) { return "（" + std::to_string(at) + " 文字目）"; }

class BodyReader {
public:
    explicit BodyReader(std::u16string_view text) : m_text(text) {}

    TaggedText read(bool header = true) {
        if (header) skipHeader();
        TaggedText out;
        out.paragraphs.emplace_back();
        for (;;) {
            if (atEnd()) {
                m_pos = m_text.size();
                return out;
            }
            if (m_pos >= m_text.size()) throw TaggedTextError("本文の終わり（<ParaStyle:>）がありません" + Where(m_pos));
            const char16_t c = m_text[m_pos];
            if (c == u'\r') {
                ++m_pos;
                out.paragraphs.emplace_back();
                continue;
            }
            if (c == u'\n') {
                ++m_pos;
                Inline lineBreak;
                lineBreak.kind = Inline::Kind::LineBreak;
                out.paragraphs.back().items.push_back(std::move(lineBreak));
                continue;
            }
            if (c != u'<') {
                appendText(out.paragraphs.back(), readText(), Kenten::None, {});
                continue;
            }
            const size_t at = m_pos;
            const auto [name, value] = readTag();
            if (name == u"FootnoteStart" && value.empty()) {
                out.paragraphs.back().items.push_back(readNote(at));
                continue;
            }
            if (name != u"CharStyle") throw TaggedTextError("本文にない形のタグです: <" + ToUtf8(name) + ">" + Where(at));
            styled(out.paragraphs.back(), value, at);
        }
    }

    // A footnote's text, up to <FootnoteEnd:>: no paragraph ends in it, and
    // no footnote.
    Inline readNote(size_t start) {
        Paragraph note;
        for (;;) {
            if (m_pos >= m_text.size()) throw TaggedTextError("脚注が閉じていません" + Where(start));
            const char16_t c = m_text[m_pos];
            if (c == u'\r') throw TaggedTextError("脚注の中で段落が終わっています" + Where(m_pos));
            if (c == u'\n') {
                ++m_pos;
                Inline lineBreak;
                lineBreak.kind = Inline::Kind::LineBreak;
                note.items.push_back(std::move(lineBreak));
                continue;
            }
            if (c != u'<') {
                appendText(note, readText(), Kenten::None, {});
                continue;
            }
            const size_t at = m_pos;
            const auto [name, value] = readTag();
            if (name == u"FootnoteEnd" && value.empty()) break;
            if (name != u"CharStyle") throw TaggedTextError("脚注にない形のタグです: <" + ToUtf8(name) + ">" + Where(at));
            styled(note, value, at);
        }
        Inline footnote;
        footnote.kind = Inline::Kind::Footnote;
        footnote.note = std::move(note.items);
        return footnote;
    }

private:
    // The end of the body: the final line end and the empty paragraph style.
    bool atEnd() const {
        for (std::u16string_view end : {u"\r\n<ParaStyle:>", u"\r<ParaStyle:>"})
            if (m_text.substr(m_pos) == end) return true;
        return false;
    }

    // Header lines (tags and their line ends) up to the first body
    // character; the body's paragraph style tag is part of the header.
    void skipHeader() {
        for (;;) {
            while (m_pos < m_text.size() && (m_text[m_pos] == u'\r' || m_text[m_pos] == u'\n')) ++m_pos;
            if (m_pos >= m_text.size() || m_text[m_pos] != u'<') break;
            const size_t at = m_pos;
            const auto [name, value] = readTag();
            if (name == u"CharStyle") {
                m_pos = at;
                break;
            }
            if (name == u"ParaStyle" && !value.empty()) break;  // the body starts right after it
        }
    }

    // <name:value>, or <name> (a value of its own, as <UNICODE-WIN>). A
    // header's values hold tags of their own (<ColorTable:=<Black:…>>).
    std::pair<std::u16string, std::u16string> readTag() {
        const size_t start = m_pos++;
        std::u16string name, value;
        bool inValue = false;
        int depth = 0;
        while (m_pos < m_text.size() && (m_text[m_pos] != u'>' || depth > 0)) {
            char16_t c = m_text[m_pos++];
            if (c == u'\\' && m_pos < m_text.size()) {
                c = m_text[m_pos++];
            } else if (c == u':' && !inValue) {
                inValue = true;
                continue;
            } else if (c == u'<') {
                if (!inValue) throw TaggedTextError("タグの名前の中に < があります" + Where(m_pos - 1));
                ++depth;
            } else if (c == u'>') {
                --depth;
            }
            (inValue ? value : name).push_back(c);
        }
        if (m_pos >= m_text.size()) throw TaggedTextError("閉じていないタグがあります" + Where(start));
        ++m_pos;
        return {name, value};
    }

    // Characters up to the next tag or line end, escapes undone. Inside a
    // character style a forced line break (LF) is one of its characters.
    std::u16string readText(bool lineBreaks = false) {
        std::u16string text;
        while (m_pos < m_text.size()) {
            const char16_t c = m_text[m_pos];
            if (c == u'<' || c == u'\r' || (c == u'\n' && !lineBreaks)) break;
            if (c == u'\\') {
                if (m_pos + 1 >= m_text.size()) throw TaggedTextError("本文の終わりに \\ があります" + Where(m_pos));
                text.push_back(m_text[m_pos + 1]);
                m_pos += 2;
                continue;
            }
            text.push_back(c);
            ++m_pos;
        }
        return text;
    }

    void expectTag(std::u16string_view name, std::u16string_view value) {
        const size_t at = m_pos;
        if (m_pos >= m_text.size() || m_text[m_pos] != u'<') throw TaggedTextError("<" + ToUtf8(name) + "> がありません" + Where(at));
        const auto [n, v] = readTag();
        if (n != name || v != value)
            throw TaggedTextError("<" + ToUtf8(name) + ":" + ToUtf8(value) + "> のところに <" + ToUtf8(n) + ":" + ToUtf8(v) + "> があります" +
                                  Where(at));
    }

    static void appendText(Paragraph& p, std::u16string text, Kenten kenten, std::u16string style) {
        if (text.empty() && kenten == Kenten::None && style.empty()) return;
        Inline item;
        item.text = std::move(text);
        item.kenten = kenten;
        item.style = std::move(style);
        p.items.push_back(std::move(item));
    }

    void styled(Paragraph& p, const std::u16string& style, size_t at) {
        if (style == u"モノルビ" || style == u"グループルビ") {
            expectTag(u"cRuby", u"1");
            const size_t tagAt = m_pos;
            const auto [name, reading] = readTag();
            if (name != u"cRubyString") throw TaggedTextError("<cRubyString> がありません" + Where(tagAt));
            Inline ruby;
            ruby.kind = Inline::Kind::Ruby;
            ruby.reading = reading;
            ruby.text = readText(true);
            ruby.group = style == u"グループルビ";
            expectTag(u"cRuby", u"");
            expectTag(u"cRubyString", u"");
            expectTag(u"CharStyle", u"");
            p.items.push_back(std::move(ruby));
        } else if (style == u"圏点1" || style == u"圏点5") {
            std::u16string text = readText(true);
            expectTag(u"CharStyle", u"");
            appendText(p, std::move(text), style == u"圏点1" ? Kenten::Sesame : Kenten::Dot, {});
        } else if (style == u"割注") {
            Inline note;
            note.kind = Inline::Kind::Warichu;
            // The note's characters, some of them in ruby glyph tags.
            for (;;) {
                note.text += readText(true);
                const size_t tagAt = m_pos;
                if (m_pos >= m_text.size() || m_text[m_pos] != u'<') throw TaggedTextError("割注が閉じていません" + Where(at));
                const auto [name, value] = readTag();
                if (name == u"CharStyle" && value.empty()) break;
                if (name == u"cOTFContAlt" && value == u"0") {
                    expectTag(u"cOTFeatureList", u"ruby,1");
                    expectTag(u"rUseOTProGlyph", u"1");
                    note.text += readText(true);
                    expectTag(u"cOTFContAlt", u"");
                    expectTag(u"cOTFeatureList", u"");
                    expectTag(u"rUseOTProGlyph", u"");
                    continue;
                }
                throw TaggedTextError("割注の中に知らないタグ <" + ToUtf8(name) + "> があります" + Where(tagAt));
            }
            p.items.push_back(std::move(note));
        } else if (style == u"文字前ベタ" || style == u"文字後ベタ" || style == u"文字後4分アキ" || style == u"文字後半角アキ" ||
                   style == u"縦中横") {
            std::u16string text = readText(true);
            expectTag(u"CharStyle", u"");
            appendText(p, std::move(text), Kenten::None, style);
        } else {
            throw TaggedTextError("知らない文字スタイルです: " + ToUtf8(style) + Where(at));
        }
    }

    std::u16string_view m_text;
    size_t m_pos = 0;
};

}  // namespace

TaggedText ReadTaggedTextBody(std::u16string_view text) { return BodyReader(text).read(); }

TaggedText ReadTaggedTextAfterHeader(std::u16string_view body) { return BodyReader(body).read(false); }

TaggedText ReadTaggedText(std::string_view bytes) {
    const bool windows = bytes.starts_with("\xFF\xFE");
    if (windows) bytes.remove_prefix(2);
    if (bytes.size() % 2 != 0) throw TaggedTextError("UTF-16 のファイルとして長さが合いません");
    return ReadTaggedTextBody(FromUtf16Bytes(bytes, !windows));
}

TaggedText ReadTaggedTextFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return ReadTaggedText(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

namespace {

void CountItems(const std::vector<Inline>& items, Counts& c) {
    for (const auto& item : items) {
        switch (item.kind) {
            case Inline::Kind::Ruby:
                if (item.group) {
                    ++c.groupRubies;
                } else {
                    ++c.monoRuns;
                    c.monoBases += CharacterCount(item.text);
                }
                break;
            case Inline::Kind::Warichu: ++c.warichu; break;
            case Inline::Kind::Text:
                if (item.kenten != Kenten::None) ++c.kentenStretches;
                if (item.style == u"縦中横") ++c.horizontalInVertical;
                break;
            case Inline::Kind::LineBreak: break;
            case Inline::Kind::Footnote:
                ++c.footnotes;
                CountItems(item.note, c);
                break;
        }
    }
}

}  // namespace

Counts CountConverted(const TaggedText& text) {
    Counts c;
    for (const auto& p : text.paragraphs) CountItems(p.items, c);
    return c;
}

}  // namespace tessaly::proof
