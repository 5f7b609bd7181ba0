// Buffers of many megabytes that are filled as soon as they are made: a
// manuscript file, a stream of it.
#pragma once

#include <cstddef>
#include <string>

namespace tessaly::wordproc {

// A string of size zero bytes. Where the system allows, its memory is asked
// for in huge pages, which spares most of the thousands of page faults that
// filling a large buffer a small page at a time costs.
std::string LargeBuffer(size_t size);

}  // namespace tessaly::wordproc
