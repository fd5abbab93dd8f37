// The lock tables the port list reads: /proc/locks text and UUCP lock files from the
// fuzzer. A found owner is a positive process id or -1; a lock file gives a pid >= 0; the
// owner of an entry built from the fuzzer's numbers is found again when it is appended.
// max_len: 8192
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "link/PortList.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    unsigned maj = 0, min = 0;
    unsigned long long ino = 0;
    if (size >= 12) {
        std::memcpy(&maj, data, 4);
        std::memcpy(&min, data + 4, 4);
        std::memcpy(&ino, data + 8, 4);
    }
    maj &= 0xfff;
    min &= 0xfffff;
    const int owner = ParseLockOwner(text, maj, min, ino);
    if (owner < -1) std::abort();
    if (ParseLockFilePid(text) < 0) std::abort();

    // An entry for this file in front of the text is the one found.
    char line[128];
    std::snprintf(line, sizeof line, "1: FLOCK  ADVISORY  WRITE 4242 %02x:%02x:%llu 0 EOF\n", maj,
                  min, ino);
    if (ParseLockOwner(line + text, maj, min, ino) != 4242) std::abort();
    return 0;
}
