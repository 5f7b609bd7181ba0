// A compound-file (OLE2) container read through libgsf, held in memory.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "wordproc/LargeBuffer.h"

namespace tessaly::wordproc {

class OleContainer {
public:
    // True when the bytes begin with the compound-file signature.
    static bool HasSignature(std::string_view bytes);

    // Opens the container in bytes (which must outlive it). Throws
    // std::runtime_error with libgsf's reason when it is not a readable container.
    explicit OleContainer(std::string_view bytes);
    ~OleContainer();
    OleContainer(const OleContainer&) = delete;
    OleContainer& operator=(const OleContainer&) = delete;

    bool hasStream(const char* name) const;
    // The whole stream, or nothing when it is absent. Throws
    // std::length_error when it is larger than maxBytes and
    // std::runtime_error when it cannot be read whole.
    std::optional<LargeBuffer> readStream(const char* name, size_t maxBytes) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace tessaly::wordproc
