#pragma once

// How the C heap serves the live path's picture buffers (6 MB each at 1080p). glibc takes them
// from the system only until the first is freed, then raises its threshold and carves them
// from a heap it can give back only from the top, so a program that runs for hours keeps a
// picture or two more than it holds. Here each such buffer is the system's and goes back when
// freed. Elsewhere the heap already does this, and there is nothing to do.
void useHeapPolicy();
