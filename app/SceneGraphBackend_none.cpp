#include "app/SceneGraphBackend.h"

void chooseSceneGraphBackend()
{
}
