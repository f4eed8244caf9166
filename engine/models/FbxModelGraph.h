// The model hierarchy of an FBX file as the import library will walk it: every "Model"
// object and every connection that makes one model the child of another.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// Deeper than any real skeleton or scene graph.
constexpr uint32_t kMaxFbxModelDepth = 1000;
// A model with two parents is built once under each: a lattice of shared children would
// multiply into more nodes than memory holds. More than any real scene has.
constexpr uint64_t kMaxFbxModelNodes = 1'000'000;

struct FbxModelGraph {
    std::unordered_map<uint64_t, std::string> names;  // model id -> name, for messages
    // (child, parent), in file order and with repeats: the library builds a child once per
    // connection. Parent 0 is the scene root; links between other objects are harmless.
    std::vector<std::pair<uint64_t, uint64_t>> links;
    // Skin deformers and their clusters (deformer id -> true for a skin): a cluster is
    // linked to its skin, and its bone (a model) is linked to it.
    std::unordered_map<uint64_t, bool> deformers;
    uint32_t takes = 0;  // animation stacks

    void AddModel(uint64_t id, std::string_view name);
    void AddDeformer(uint64_t id, std::string_view type);
};

// Why the library must not walk this hierarchy: a cycle among models, a chain deeper than
// kMaxFbxModelDepth, or more nodes than kMaxFbxModelNodes (and than the file has models).
// Iterative, so the check cannot exhaust the stack itself.
std::optional<std::string> FindUnsafeModelHierarchy(const FbxModelGraph& graph);

// Two bones of one skin with the same name: the library keys a skin's bones by name and
// hands the mesh one bone twice, which it then frees twice.
std::optional<std::string> FindBonesSharingAName(const FbxModelGraph& graph);

// An object id as the library reads it from an ASCII token: the leading decimal digits,
// 0 when they overflow 64 bits (the library's own reading); nothing without a leading digit.
std::optional<uint64_t> ParseFbxTextId(std::string_view token);
