// Buffers of many megabytes that are filled as soon as they are made: a
// manuscript file, a stream of it.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace tessaly::wordproc {

// size bytes, not cleared: whoever makes one fills it whole before reading
// it, so the bytes are written once instead of twice. Where the system
// allows, its memory is asked for in huge pages, which spares most of the
// thousands of page faults that filling it a small page at a time costs.
class LargeBuffer {
public:
    LargeBuffer() = default;
    explicit LargeBuffer(size_t size);

    char* data() { return m_data.get(); }
    size_t size() const { return m_size; }
    std::string_view view() const { return std::string_view(m_data.get(), m_size); }

private:
    std::unique_ptr<char[]> m_data;
    size_t m_size = 0;
};

}  // namespace tessaly::wordproc
