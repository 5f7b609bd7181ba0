#include "engine/Text.h"



namespace tessaly {

char32_t CodePointAt(std::u16string_view text, size_t i, size_t* units) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
        char16_t d = text[i + 1];
        if (d >= 0xDC00 && d <= 0xDFFF) {
            if (units) *units = 2;
            return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(d) - 0xDC00);
        }
    }
    if (units) *units = 1;
    return c;
}

size_t CodePointCount(std::u16string_view text) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++n) {
        size_t u;
        CodePointAt(text, i, &u);
        i += u;
    }
    return n;
}

size_t LastCodePointStart(std::u16string_view text) {
    if (text.empty()) return 0;
    size_t i = text.size() - 1;
    if (i > 0 && text[i] >= 0xDC00 && text[i] <= 0xDFFF && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF)
        --i;
    return i;
}

bool IsVariationSelector(char32_t cp) {
    return (cp >= 0xFE00 && cp <= 0xFE0F) || (cp >= 0xE0100 && cp <= 0xE01EF);
}

size_t CharacterUnitsAt(std::u16string_view text, size_t i) {
    size_t units;
    CodePointAt(text, i, &units);
    size_t end = i + units;
    while (end < text.size() && IsVariationSelector(CodePointAt(text, end, &units))) end += units;
    return end - i;
}

size_t CharacterCount(std::u16string_view text) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); i += CharacterUnitsAt(text, i)) ++n;
    return n;
}

std::vector<std::u16string_view> Characters(std::u16string_view text) {
    std::vector<std::u16string_view> chars;
    for (size_t i = 0; i < text.size();) {
        const size_t units = CharacterUnitsAt(text, i);
        chars.push_back(text.substr(i, units));
        i += units;
    }
    return chars;
}

size_t LastCharacterStart(std::u16string_view text) {
    size_t i = LastCodePointStart(text);
    // A selector at the very start of a text has no character before it and
    // stands as one of its own.
    while (i > 0 && IsVariationSelector(CodePointAt(text, i))) i = LastCodePointStart(text.substr(0, i));
    return i;
}

void AppendCodePoint(std::u16string& out, char32_t cp) {
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
        cp -= 0x10000;
        out.push_back(char16_t(0xD800 + (cp >> 10)));
        out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(char16_t(cp));
    }
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size();) {
        size_t u;
        char32_t cp = CodePointAt(text, i, &u);
        i += u;
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
        AppendUtf8CodePoint(out, cp);
    }
    return out;
}

void AppendUtf8CodePoint(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    AppendUtf8(out, text);
    return out;
}

std::u16string FromUtf16Bytes(std::string_view bytes, bool bigEndian) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        text.push_back(static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)));
    }
    return text;
}

bool IsValidUtf8(std::string_view bytes) { return ValidUtf8Length(bytes) == bytes.size(); }

size_t ValidUtf8Length(std::string_view bytes) {
    const auto* const start = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* p = start;
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        size_t length;
        char32_t cp;
        if (b >= 0xC2 && b <= 0xDF) length = 2, cp = b & 0x1F;
        else if (b >= 0xE0 && b <= 0xEF) length = 3, cp = b & 0x0F;
        else if (b >= 0xF0 && b <= 0xF4) length = 4, cp = b & 0x07;
        else return static_cast<size_t>(p - start);
        if (static_cast<size_t>(end - p) < length) return static_cast<size_t>(p - start);
        for (size_t i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80) return static_cast<size_t>(p - start);
            cp = cp << 6 | (p[i] & 0x3F);
        }
        if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return static_cast<size_t>(p - start);
        p += length;
    }
    return bytes.size();
}

void AppendUtf8(std::u16string& out, std::string_view text) {
    out.reserve(out.size() + text.size());  // a byte never gives more than one unit
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            out.push_back(static_cast<char16_t>(c));
            ++p;
            continue;
        }
        char32_t cp;
        size_t len;
        if ((c & 0xE0) == 0xC0) cp = c & 0x1F, len = 2;
        else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, len = 3;
        else if ((c & 0xF8) == 0xF0) cp = c & 0x07, len = 4;
        else {
            out.push_back(u'\xFFFD');  // a byte that starts no sequence
            ++p;
            continue;
        }
        if (static_cast<size_t>(end - p) < len) {  // cut short at the end: one replacement
            out.push_back(u'\xFFFD');
            break;
        }
        bool ok = true;
        for (size_t k = 1; k < len && ok; ++k) {
            ok = (p[k] & 0xC0) == 0x80;
            cp = (cp << 6) | (p[k] & 0x3F);
        }
        if (!ok) {  // one replacement, then on from the next byte
            out.push_back(u'\xFFFD');
            ++p;
            continue;
        }
        // Past the last character: one replacement for the sequence.
        AppendCodePoint(out, cp > 0x10FFFF ? 0xFFFD : cp);
        p += len;
    }
}

void AppendEscaped(std::u16string& out, std::u16string_view text) {
    // The stretches between reserved characters are appended whole.
    size_t from = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c != u'\\' && c != u'<' && c != u'>') continue;
        out.append(text.substr(from, i - from));
        if (c == u'\\') out.push_back(u'\u00A5');
        else out.append({u'\\', c});
        from = i + 1;
    }
    out.append(text.substr(from));
}

}  // namespace tessaly
