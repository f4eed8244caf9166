// Exports of the engine's lifecycle and the host's plumbing.
#include "api/Engine.h"
#include "api/EngineStartup.h"
#include "api/FrameDriver.h"
#include "api/public/vornis_engine.h"

VORNIS_API void CreateEngineNative()
{
    CreateEngineObject();
}

VORNIS_API int InitEngine(int window, int width, int height)
{
    CEngine* engine = GetEngine();
    if (!engine)
        return 2;
    return StartEngine(*engine, window, width, height);
}

VORNIS_API void ResizeEngine(int width, int height)
{
    if (CEngine* engine = GetEngine())
        ResizeEngineObjects(*engine, width, height);
}

VORNIS_API void Present()
{
    if (CEngine* engine = GetEngine())
        RenderFrame(*engine);
}

VORNIS_API int64_t SendProcToNative(int /*window*/, unsigned /*message*/, uint64_t /*wParam*/,
                                    int64_t lParam)
{
    CEngine* engine = GetEngine();
    if (!engine)
        return 0;
    return ForwardEventToDebugInterface(*engine, lParam);
}
