// The skeleton of one imported mesh, its clips and the playback clock; computes the pose
// that fills the mesh object's bone palette. The first clip is the model file itself.
#pragma once

#include <assimp/matrix4x4.h>
#include <assimp/mesh.h>

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "animation/AnimationClip.h"
#include "animation/AnimationReports.h"
#include "animation/ClipPose.h"
#include "animation/ClipReload.h"
#include "animation/Skeleton.h"

inline constexpr uint32_t kMaxSkeletonBones = 256;

class AnimationController {
   public:
    static constexpr uint64_t kClockNotStarted = std::numeric_limits<uint64_t>::max();

    // Imports `path` as a clip of its own and, when that works, takes the skeleton from
    // `mesh` (none for a whole-model animation file). A file that cannot be opened shows
    // "Couldn't open file: " in a message box and adds no clip. `poseSpace` is the space
    // poses are given in: the global transform of the skinned mesh's node at rest, which
    // the mesh is drawn with (import library layout).
    void LoadFile(const std::string& path, const std::string& nodeName, const aiMesh* mesh,
                  const AnimationReports& reports, const aiMatrix4x4& poseSpace = aiMatrix4x4());
    // Sets the space poses are given in (see LoadFile); the global inverse is its inverse.
    void SetPoseSpace(const aiMatrix4x4& space);
    // Starts the clock afresh, sets up the bones from `mesh` and checks the baked keys.
    void InitialiseFromScene(const aiScene& scene, const aiMesh* mesh,
                             const AnimationReports& reports);
    void SetUpBones(const aiMesh& mesh, const aiScene& scene, const AnimationReports& reports);
    // Appends take `animationIndex` of `scene` as a clip; true when the current clip is
    // usable.
    bool AddClip(ImportedScenePtr scene, const std::string& nodeName,
                 const AnimationReports& reports, uint32_t animationIndex = 0);
    // Asks for the clips at `indices` to be replaced by a new import of their file
    // (ReimportClipFile); they are swapped in at the first Advance after it arrives.
    ClipReloadTarget RequestReload(const std::vector<uint32_t>& indices);

    // The per-frame steps after camera follow and sequencing: a waiting reload is swapped
    // in, otherwise the clock runs. `nowMs` is the millisecond tick count; `speed` scales
    // the clock (1 = normal) and with `loop` off each clip stops at its last key.
    void Advance(uint64_t nowMs, float speed = 1.0f, bool loop = true);
    // Computes the final transforms and the joint tree from the previous and current clips
    // (blended while blend is above 0). False, with nothing changed, when either clip is
    // missing or has no animation.
    bool ComputePose();
    // The joint's transform in the scene's space for camera follow, from the last pose (or
    // the bind pose before any). Nothing without a usable camera joint.
    std::optional<aiMatrix4x4> CameraJointTransform() const;

    const AnimationClip* Clip(int64_t index) const;
    const AnimationClip* CurrentClip() const { return Clip(currentClip); }
    uint32_t ClipCount() const { return static_cast<uint32_t>(clips.size()); }

    std::string name;
    uint64_t lastTick = kClockNotStarted;
    float timeA = 0.0f;  // seconds into the current clip, or the previous one while blending
    float timeB = 0.0f;  // seconds into the current clip while blending
    float blend = 0.0f;  // weight of the previous clip
    int32_t previousClip = -1;
    bool paused = false;
    uint32_t importCount = 0;   // files the controller imported itself
    aiMatrix4x4 poseSpace;      // where poses are given: see LoadFile
    aiMatrix4x4 globalInverse;  // its inverse
    std::vector<SkeletonBone> bones;
    bool hasCameraJoint = false;
    uint32_t currentClip = 0;
    JointTree joints;  // of the last pose
    bool hasJoints = false;
    std::map<std::string, uint32_t> boneMap;
    std::vector<AnimationClip> clips;
    std::string cameraJointName = "camera_jnt";
    std::vector<PendingClip> pendingClips;  // re-imported clips waiting to be swapped in
    std::shared_ptr<ClipMailbox> mailbox = std::make_shared<ClipMailbox>();
    std::string lastImportError;

    // Every node whose name contains the camera joint's becomes a bone of its own.
    void AddCameraJointNodes(const aiScene& scene);

   private:
    PoseScratch scratch;
};
