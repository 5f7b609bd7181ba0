// A small JSON writer for the page's answers: objects and arrays opened and
// closed in turn, commas put between their members by the writer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly::web {

class Json {
public:
    Json& open(char bracket) {
        separate();
        m_text += bracket;
        m_first = true;
        return *this;
    }
    Json& close(char bracket) {
        m_text += bracket;
        m_first = false;
        return *this;
    }
    // An object's member name; its value follows.
    Json& field(std::string_view name) {
        separate();
        quoted(name);
        m_text += ':';
        m_afterName = true;
        return *this;
    }
    Json& string(std::string_view text) {
        separate();
        quoted(text);
        return *this;
    }
    Json& number(int64_t n) {
        separate();
        m_text += std::to_string(n);
        return *this;
    }
    Json& boolean(bool b) {
        separate();
        m_text += b ? "true" : "false";
        return *this;
    }
    // JSON made by another writer, as a value.
    Json& raw(std::string_view json) {
        separate();
        m_text += json;
        return *this;
    }
    const std::string& text() const { return m_text; }

private:
    void separate() {
        if (m_afterName) m_afterName = false;
        else if (!m_first) m_text += ',';
        m_first = false;
    }
    // UTF-8 passes as it is; quotes, backslashes and control characters are escaped.
    void quoted(std::string_view s) {
        static constexpr char kHex[] = "0123456789abcdef";
        m_text += '"';
        for (char c : s) {
            const auto u = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                m_text += '\\';
                m_text += c;
            } else if (u < 0x20) {
                m_text += "\\u00";
                m_text += kHex[u >> 4];
                m_text += kHex[u & 0xF];
            } else {
                m_text += c;
            }
        }
        m_text += '"';
    }

    std::string m_text;
    bool m_first = true;
    bool m_afterName = false;
};

}  // namespace tessaly::web
