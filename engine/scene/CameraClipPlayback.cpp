// Camera clip playback: the seam between the camera and the animation subsystem, which
// builds CameraClip and samples its translation and rotation channels here.
#include "scene/Camera.h"

void CCamera::PlayClip()
{
    // No clip can be attached yet, so Update never gets here; keep the camera where the
    // reset of the frame left it rather than guess at a clip layout.
    eye[0] = cameraMatrix.m[3][0];
    eye[1] = cameraMatrix.m[3][1];
    eye[2] = cameraMatrix.m[3][2];
}
