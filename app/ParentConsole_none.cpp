#include "app/ParentConsole.h"

void attachParentConsole()
{
}
