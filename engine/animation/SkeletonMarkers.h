// The arrow and axis models the skeleton display draws at every joint. They are fixed
// assets, loaded once and shared by every animation set alive.
#pragma once

#include <memory>

class CModelNode;
class CModelImporter;

struct SkeletonMarkers {
    SkeletonMarkers();
    ~SkeletonMarkers();
    std::unique_ptr<CModelNode> arrow;  // "arrow/arrow.fbx", points along its +z
    std::unique_ptr<CModelNode> axis;   // "xyz/xyz.fbx"
};

// The markers of the sets alive, or freshly loaded ones. Each model is imported from its
// own directory, so it finds its own textures and never the user's.
std::shared_ptr<SkeletonMarkers> AcquireSkeletonMarkers(const CModelImporter& importer);
