// The system's preferred generator, as Windows' own libraries use it.
#include "platform/random.h"

int fill_random(unsigned char* buffer, DWORD count) {
    return BCryptGenRandom(nullptr, buffer, count, BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0 ? 1 : 0;
}
