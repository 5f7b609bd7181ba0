// Fuzzes the .docx reader: any bytes give a model or a ReadError, nothing else.
#include <cstddef>
#include <cstdint>
#include <string>

#include "wordproc/DocxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        tessaly::wordproc::ReadDocx(std::string(reinterpret_cast<const char*>(data), size), "fuzz.docx");
    } catch (const tessaly::wordproc::ReadError&) {
    }
    return 0;
}
