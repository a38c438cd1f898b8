// keep_libraries_loaded.cpp: linked into the programs in sanitized builds only, so that
// LeakSanitizer can tell which library a leaked block came from.
//
// freeglut closes the X display from an exit handler, and the Mesa GLX library then
// dlcloses its driver (swrast_dri.so) before LeakSanitizer's own check at exit runs.
// The driver's leftovers are then reported as allocated from "<unknown module>": no
// suppression can name them, and the driver's globals, which still point at some of
// them, are no longer scanned. The programs export this dlclose, which the GL libraries
// bind to ahead of the C library's, and it leaves every library mapped until the process
// ends. The programs unload nothing while they run (LD_DEBUG=files shows the driver's
// dlclose at exit as the only one), so nothing else changes.
extern "C" int dlclose(void* handle)
{
    static_cast<void>(handle);
    return 0;
}
