#include "models/ModelReload.h"

#include "api/Engine.h"

void RequestDeferredModelReload()
{
    // The scene draw honours the request at its start.
    if (CEngine* engine = GetEngine())
        engine->reloadRequested = true;
}
