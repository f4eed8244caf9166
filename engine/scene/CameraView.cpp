#include "scene/CameraView.h"

#include <cstring>

#include "scene/Camera.h"

DrawView ViewOf(const CCamera& camera)
{
    DrawView view;
    view.cameraMatrix = camera.cameraMatrix;
    view.projection =
        camera.useAlternativeProjection ? camera.alternativeProjection : camera.projection;
    std::memcpy(view.eye, camera.eye, sizeof(view.eye));
    return view;
}

DrawView SkyViewOf(const CCamera& camera)
{
    DrawView view = ViewOf(camera);
    for (int i = 0; i < 3; ++i)
        view.cameraMatrix.m[3][i] = camera.eye[i];
    view.projection = camera.skyProjection;
    return view;
}

DrawView ViewOrIdentity(const CCamera* camera)
{
    if (camera)
        return ViewOf(*camera);
    DrawView view;
    view.cameraMatrix = Matrix4::Identity();
    view.projection = Matrix4::Identity();
    view.eye[0] = view.eye[1] = view.eye[2] = 0.0f;
    return view;
}
