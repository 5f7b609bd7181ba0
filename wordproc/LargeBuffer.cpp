#include "wordproc/LargeBuffer.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tessaly::wordproc {

LargeBuffer::LargeBuffer(size_t size) : m_data(new char[size]), m_size(size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only whole huge pages inside the buffer can be advised; it is not
    // touched yet, so the advice still applies.
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    const auto start = reinterpret_cast<uintptr_t>(m_data.get());
    const uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (start + size) & ~(kHugePage - 1);
    // Advice only: where it is refused, the buffer works the same.
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

}  // namespace tessaly::wordproc
