// The program opens libsndfile and libpulse-simple only when it first plays a
// sound, so its own ELF file does not name them. This program links exactly
// the functions it looks up there; dpkg-shlibdeps reads the package's
// dependencies on those libraries from it. It is built, never installed.
#include "platform/sound_library_functions.h"

#include <pulse/simple.h>
#include <sndfile.h>

#include <cstdio>

int main()
{
#define REKUDA31_PRINT(name) std::printf("%s %p\n", #name, reinterpret_cast<void *>(&::name));
    REKUDA31_SNDFILE_FUNCTIONS(REKUDA31_PRINT)
    REKUDA31_PULSE_FUNCTIONS(REKUDA31_PRINT)
    return 0;
}
