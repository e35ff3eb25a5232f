#include "system/DynamicLibrary.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

DynamicLibrary::~DynamicLibrary()
{
    unload();
}

bool DynamicLibrary::load(const std::string& path)
{
    unload();
    // RTLD_LOCAL keeps the library's symbols from resolving anybody else's. RTLD_NODELETE
    // keeps its code mapped after the last handle: the camera component's libraries (PipeWire)
    // set themselves up once per process and keep that, and code of theirs must never vanish
    // under a thread they started.
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        const char* reason = dlerror();
        error = reason ? reason : "cannot load " + path;
        return false;
    }
    error.clear();
    return true;
}

bool DynamicLibrary::loadBesideProgram(const std::string& fileName)
{
    char program[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program);
    const std::string path(program, length > 0 && length < ssize_t(sizeof program) ? length : 0);
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) {
        const std::string folder = path.substr(0, slash + 1);
        // Installed, the component lives in our private library folder. The run path names it
        // too, but dlopen reads the run path of its caller, which is not always the program
        // (AddressSanitizer's interceptor is one such caller).
        if (load(folder + fileName) || load(folder + VIDLET_PRIVATE_LIBDIR_FROM_BIN "/" + fileName))
            return true;
    }
    return load(fileName);
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
