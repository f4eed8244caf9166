// The exported interface of libvornis_engine.
//
// Every function is safe to call at any time from the host's window thread: until the
// engine has what a function needs, the function does nothing and returns a neutral value
// (0, false, 0.0f or nullptr). Loading the library already creates the engine object;
// InitEngine brings it to life in a window.
//
// Types: bool is C++ bool, int is int32_t, narrow strings are UTF-8, wide strings are
// UTF-16 (char16_t). The window handle is the SDL window ID (SDL_GetWindowID).
//
// File names: narrow ones are the system's bytes, passed on unchanged (UTF-8 by
// convention, but any name the system gives works). In a wide name, a byte that is no
// part of well-formed UTF-8 travels as the lone surrogate 0xDC00 + byte (U+DC80..U+DCFF);
// a name with any other lone surrogate is refused with a message.
#pragma once

#include <cstdint>

#if defined(VORNIS_BUILDING_ENGINE)
#define VORNIS_API extern "C" __attribute__((visibility("default")))
#else
#define VORNIS_API extern "C"
#endif

// Lifecycle and host plumbing
VORNIS_API void CreateEngineNative();
// Returns 0 on success, 666 for a zero width or height, 2 without an engine object, or
// the graphics device's failure code.
VORNIS_API int InitEngine(int window, int width, int height);
VORNIS_API void ResizeEngine(int width, int height);
VORNIS_API void Present();
// message is the SDL event type, lParam the address of the host's SDL_Event (valid during
// the call). Returns 1 when the debug interface used the event, else 0.
VORNIS_API int64_t SendProcToNative(int window, unsigned message, uint64_t wParam, int64_t lParam);

// Model
VORNIS_API void LoadModel(const char* path);
VORNIS_API void AddAnimation(const char* path);
VORNIS_API bool ReloadModel();
VORNIS_API bool IsModelLoaded();
VORNIS_API void ShowOnly(const char* shaderName);
VORNIS_API void Rotate(bool x, bool y, bool z);
VORNIS_API void SetTextureSet(int slot, unsigned set);
VORNIS_API bool HasTexture(int slot);
VORNIS_API void SetVertexColor(int mode);
VORNIS_API void SetExtraTexture(const char* path, int index);
VORNIS_API int GetVertCount();
VORNIS_API int GetTrisCount();
VORNIS_API void DumpModelInformation();
VORNIS_API void SetRighthandedTangentSpace(bool value);

// Animation
VORNIS_API void SetAnimSpeed(int speed);
VORNIS_API void AddActiveAnimation(int clip);
VORNIS_API void EngineSetAnimationBlend(float blend);
VORNIS_API float GetAnimationLength();
VORNIS_API int GetNumberOfAnimationClips();
VORNIS_API const char* GetAnimationClipName();
VORNIS_API void BeginAnimations();
VORNIS_API void ClearActiveAnimations();
VORNIS_API void SetAnimationMode(int mode);
VORNIS_API void SetCameraAnimationSpeed(int value);
VORNIS_API void SetCameraAnimationScale(int value);
VORNIS_API void SetCameraAnimationState(bool on);

// Camera
VORNIS_API void FeedMousePos(int x, int y);
VORNIS_API void FeedCameraControl(bool a, bool b, bool c, bool d);
VORNIS_API void FeedMouseScroll(int steps);
VORNIS_API void ResetCamera();
VORNIS_API void FocusOnObject();
VORNIS_API void SetFOV(int degrees);
VORNIS_API void SetNearAndFarPlane(float nearPlane, float farPlane);
VORNIS_API void SetPhotoMode(bool on);
VORNIS_API float GetCameraX();
VORNIS_API float GetCameraY();
VORNIS_API float GetCameraZ();

// Light, sky and background
VORNIS_API void FeedLightControl(bool a, bool b, bool c, bool d);
VORNIS_API void SetLightColor(int r, int g, int b);
VORNIS_API void SetLightIntensity(float value);
VORNIS_API void SetLightOrientationToCamera();
VORNIS_API void SetSkyBoxTexture(const char* path);
VORNIS_API void RenderSkyBox(bool on);
VORNIS_API void ChangeCubeMapMipLevel(int level);
VORNIS_API void SetBackgroundColor(int r, int g, int b);
VORNIS_API void ChangeSizeOfXYZModel(int steps);

// Rendering, images, errors and the rest
VORNIS_API void SetRenderMode(int mode);
VORNIS_API void SetCustomShaderValues(float a, float b, float c, float d, float e);
VORNIS_API void SetUseTexturePacking(bool on);
VORNIS_API void EnableVR(bool on);
// The engine copies the path; the caller keeps ownership of its buffer.
VORNIS_API void AskEngineAboutImage(const char16_t* path);
VORNIS_API void TakeScreenshot(int width, int height);
// Copies the last message into buffer, one UTF-16 unit per byte of the UTF-8 message,
// followed by a terminating 0. The engine cannot know the buffer's size: the caller
// provides room for the whole message and the terminator. Messages can quote file paths
// and compiler output, so they are not bounded by any fixed length.
VORNIS_API void GetErrorString(char16_t* buffer);
VORNIS_API int GetErrorResult();
VORNIS_API void ToggleVideoRecording(bool on);
VORNIS_API void SetVideoRecordingAlpha(bool on);
VORNIS_API void FeedParticleData(const void* record);
VORNIS_API void FeedParticleTexture(const char* path);
VORNIS_API void DoBurstParticle(uint64_t unused, int count);
VORNIS_API void SetBurstParticle(bool on);
