#include "system/TaskbarStyles.h"

void addTaskbarStyles(QWindow*)
{
}
