#include "wordproc/LargeBuffer.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tessaly::wordproc {

std::string LargeBuffer(size_t size) {
    std::string buffer;
    buffer.reserve(size);  // not touched yet, so the advice below still applies
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only whole huge pages inside the buffer can be advised.
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    const auto start = reinterpret_cast<uintptr_t>(buffer.data());
    const uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (start + size) & ~(kHugePage - 1);
    // Advice only: where it is refused, the buffer works the same.
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
    buffer.resize(size);
    return buffer;
}

}  // namespace tessaly::wordproc
