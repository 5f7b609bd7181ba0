#include "engine/DocumentWalk.h"
#include "engine/Engine.h"
#include "engine/Escaping.h"
#include "engine/OutputFiles.h"
#include "engine/TaggedTextHeader.h"
#include "engine/Text.h"

namespace tessaly {

void ConvertToTaggedText(EngineContext& ctx) {
    // Start.
    ctx.host.UpdateProgress(10, 100, ctx.state.ProgressBarWidth, std::u16string(kProgressCaption));
    ctx.host.Yield();
    ctx.state.ConvertedCount = 0;

    // The document is made safe for tagged text, then kenten are wrapped.
    EscapeReservedCharacters(ctx.word);
    ctx.state.ConvertedCount = 0;
    const std::u16string kentenScale = MarkKenten(ctx.word, ctx.options, ctx.state, ctx.host);

    // Headers and separators.
    const std::filesystem::path tempFolder = ctx.appFolder / std::filesystem::path(ToUtf8(kTempFolder));
    const std::filesystem::path customHeader =
        ctx.customHeaderFile.empty() ? tempFolder / std::filesystem::path(ToUtf8(kCustomHeaderFile)) : ctx.customHeaderFile;
    TaggedTextHeaders headers = BuildHeaders(ctx.options, kentenScale, customHeader, ctx.customHeader);
    const SeparatorTexts separators = ReadSeparatorTexts(ctx.options);

    // The walk; the scratch document is given up inside it.
    std::u16string body;
    int32_t horizontalInVertical = 0;
    if (!WalkDocument(ctx, separators, body, &horizontalInVertical)) return;
    if (horizontalInVertical > 0) AddHorizontalInVerticalStyle(headers);
    ctx.word.Selection().HomeKey(Unit::Story);

    // The application's own layout: temp and RubyData below its folder.
    std::filesystem::path outputFolder = ctx.outputFolder;
    if (outputFolder.empty()) {
        if (!FolderExistsAt(tempFolder)) CreateFolderAt(tempFolder);
        outputFolder = ctx.appFolder / std::filesystem::path(ToUtf8(kOutputFolder));
    }
    ctx.state.OutputFileName =
        WriteOutputFiles(outputFolder, std::move(body), headers, ctx.state.DocumentName, ctx.options, ctx.outputName,
                         ctx.pendingOutputs);
}

}  // namespace tessaly
