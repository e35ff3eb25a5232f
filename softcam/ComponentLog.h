#pragma once

// The component's diagnostics: one line each, with the program's "Vidlet: " prefix. They go to
// the callback the program installed (scSetLogCallback), so that they reach its log file, or to
// standard error when none is installed. Callable from any thread.
namespace softcam {

using LogCallback = void (*)(const char* line, void* context);

void setLogCallback(LogCallback callback, void* context);

void report(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace softcam
