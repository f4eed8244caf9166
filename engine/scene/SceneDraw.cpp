// The frame's scene passes: skybox, gizmo, model, grid, light.
#include <cmath>
#include <cstring>

#include <assimp/scene.h>

#include "graphics/GraphicsDevice.h"
#include "graphics/OpaqueBlend.h"
#include "graphics/gpu/PassTimer.h"
#include "models/ModelNode.h"
#include "scene/Camera.h"
#include "scene/CameraView.h"
#include "scene/Scene.h"
#include "textures/TextureRecord.h"

namespace {

constexpr uint32_t kSkyCubeSlot = 11;

CGraphicsDevice* DrawingDevice(CGraphicsDevice* device)
{
    return device && device->context ? device : nullptr;
}

MeshDrawFunction MeshDrawOf(CScene& scene)
{
    return
        [&scene](CMeshObject& meshObject, float time) { scene.DrawMeshObject(meshObject, time); };
}

Matrix4x4 ScaleMatrix(float size)
{
    Matrix4x4 m = IdentityMatrix();
    m[0] = m[5] = m[10] = size;
    return m;
}

}  // namespace

void CScene::BindRenderMode(int32_t mode)
{
    CGraphicsDevice* device = DrawingDevice(this->device);
    if (!device)
        return;
    device->context->SetRasterizerState(mode == 1 ? *device->wireframeRasterizer
                                                  : *device->solidRasterizer);
}

void CScene::Draw(float frameTime, bool capture, const SceneDrawOptions& options)
{
    std::lock_guard<std::mutex> lock(modelLock);
    CGraphicsDevice* device = DrawingDevice(this->device);
    if (!device)
        return;
    passOptions = options;

    if (shader && cubeMap && cubeMap->view) {
        shader->cubeMapInfo[0] = cubeMap->mipCount;
        shader->cubeMapInfo[1] = cubeMapMipLevel;
    }
    if (cubeMap && cubeMap->view)
        device->context->BindShaderResource(kSkyCubeSlot, cubeMap->view.get());

    const int32_t savedMode = device->renderMode;
    device->renderMode = 0;
    BindRenderMode(0);
    const DrawView view = ViewOrIdentity(camera);
    if (renderSkybox && skyboxModel)
        DrawSkybox(view);
    gpu::MarkPass("sky");
    device->renderMode = savedMode;
    BindRenderMode(savedMode);

    passView = view;
    passModelRadius =
        model && options.showJointsThroughGeometry ? model->LargestBounds().radius : 0.0f;
    if (!photoMode && !capture)
        DrawGizmo(view);
    gpu::MarkPass("gizmo");
    if (model)
        DrawModel(frameTime);
    gpu::MarkPass("model");
    if (!capture) {
        if (!photoMode)
            DrawGrid(view);
        gpu::MarkPass("grid");
        DrawLight(frameTime);
        gpu::MarkPass("light");
    }
    SetLightConstants();
}

void CScene::DrawSkybox(const DrawView& view)
{
    CGraphicsDevice& device = *this->device;
    device.context->SetDepthStencilState(*device.depthTestReadOnly, 1);
    passView = camera ? SkyViewOf(*camera) : view;
    skyboxModel->transform[12] = passView.eye[0];
    skyboxModel->transform[13] = passView.eye[1];
    skyboxModel->transform[14] = passView.eye[2];
    {
        // Every sky fragment has alpha 1.
        const ScopedOpaqueBlend opaque(device);
        skyboxModel->Draw(0.0f, std::nullopt, MeshDrawOf(*this));
    }
    device.context->SetDepthStencilState(*device.depthTestWrite, 1);
    passView = view;
}

void CScene::DrawGizmo(const DrawView&)
{
    if (!gizmoModel)
        return;
    float size = gizmoSize;
    if (model)
        size = model->LargestBounds().radius * 0.05f * gizmoSize;
    gizmoModel->transform = ScaleMatrix(size);
    gizmoModel->Draw(0.0f, std::nullopt, MeshDrawOf(*this));
}

void CScene::DrawModel(float frameTime)
{
    if (!modelChanged) {
        const Float3 eye = {passView.eye[0], passView.eye[1], passView.eye[2]};
        model->Draw(frameTime, eye, MeshDrawOf(*this));
        return;
    }
    // A load has just ended: frame the new model now and draw it from the next frame on.
    AcceptLoadedModel();
}

void CScene::AcceptLoadedModel()
{
    FocusCameraOnModel(false);
    // Handed over here, on the window thread that plays it: the load thread only staged it.
    if (model->cameraClip && camera)
        camera->clip = std::move(model->cameraClip);
    if (model->scene) {
        hasAnimation = false;
        if (CMeshObject* first = model->FirstMeshObject()) {
            hasAnimation = model->scene->mNumAnimations > 0 ||
                           (first->context && first->context->boneCount > 0);
        }
    }
    modelChanged = false;
}

void CScene::DrawGrid(const DrawView&)
{
    CGraphicsDevice& device = *this->device;
    const int32_t savedMode = device.renderMode;
    device.renderMode = 1;
    BindRenderMode(1);
    if (gridModel)
        gridModel->Draw(0.0f, std::nullopt, MeshDrawOf(*this));
    device.renderMode = savedMode;
    BindRenderMode(savedMode);
}

void CScene::DrawLight(float frameTime)
{
    CGraphicsDevice& device = *this->device;
    if (lightMesh) {
        device.context->SetDepthStencilState(*device.depthTestReadOnly, 1);
        lightMesh->Draw(frameTime, std::nullopt, MeshDrawOf(*this));
        device.context->SetDepthStencilState(*device.depthTestWrite, 1);
    }
    UpdateLight();
}

void CScene::UpdateLight()
{
    if (!input)
        return;
    light.Update(*input, lightMesh != nullptr);
    if (lightMesh)
        std::memcpy(lightMesh->transform.data(), light.meshWorld.m, sizeof(light.meshWorld.m));
}

bool CScene::FrameLoadedModel()
{
    std::lock_guard<std::mutex> lock(modelLock);
    if (!model || !modelChanged)
        return false;
    AcceptLoadedModel();
    return true;
}

void CScene::SetLightConstants()
{
    if (!shader)
        return;
    std::memcpy(shader->lightDirection, light.direction, sizeof(shader->lightDirection));
    const std::array<float, 4> colour = light.ShaderColor();
    std::memcpy(shader->lightColor, colour.data(), sizeof(shader->lightColor));
}
