// swapcount: a preload library that counts the frames a GL program really shows.
//
// Loaded with LD_PRELOAD, it stands in front of glXSwapBuffers, counts every swap with
// its time, and passes the call on. When the process gets SIGTERM or exits it writes
// "frames seconds" (swaps after the first one, and the time from the first swap to the
// last) to the file named by SWAPCOUNT_OUT.
#include <GL/glx.h>
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;
using SwapFn = void (*)(Display*, GLXDrawable);

long swaps = 0;
Clock::time_point firstSwap, lastSwap;

void report()
{
    const char* path = std::getenv("SWAPCOUNT_OUT");
    if (path == nullptr || swaps == 0)
        return;
    if (FILE* f = std::fopen(path, "w")) {
        const double seconds = std::chrono::duration<double>(lastSwap - firstSwap).count();
        std::fprintf(f, "%ld %.6f\n", swaps - 1, seconds);
        std::fclose(f);
    }
}

void onTerm(int)
{
    report();
    _exit(0);
}

struct Install {
    Install()
    {
        signal(SIGTERM, onTerm);
        std::atexit(report);
    }
} install;

} // namespace

extern "C" void glXSwapBuffers(Display* dpy, GLXDrawable drawable)
{
    static SwapFn real = reinterpret_cast<SwapFn>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    real(dpy, drawable);
    lastSwap = Clock::now();
    if (swaps++ == 0)
        firstSwap = lastSwap;
}
