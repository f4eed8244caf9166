#include "scene/SceneAccess.h"

// The scene does not hold its light record yet; until it does there is no light to reach.
CLight* SceneLight()
{
    return nullptr;
}
