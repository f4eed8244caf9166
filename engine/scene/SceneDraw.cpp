// The frame's scene passes: skybox, gizmo, model, grid, light.
#include <cmath>
#include <cstring>

#include <assimp/scene.h>

#include "animation/NodeAnimation.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/RenderStateGuard.h"
#include "graphics/gpu/PassTimer.h"
#include "models/ModelNode.h"
#include "platform/Clock.h"
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

Matrix4 ScaleMatrix(float size)
{
    Matrix4 m = Matrix4::Identity();
    m.m[0][0] = m.m[1][1] = m.m[2][2] = size;
    return m;
}

}  // namespace

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

    const DrawView view = ViewOrIdentity(camera);
    {
        RenderStateGuard state(*device);
        state.SetRenderMode(0);
        if (renderSkybox && skyboxModel)
            DrawSkybox(view);
        gpu::MarkPass("sky");
    }

    passView = view;
    // The joints' marker size; a skeleton without mesh always shows its joints.
    const CMeshObject* first = model ? model->FirstMeshObject() : nullptr;
    const bool jointsShown = options.showJointsThroughGeometry || (first && first->skeletonOnly);
    passModelRadius = model && jointsShown ? model->LargestBounds().radius : 0.0f;
    if (!photoMode && !capture)
        DrawGizmo(view);
    gpu::MarkPass("gizmo");
    if (model) {
        DrawModel(frameTime);
        DrawInspection();
    }
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

bool CScene::SkyCoversTarget() const
{
    if (!renderSkybox || !skyboxModel || !cubeMap || !cubeMap->view || !shader ||
        !shader->HasPixelShader("SKYBOX"))
        return false;
    const CMeshObject* cube = skyboxModel->FirstMeshObject();
    return cube && cube->IsDrawable();
}

void CScene::DrawSkybox(const DrawView& view)
{
    CGraphicsDevice& device = *this->device;
    RenderStateGuard state(device);
    state.SetDepthStencil(device.depthTestReadOnly.get());
    passView = camera ? SkyViewOf(*camera) : view;
    for (int i = 0; i < 3; ++i)
        skyboxModel->transform.m[3][i] = passView.eye[i];
    state.SetOpaqueBlend();  // every sky fragment has alpha 1
    skyboxModel->Draw(0.0f, std::nullopt, MeshDrawOf(*this));
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

AdvanceOptions CScene::ClipAdvanceOptions() const
{
    AdvanceOptions options;
    options.nowMs = passOptions.clockMs ? passOptions.clockMs : platform::TickCountMilliseconds();
    options.animateSequence = passOptions.animateSequence;
    options.followCameraJoint = passOptions.followCameraJoint;
    options.loop = passOptions.loopClips;
    options.speed = model ? static_cast<float>(model->animationSpeed) / 100.0f : 1.0f;
    return options;
}

void CScene::DrawModel(float frameTime)
{
    if (!modelChanged) {
        // Nodes first: the meshes are drawn where the node animation puts them this frame.
        const AdvanceOptions options = ClipAdvanceOptions();
        if (std::optional<Matrix4> joint = AdvanceModelNodes(*model, options); joint && camera)
            camera->FollowJoint(*joint);
        const Float3 eye = {passView.eye[0], passView.eye[1], passView.eye[2]};
        if (inspection.boneWeights.Active() && shader &&
            shader->HasPixelShader(kBoneWeightShaderName))
            passBoneView = &inspection.boneWeights;
        model->Draw(frameTime, eye, MeshDrawOf(*this));
        passBoneView = nullptr;
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
    RenderStateGuard state(*this->device);
    state.SetRenderMode(1);
    if (gridModel)
        gridModel->Draw(0.0f, std::nullopt, MeshDrawOf(*this));
}

void CScene::DrawLight(float frameTime)
{
    if (lightMesh) {
        CGraphicsDevice& device = *this->device;
        RenderStateGuard state(device);
        state.SetDepthStencil(device.depthTestReadOnly.get());
        lightMesh->Draw(frameTime, std::nullopt, MeshDrawOf(*this));
    }
    UpdateLight();
}

void CScene::UpdateLight()
{
    if (!input)
        return;
    light.Update(*input, lightMesh != nullptr);
    if (lightMesh)
        lightMesh->transform = light.meshWorld;
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
