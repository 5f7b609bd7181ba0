// Fuzzes the EQ field parser with any instruction text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/Text.h"
#include "wordproc/EqField.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string instruction =
        tessaly::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto field = tessaly::wordproc::ParseEqField(instruction);
    // The offset of the first character always points into the instruction.
    if (field && field->firstCharOffset != std::u16string::npos && field->firstCharOffset >= instruction.size())
        std::abort();
    if (field && field->isRuby && field->text != field->base) std::abort();
    return 0;
}
