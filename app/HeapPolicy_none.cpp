#include "app/HeapPolicy.h"

// Windows' heap hands blocks this large to and from the system directly.
void useHeapPolicy(QObject*)
{
}
