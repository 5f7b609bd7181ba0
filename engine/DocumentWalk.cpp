#include "engine/DocumentWalk.h"

#include <algorithm>
#include <cmath>

#include "engine/ReadingNormalisation.h"
#include "engine/RubyRun.h"
#include "engine/WordStandIns.h"

namespace tessaly {
namespace {

constexpr std::u16string_view kFieldMarkText = u"\x15";

class Walk {
public:
    Walk(EngineContext& context, const SeparatorTexts& separators, std::u16string& body)
        : m_ctx(context), m_word(context.word), m_separators(separators), m_body(body),
          m_run(context.options, separators, context.state, context.host) {}

    bool run();
    int32_t horizontalInVertical() const;

private:
    Selection& sel() { return m_word.Selection(); }
    void recordRunEnd();
    bool fieldRun();
    bool fieldTextOf(int32_t n, int32_t k, std::u16string& text, std::optional<int32_t>& readingLength,
                     EastAsianLayout& layout);

    EngineContext& m_ctx;
    SourceDocument& m_word;
    const SeparatorTexts& m_separators;
    std::u16string& m_body;
    RubyRun m_run;

    int32_t m_total = 0;
    int32_t m_recordedEnd = 0;
    int32_t m_step = 1;
    TextRange m_runEnd;
    std::u16string m_scratchName;  // the scratch document, once made
    std::u16string m_fieldText;  // the text of the field being examined
};

bool Walk::run() {
    m_total = m_word.ActiveDocument().CharactersCount();
    sel().EndKey(Unit::Story);
    m_recordedEnd = sel().Range().End;
    sel().TypeText(u"\r\n");  // the end sentinel: every field has text after it
    sel().HomeKey(Unit::Story);
    m_body.clear();
    m_step = 1;

    while (m_step <= m_total) {
        const std::u16string next = sel().Text();
        if (next != kFieldMarkText) {
            // An ordinary character, copied while the insertion point is
            // still within the text and the end sentinel.
            const int32_t p = sel().Range().End;
            if (p <= m_recordedEnd + 2) {
                if (next.size() == 1 && next[0] == kNoteStart) m_body += u"<FootnoteStart:>";
                else if (next.size() == 1 && next[0] == kNoteEnd) m_body += u"<FootnoteEnd:>";
                else m_body += next;
                sel().MoveRight(Unit::Character);
            }
        } else if (!fieldRun()) {
            return false;
        }
        ++m_step;
    }
    DisposeScratchDocument(m_word, m_ctx.state.DocumentName, m_scratchName);
    return true;
}

int32_t Walk::horizontalInVertical() const { return m_run.horizontalInVertical(); }

// The insertion point stands before the position that follows the run: the
// run end range is one position further.
void Walk::recordRunEnd() {
    Selection& s = sel();
    s.MoveRight(Unit::Character);
    m_runEnd = s.Range();
    s.MoveLeft(Unit::Character);
    static const std::u16string caption(kProgressCaption);
    m_ctx.host.UpdateProgress(WalkProgressValue(m_step, m_total), 100, m_ctx.state.ProgressBarWidth, caption);
    m_ctx.host.Yield();
}

bool Walk::fieldRun() {
    // The selection, asked for once for the many moves a run of fields
    // takes: reading a field through the scratch document makes this one
    // active again before it returns.
    Selection& s = sel();
    int32_t n = 1;
    for (;;) {
        s.MoveRight(Unit::Character);
        if (s.Text() == kFieldMarkText) {
            ++n;
            ++m_step;
            if (m_step > m_total) {
                // Counted past the total: end the run after the fields counted
                // so far, exactly as at the normal end of counting.
                s.MoveRight(Unit::Character);
                recordRunEnd();
                break;
            }
        } else {
            recordRunEnd();
            break;
        }
    }

    m_run.Reset();
    bool stepBack = false;
    for (int32_t k = 0; k < n; ++k) {
        stepBack = false;
        std::optional<int32_t> readingLength;
        EastAsianLayout layout = EastAsianLayout::None;
        if (!fieldTextOf(n, k, m_fieldText, readingLength, layout)) return false;
        // A stretch in East Asian layout is text as it stands, not a reading.
        if (layout == EastAsianLayout::None) RewriteKnownReading(m_fieldText, m_separators.ruby);
        const FieldVerdict verdict = m_run.Examine(m_fieldText, readingLength, layout);
        if (verdict == FieldVerdict::Accept) continue;
        if (verdict == FieldVerdict::Alone) {
            m_step -= n - 1;
        } else {
            // The fields k to n - 1 are given back: the counter goes back by
            // as many, so that it always matches the positions walked.
            stepBack = true;
            m_step -= n - k;
        }
        break;
    }
    m_run.Emit(m_body);
    s.MoveRight(Unit::Character);
    if (stepBack) s.MoveLeft(Unit::Character);
    return true;
}

// Selects field k of the run of n and reads its text through the clipboard
// (and, where Word would have lost characters, through the scratch
// document). The document is asked where the field's reading ends, and
// which East Asian layout the field stands for.
bool Walk::fieldTextOf(int32_t n, int32_t k, std::u16string& text, std::optional<int32_t>& readingLength,
                       EastAsianLayout& layout) {
    Selection& s = sel();
    s.Select(m_runEnd);
    s.MoveLeft(Unit::Character, n - k);
    s.MoveLeft(Unit::Character, 1, MoveMode::Extend);
    s.Copy();
    ReadClipboardText(m_ctx.clipboard, m_ctx.state, m_ctx.host, text);
    if (m_ctx.state.EngineFailed) return false;
    RereadThroughScratchDocument(m_word, m_ctx.state.DocumentName, m_scratchName, text);
    readingLength = sel().FieldReadingLength();
    layout = sel().FieldLayout();
    return true;
}

}  // namespace

int WalkProgressValue(int32_t step, int32_t total) {
    if (total <= 0) return 100;
    const double value = std::nearbyint(static_cast<double>(step) / total * 90.0 + 10.0);
    // A run counted past the total would give more than the whole bar.
    return static_cast<int>(std::clamp(value, 10.0, 100.0));
}

bool WalkDocument(EngineContext& context, const SeparatorTexts& separators, std::u16string& body,
                  int32_t* horizontalInVertical) {
    Walk walk(context, separators, body);
    const bool completed = walk.run();
    if (horizontalInVertical) *horizontalInVertical = walk.horizontalInVertical();
    return completed;
}

}  // namespace tessaly
