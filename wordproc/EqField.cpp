#include "wordproc/EqField.h"

#include <cstdint>
#include <vector>

#include "engine/Text.h"

namespace tessaly::wordproc {
namespace {

// Most characters of an instruction are above U+0020 and not the
// ideographic space: they are told apart with two comparisons.
bool IsSpace(char16_t c) { return c <= u' ' ? (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n') : c == u'\u3000'; }
bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

// Text with the instruction index of each of its characters.
struct Text {
    std::u16string chars;
    std::vector<size_t> offsets;
    void add(char16_t c, size_t at) {
        chars.push_back(c);
        offsets.push_back(at);
    }
    void add(const Text& t) {
        chars += t.chars;
        offsets.insert(offsets.end(), t.offsets.begin(), t.offsets.end());
    }
};

struct Sequence;

// A switch such as \o or \s with its option switches (\ad, \up 9) and its
// parenthesised arguments.
struct Command {
    std::u16string name;
    std::vector<std::u16string> options;
    std::vector<Sequence> args;
};

struct Item {
    bool isCommand = false;
    Text text;
    Command command;
};

struct Sequence {
    std::vector<Item> items;
};

constexpr int kMaxDepth = 64;

// The end of a switch's numeric parameter (\up 9, \co3): after spaces, a
// number only when it starts with a digit or '-'; i itself when there is none.
size_t SwitchNumberEnd(std::u16string_view s, size_t i) {
    size_t j = i;
    while (j < s.size() && IsSpace(s[j])) ++j;
    if (j >= s.size() || !(IsDigit(s[j]) || s[j] == u'-')) return i;
    while (j < s.size() && (IsDigit(s[j]) || s[j] == u'-' || s[j] == u'.')) ++j;
    return j;
}

// The end of an unquoted switch argument (\* jc2): up to a space, a backslash or '('.
size_t PlainSwitchArgumentEnd(std::u16string_view s, size_t i) {
    while (i < s.size() && !IsSpace(s[i]) && s[i] != u'\\' && s[i] != u'(') ++i;
    return i;
}

class Parser {
public:
    explicit Parser(std::u16string_view s) : m_s(s) {}

    // Top level: runs to the end of the instruction.
    Sequence parseTop(size_t from) {
        m_pos = from;
        return parseSequence(0, false);
    }

private:
    bool at(char16_t c) const { return m_pos < m_s.size() && m_s[m_pos] == c; }
    void skipSpaces() {
        while (m_pos < m_s.size() && IsSpace(m_s[m_pos])) ++m_pos;
    }

    // Inside arguments a ',' or ';' ends the argument and ')' the list.
    Sequence parseSequence(int depth, bool inArgs) {
        Sequence seq;
        Text text;
        auto flush = [&] {
            if (!text.chars.empty()) seq.items.push_back(Item{false, std::move(text), {}});
            text = {};
        };
        while (m_pos < m_s.size()) {
            const char16_t c = m_s[m_pos];
            if (inArgs && (c == u',' || c == u';' || c == u')')) break;
            if (c == u'\\' && m_pos + 1 < m_s.size()) {
                const char16_t next = m_s[m_pos + 1];
                if (next == u'*') {  // formatting switch: \* word or \* "quoted"
                    m_pos += 2;
                    skipSpaces();
                    skipSwitchArgument();
                    continue;
                }
                if (IsAsciiLetter(next)) {
                    flush();
                    Item item;
                    item.isCommand = true;
                    item.command = parseCommand(depth);
                    seq.items.push_back(std::move(item));
                    continue;
                }
                text.add(next, m_pos + 1);  // an escaped character stands for itself
                m_pos += 2;
                continue;
            }
            text.add(c, m_pos);
            ++m_pos;
        }
        flush();
        return seq;
    }

    void skipSwitchArgument() {
        if (at(u'"')) {
            ++m_pos;
            while (m_pos < m_s.size() && m_s[m_pos] != u'"') ++m_pos;
            if (m_pos < m_s.size()) ++m_pos;
            return;
        }
        m_pos = PlainSwitchArgumentEnd(m_s, m_pos);
    }

    std::u16string parseName() {
        std::u16string name;
        ++m_pos;  // the backslash
        while (m_pos < m_s.size() && IsAsciiLetter(m_s[m_pos])) name.push_back(Lower(m_s[m_pos++]));
        m_pos = SwitchNumberEnd(m_s, m_pos);
        return name;
    }

    Command parseCommand(int depth) {
        Command cmd;
        cmd.name = parseName();
        for (;;) {
            const size_t save = m_pos;
            skipSpaces();
            if (m_pos + 1 < m_s.size() && m_s[m_pos] == u'\\' && IsAsciiLetter(m_s[m_pos + 1])) {
                cmd.options.push_back(parseName());
                continue;
            }
            if (at(u'(')) {
                ++m_pos;
                parseArguments(cmd, depth + 1);
            } else {
                m_pos = save;
            }
            return cmd;
        }
    }

    void parseArguments(Command& cmd, int depth) {
        if (depth > kMaxDepth) {  // absurd nesting: keep the rest as plain text
            Sequence rest;
            Text t;
            while (m_pos < m_s.size()) {
                t.add(m_s[m_pos], m_pos);
                ++m_pos;
            }
            rest.items.push_back(Item{false, std::move(t), {}});
            cmd.args.push_back(std::move(rest));
            return;
        }
        for (;;) {
            cmd.args.push_back(parseSequence(depth, true));
            if (m_pos >= m_s.size()) return;  // unbalanced: the end closes everything
            const char16_t c = m_s[m_pos++];
            if (c == u')') return;
        }
    }

    std::u16string_view m_s;
    size_t m_pos = 0;
};

void TextOf(const Sequence& seq, Text& out);

void TextOf(const Command& cmd, Text& out) {
    for (const auto& arg : cmd.args) TextOf(arg, out);
}

void TextOf(const Sequence& seq, Text& out) {
    for (const auto& item : seq.items) {
        if (item.isCommand) TextOf(item.command, out);
        else out.add(item.text);
    }
}

bool IsBlank(const Item& item) {
    if (item.isCommand) return false;
    for (char16_t c : item.text.chars)
        if (!IsSpace(c)) return false;
    return true;
}

// The reading of an argument that is exactly \s\up n(reading).
std::optional<Text> RubyReading(const Sequence& arg) {
    const Command* s = nullptr;
    for (const auto& item : arg.items) {
        if (IsBlank(item)) continue;
        if (!item.isCommand || s) return std::nullopt;
        s = &item.command;
    }
    if (!s || s->name != u"s" || s->args.size() != 1) return std::nullopt;
    bool up = false;
    for (const auto& o : s->options) up = up || o == u"up";
    if (!up) return std::nullopt;
    Text reading;
    TextOf(s->args[0], reading);
    return reading;
}

Text Trimmed(const Text& t) {
    size_t b = 0, e = t.chars.size();
    while (b < e && IsSpace(t.chars[b])) ++b;
    while (e > b && IsSpace(t.chars[e - 1])) --e;
    Text out;
    out.chars = t.chars.substr(b, e - b);
    out.offsets.assign(t.offsets.begin() + static_cast<std::ptrdiff_t>(b), t.offsets.begin() + static_cast<std::ptrdiff_t>(e));
    return out;
}

std::optional<EqField> ParseEqFieldFully(std::u16string_view instruction, size_t start) {
    const Sequence top = Parser(instruction).parseTop(start);
    EqField field;
    for (const auto& item : top.items) {
        if (!item.isCommand || item.command.name != u"o" || item.command.args.size() < 2) continue;
        if (auto reading = RubyReading(item.command.args[0])) {
            Text base;
            for (size_t i = 1; i < item.command.args.size(); ++i) TextOf(item.command.args[i], base);
            field.isRuby = true;
            field.reading = reading->chars;
            field.base = base.chars;
            field.text = base.chars;
            field.firstCharOffset = base.offsets.empty() ? std::u16string::npos : base.offsets.front();
            return field;
        }
    }
    Text all;
    TextOf(top, all);
    all = Trimmed(all);
    field.text = all.chars;
    if (!all.offsets.empty()) field.firstCharOffset = all.offsets.front();
    return field;
}

// The instruction after its "EQ", or nothing when it is not an EQ field.
std::optional<size_t> EqArguments(std::u16string_view instruction) {
    // The field type (the first word, up to a space or backslash) is EQ in any case.
    size_t start = 0;
    while (start < instruction.size() && IsSpace(instruction[start])) ++start;
    if (instruction.size() - start < 2 || Lower(instruction[start]) != u'e' || Lower(instruction[start + 1]) != u'q')
        return std::nullopt;
    const size_t end = start + 2;
    if (end < instruction.size() && !IsSpace(instruction[end]) && instruction[end] != u'\\') return std::nullopt;
    return end;
}

}  // namespace

std::optional<EqField> ParseEqField(std::u16string_view instruction) {
    const auto start = EqArguments(instruction);
    if (!start) return std::nullopt;
    return ParseEqFieldFully(instruction, *start);
}

}  // namespace tessaly::wordproc
