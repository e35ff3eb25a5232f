#pragma once

#include <string>

// A shared library loaded at run time (dlopen on Linux, LoadLibraryW on Windows). Owns the
// handle: the library is unloaded when the object is destroyed or unload() is called.
class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // `path` is UTF-8: a full path, or a bare name left to the platform's search order.
    // Unloads what was loaded before. On failure errorText() says why.
    bool load(const std::string& path);
    // Loads `fileName` from the running program's own folder (on Linux, then from the private
    // library folder of an installed program), or, when it is not there or does not load, by
    // bare name through the platform's search order.
    bool loadBesideProgram(const std::string& fileName);
    void unload();
    bool isLoaded() const { return handle != nullptr; }
    // Null when not loaded or the library has no such export.
    void* symbol(const char* name) const;
    const std::string& errorText() const { return error; }

private:
    void* handle = nullptr;
    std::string error;
};
