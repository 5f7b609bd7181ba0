// The fuzz targets' bodies: each takes any bytes and must neither crash nor
// throw anything but the documented errors. The libFuzzer programs call them,
// and a regular test replays the inputs the fuzzers once found faults with.
#include "FuzzTargets.h"

#include <cstdlib>
#include <string>

#include "engine/DocumentWalk.h"
#include "engine/Escaping.h"
#include "engine/OutputFiles.h"
#include "engine/Text.h"
#include "proof/ProofPage.h"
#include "wordproc/DocReader.h"
#include "wordproc/DocumentBuilder.h"
#include "wordproc/DocxReader.h"
#include "wordproc/EqField.h"
#include "wordproc/LeftOut.h"
#include "wordproc/RubyNotation.h"

using namespace tessaly;

// Fuzzes the .doc reader: any bytes give a model or a ReadError, nothing else.
int FuzzDocReader(const uint8_t* data, size_t size) {
    try {
        tessaly::wordproc::ReadDoc(std::string(reinterpret_cast<const char*>(data), size), "fuzz.doc");
    } catch (const tessaly::wordproc::ReadError&) {
    }
    return 0;
}

// Fuzzes the .docx reader: any bytes give a model or a ReadError, nothing else.
int FuzzDocxReader(const uint8_t* data, size_t size) {
    try {
        tessaly::wordproc::ReadDocx(std::string(reinterpret_cast<const char*>(data), size), "fuzz.docx");
    } catch (const tessaly::wordproc::ReadError&) {
    }
    return 0;
}

// Fuzzes the EQ field parser with any instruction text.
int FuzzEqField(const uint8_t* data, size_t size) {
    const std::u16string instruction =
        tessaly::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto field = tessaly::wordproc::ParseEqField(instruction);
    // The offset of the first character always points into the instruction.
    if (field && field->firstCharOffset != std::u16string::npos && field->firstCharOffset >= instruction.size())
        std::abort();
    if (field && field->isRuby && field->text != field->base) std::abort();
    return 0;
}

// Fuzzes the whole conversion of a document model: the first bytes choose
// the options, the rest is the story in the document builder's markup.
int FuzzConversion(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    ConversionOptions options;
    options.RubyStyle = data[0] & 1;
    options.KanaKind = (data[0] >> 1) & 1;
    options.SmallKanaToFullSize = (data[0] >> 2) & 1;
    options.OpenTypeRubyGlyphs = (data[0] >> 3) & 1;
    options.HalfWidthWarichuParens = (data[0] >> 4) & 1;
    options.WarichuRubyGlyphs = (data[0] >> 5) & 1;
    options.ConvertBouten = (data[0] >> 6) & 1;
    options.MacText = (data[0] >> 7) & 1;
    options.RubySeparator = static_cast<int16_t>(data[1] % 5) - 1;
    options.WarichuSeparator = static_cast<int16_t>(data[2] % 5) - 1;
    options.WarichuSurround = static_cast<int16_t>(data[3] % 11) - 1;
    options.KentenKind = static_cast<int16_t>(data[4] % 4);
    options.KentenRatio = static_cast<int16_t>(data[5] % 12) - 1;

    std::unique_ptr<wordproc::DocumentModel> model;
    try {
        model = wordproc::ModelFromMarkup(FromUtf8(std::string_view(reinterpret_cast<const char*>(data) + 8, size - 8)),
                                          u"fuzz.doc");
    } catch (const wordproc::MarkupError&) {
        return 0;
    }
    // The notation written as text, turned into rubies and emphasis first.
    // The next bit adds なろう's parentheses; what is removed is reported.
    wordproc::LeftOut leftOut;
    if (data[6] & 1) {
        wordproc::ApplyRubyNotation(*model, {.narou = (data[6] & 2) != 0}, &leftOut);
        if (LeftOutSummary(leftOut).empty() != leftOut.empty() || LeftOutItems(leftOut).empty() != leftOut.empty()) std::abort();
    }
    RunState state;
    state.DocumentName = u"fuzz.doc";
    EngineHost host;
    EngineContext ctx{*model, *model, options, state, host, {}};
    EscapeReservedCharacters(*model);
    const std::u16string scale = MarkKenten(*model, options, state, host);
    std::u16string body;
    if (!WalkDocument(ctx, ReadSeparatorTexts(options), body)) std::abort();  // the model's clipboard never fails
    TrimBodyEnd(body);
    const TaggedTextHeaders headers = BuiltInHeaders(options, scale);
    const std::string windows = WindowsFileBytes({headers.windows, body});
    const std::string mac = MacFileBytes({headers.mac, body});
    if (windows.size() % 2 != 0 || mac.size() % 2 != 0 || state.ConvertedCount < 0) std::abort();
    return 0;
}

// Fuzzes reading tagged text back: any bytes give paragraphs or a
// TaggedTextError, nothing else.
int FuzzTaggedText(const uint8_t* data, size_t size) {
    try {
        const auto text = tessaly::proof::ReadTaggedText(std::string_view(reinterpret_cast<const char*>(data), size));
        (void)tessaly::proof::ProofPageHtml(text, {"fuzz", {}});
    } catch (const tessaly::proof::TaggedTextError&) {
    }
    return 0;
}
