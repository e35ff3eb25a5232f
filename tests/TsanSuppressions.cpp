// Qt comes from the distribution without ThreadSanitizer instrumentation, so the sanitizer
// cannot see the locks inside it and reports races between Qt's own threads (QtTest's
// watchdog thread at exit, for one). Only reports with a stack inside a Qt library are excused.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libQt6\n";
}
