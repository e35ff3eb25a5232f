#include "app/HeapPolicy.h"

#include <malloc.h>

void useHeapPolicy()
{
    // A fixed threshold also keeps glibc from moving it. Below it are the smaller pictures
    // (720p BGR is 2.7 MB, a 640x480 one 0.9 MB) and everything else.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
}
