// libgsf for the readers: set up once, and a zip package's part inflated
// through it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tessaly::wordproc {

// Sets libgsf up once for the process and silences its messages on stderr:
// the readers report damage themselves.
void InitGsf();

// A part of a zip package inflated by libgsf, whose zip reader checks no
// CRC: the caller checks it where it costs least.
class GsfZipPart {
public:
    // The part by its exact name in the package held in bytes (which must
    // outlive it); nothing when libgsf cannot open the package or find it.
    static std::unique_ptr<GsfZipPart> Open(std::string_view bytes, const std::string& name);
    ~GsfZipPart();
    GsfZipPart(const GsfZipPart&) = delete;
    GsfZipPart& operator=(const GsfZipPart&) = delete;

    uint64_t size() const;
    uint64_t remaining() const;
    // Inflates the next n bytes (no more than remain) into out; false when
    // they cannot be had.
    bool read(char* out, size_t n);

private:
    struct Handles;
    explicit GsfZipPart(std::unique_ptr<Handles> handles);
    std::unique_ptr<Handles> m_handles;
};

}  // namespace tessaly::wordproc
