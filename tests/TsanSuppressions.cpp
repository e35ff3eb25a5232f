// Qt comes from the distribution without ThreadSanitizer instrumentation, so the sanitizer
// cannot see the locks inside it: memory that Qt's own worker threads allocate and free (the
// painter's thread pool, QtTest's watchdog) looks raced. GLib, under Qt's event dispatcher in
// every QThread, is the same. Ignoring the allocator and other intercepted calls made from
// inside these libraries excuses exactly those, while every access
// made by our code, on any thread, is still checked.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Test.so.6\n"
           "called_from_lib:libQt6Network.so.6\n"
           "called_from_lib:libglib-2.0.so.0\n";
}
