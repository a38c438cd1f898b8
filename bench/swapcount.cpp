// swapcount: a preload library that counts the frames a GL program really shows.
//
// Loaded with LD_PRELOAD, it stands in front of glXSwapBuffers, counts every swap with
// its time, and passes the call on. The count lives in the file named by SWAPCOUNT_OUT,
// mapped into memory and updated at every swap, so it can be read while the program runs
// (to wait for N frames) and after it has ended, however it ended. The file holds three
// native 64-bit integers (see swapcount.h): the swaps so far, and the CLOCK_MONOTONIC
// time of the first and of the latest swap in nanoseconds.
//
// The library installs no signal handler and registers nothing to run at exit: the
// program ends exactly as it would without it, and nothing here runs at a moment when
// the program may be inside malloc or stdio.
#include "swapcount.h"

#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {

using SwapFn = void (*)(Display*, GLXDrawable);

// The record in the file, or nullptr when SWAPCOUNT_OUT is not set or cannot be mapped.
SwapRecord* record = nullptr;

std::int64_t nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Maps the record at load time, before the program's own code runs. A file that already
// holds a record (made by whoever starts the program, so it can watch it) is used as it
// is; a missing or shorter one is created and grown to a zeroed record.
struct Map {
    Map()
    {
        const char* path = std::getenv("SWAPCOUNT_OUT");
        if (path == nullptr)
            return;
        const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return;
        off_t size = lseek(fd, 0, SEEK_END);
        if (size < static_cast<off_t>(sizeof(SwapRecord)) && ftruncate(fd, sizeof(SwapRecord)) != 0)
            size = -1;
        void* at = size < 0
                     ? MAP_FAILED
                     : mmap(nullptr, sizeof(SwapRecord), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        if (at != MAP_FAILED)
            record = static_cast<SwapRecord*>(at);
    }
} map;

} // namespace

extern "C" void glXSwapBuffers(Display* dpy, GLXDrawable drawable)
{
    static SwapFn real = reinterpret_cast<SwapFn>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    real(dpy, drawable);
    if (record == nullptr)
        return;
    // The times are stored before the count that publishes them, so a reader that sees
    // count n also sees the times of swap n.
    const std::int64_t now = nowNs();
    if (__atomic_load_n(&record->swaps, __ATOMIC_RELAXED) == 0)
        __atomic_store_n(&record->firstNs, now, __ATOMIC_RELAXED);
    __atomic_store_n(&record->lastNs, now, __ATOMIC_RELAXED);
    __atomic_add_fetch(&record->swaps, 1, __ATOMIC_RELEASE);
}
