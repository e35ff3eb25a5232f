#pragma once

class QObject;

// Gives the C heap's free memory back to the system now and then. The live path and the
// preview free and allocate picture-sized blocks (6 to 8 MB at 1080p) all the time; glibc keeps
// them in its heap once the first is freed, and can return only the heap's top by itself, so a
// program that runs for hours would keep a picture or two more than it holds. A periodic trim
// returns the free pages without making every allocation a fresh, page-faulting mapping.
// Elsewhere the heap hands blocks this large back to the system itself: nothing to do.
void useHeapPolicy(QObject* owner);
