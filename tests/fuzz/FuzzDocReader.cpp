// Fuzzes the .doc reader: any bytes give a model or a ReadError, nothing else.
#include <cstddef>
#include <cstdint>
#include <string>

#include "wordproc/DocReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        tessaly::wordproc::ReadDoc(std::string(reinterpret_cast<const char*>(data), size), "fuzz.doc");
    } catch (const tessaly::wordproc::ReadError&) {
    }
    return 0;
}
