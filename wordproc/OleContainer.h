// A compound-file (OLE2, MS-CFB) container held in memory: the top-level
// streams and storages, and the whole bytes of a stream. Only what a Word
// document needs is read, and every structure is checked against the bytes.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::wordproc {

class OleContainer {
public:
    // True when the bytes begin with the compound-file signature.
    static bool HasSignature(std::string_view bytes);

    // Opens the container in bytes (which must outlive it). Throws
    // std::runtime_error with a reason in Japanese when it is not a readable
    // container.
    explicit OleContainer(std::string_view bytes);
    ~OleContainer();
    OleContainer(const OleContainer&) = delete;
    OleContainer& operator=(const OleContainer&) = delete;

    // Stream and storage names at the top of the container are compared
    // without regard to the case of their ASCII letters, as the format says.
    bool hasStream(std::string_view name) const;
    // The names at the top of the container, in UTF-8, in the directory's order.
    std::vector<std::string> names() const;
    // The whole stream, or nothing when it is absent. Throws
    // std::length_error when it is larger than maxBytes and
    // std::runtime_error when it cannot be read whole.
    std::optional<std::string> readStream(std::string_view name, size_t maxBytes) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace tessaly::wordproc
