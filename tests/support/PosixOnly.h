// What only a POSIX system gives a test: fork and signals, symbolic links
// that any user may make, permission bits that bind, file names that are
// bytes in any encoding, a POSIX shell. A test that rests on one of them
// compiles that part only where TESSALY_POSIX holds and is skipped elsewhere
// by SKIP_WITHOUT_POSIX, which names what is missing:
//
//     #if TESSALY_POSIX
//         ... fork() ...
//     #else
//         SKIP_WITHOUT_POSIX("fork and signals");
//     #endif
#pragma once

#include <gtest/gtest.h>

#ifdef _WIN32
#define TESSALY_POSIX 0
#define TESSALY_WINDOWS 1
#else
#define TESSALY_POSIX 1
#define TESSALY_WINDOWS 0
#endif

#define SKIP_WITHOUT_POSIX(what) GTEST_SKIP() << "Windows has no " what
// For the tests of what node's view of the machine's files (the browser
// edition's suites) does not give: named pipes, files larger than its memory.
#ifdef __EMSCRIPTEN__
#define TESSALY_NODE_FILES 1
#else
#define TESSALY_NODE_FILES 0
#endif
#define SKIP_IN_NODE(what) GTEST_SKIP() << "node's files have no " what
// For the tests of what only Windows does.
#define SKIP_WITHOUT_WINDOWS(what) GTEST_SKIP() << "only Windows has " what
