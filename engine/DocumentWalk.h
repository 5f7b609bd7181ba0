// The document walk: moves the insertion point from the first position to
// the last, copying ordinary characters into the body and handing every run
// of adjacent fields to the ruby run, field by field.
#pragma once

#include <string>

#include "engine/Engine.h"
#include "engine/TaggedTextHeader.h"

namespace tessaly {

// Builds the tagged-text body. Returns false when the clipboard failed and
// the engine must return at once (nothing further is done then).
// horizontalInVertical, when given, receives how many 縦中横 stretches the
// body holds.
bool WalkDocument(EngineContext& context, const SeparatorTexts& separators, std::u16string& body,
                  int32_t* horizontalInVertical = nullptr);

// round(step ÷ total × 90 + 10), ties to even.
int WalkProgressValue(int32_t step, int32_t total);

}  // namespace tessaly
