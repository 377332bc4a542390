// Preloaded after libfaketime into a measured process. Its constructor reads
// the wall clock through libfaketime (so the fake time) and the monotonic clock
// straight from the kernel (so not faked at all), back to back, and writes the
// pair to a new file named by $REKUDA31_BENCH_CLOCKMARK. Since the fake clock
// runs at the real rate from then on, the pair tells on the monotonic clock
// when any fake moment, such as the start of a minute, happens in the process.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

long long monotonicNs()
{
    timespec t {};
    syscall(SYS_clock_gettime, CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

__attribute__((constructor)) void markClocks()
{
    const char *path = std::getenv("REKUDA31_BENCH_CLOCKMARK");
    if (!path)
        return;
    // Child processes (GStreamer's plugin scanner) must not overwrite the pair.
    const std::string file = path;
    unsetenv("REKUDA31_BENCH_CLOCKMARK");
    const long long before = monotonicNs();
    timespec fake {};
    clock_gettime(CLOCK_REALTIME, &fake);
    const long long after = monotonicNs();
    if (FILE *out = std::fopen(file.c_str(), "wx")) {
        std::fprintf(out, "%lld %lld %lld\n", (before + after) / 2,
            static_cast<long long>(fake.tv_sec) * 1000000000LL + fake.tv_nsec, after - before);
        std::fclose(out);
    }
}

} // namespace
