#include "EngineBinding.h"

#include "vornis_engine.h"

namespace host {

EngineCalls LinkedEngine()
{
    EngineCalls calls;
    calls.sendProcToNative = SendProcToNative;
    calls.resizeEngine = ResizeEngine;
    calls.loadModel = LoadModel;
    calls.askEngineAboutImage = AskEngineAboutImage;
    calls.feedMousePos = FeedMousePos;
    calls.feedMouseScroll = FeedMouseScroll;
    calls.feedCameraControl = FeedCameraControl;
    calls.feedLightControl = FeedLightControl;
    calls.focusOnObject = FocusOnObject;
    calls.present = Present;
    calls.isModelLoaded = IsModelLoaded;
    calls.takeScreenshot = TakeScreenshot;
    return calls;
}

}  // namespace host
