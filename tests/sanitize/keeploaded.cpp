// Linked into the sanitizer build only. LeakSanitizer looks for leaks at exit, when a library
// that was unloaded with dlclose (Mesa's driver, GStreamer's plugins) can no longer be named:
// its allocations show up as leaks from an "unknown module" that no suppression can place.
// Keeping every library loaded lets each report name the library it comes from.
extern "C" int dlclose(void*)
{
    return 0;
}
