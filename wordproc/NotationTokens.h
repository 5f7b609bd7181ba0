// What the passes of ParagraphRewriter share: the bounds of their searches
// and what a token is.
#pragma once

#include <string>

#include "engine/SourceDocument.h"
#include "wordproc/NotationParagraph.h"

namespace tessaly::wordproc::notation {

using Tok = ParagraphRewriter::Tok;

inline constexpr char32_t kOpen = U'《', kClose = U'》';
inline constexpr size_t kNpos = std::string::npos;
// An annotation, a pixiv command, or the text before an annotation that it
// names, is at most this many characters; longer, it is read as text. Every
// search stays within it, so no paragraph costs more than its length times it.
inline constexpr size_t kMaxNotationLength = 1000;
// At most this many ranges (［＃傍点］…) stand open at once; more starts are
// removed as notation without an end.
inline constexpr size_t kMaxOpenRanges = 64;
// The searches of one paragraph take at most this many steps a character
// together (real text takes one or two): past it, what is still unread as
// notation stays text, so a paragraph made to defeat the bounds above still
// costs time in proportion to its length.
inline constexpr size_t kSearchBudget = 16;

inline bool IsBar(char32_t c) { return c == U'|' || c == U'｜'; }
inline bool IsNoteMark(const Cell& c) { return !IsField(c) && (c.code == kNoteStart || c.code == kNoteEnd); }
// A field, a note's mark or an annotation: what no base or reading takes in.
inline bool Opaque(const Tok& t) { return t.annotation >= 0 || t.stub >= 0 || IsField(t.cell) || IsNoteMark(t.cell); }
// An ordinary character that may be notation.
inline bool Plain(const Tok& t) { return !Opaque(t) && !t.literal; }
inline bool Is(const Tok& t, char32_t c) { return Plain(t) && t.cell.code == c; }

}  // namespace tessaly::wordproc::notation
