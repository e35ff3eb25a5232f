#include "system/DynamicLibrary.h"

#include <dlfcn.h>

DynamicLibrary::~DynamicLibrary()
{
    unload();
}

bool DynamicLibrary::load(const std::string& path)
{
    unload();
    // RTLD_LOCAL keeps the library's symbols from resolving anybody else's.
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = reason ? reason : "cannot load " + path;
        return false;
    }
    error.clear();
    return true;
}

void DynamicLibrary::unload()
{
    if (handle)
        dlclose(handle);
    handle = nullptr;
}

void* DynamicLibrary::symbol(const char* name) const
{
    return handle ? dlsym(handle, name) : nullptr;
}
