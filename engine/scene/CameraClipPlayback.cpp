// Camera clip playback: the camera's side of a clip built by the animation subsystem.
#include "animation/CameraClip.h"
#include "scene/Camera.h"

void CCamera::PlayClip()
{
    cameraMatrix = PlayCameraClip(*clip, animTime, animScale);
    eye[0] = cameraMatrix.m[3][0];
    eye[1] = cameraMatrix.m[3][1];
    eye[2] = cameraMatrix.m[3][2];
}
