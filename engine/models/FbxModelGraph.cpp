#include "models/FbxModelGraph.h"

#include <algorithm>
#include <limits>
#include <map>

namespace {

constexpr size_t kMaxNameInMessage = 80;
constexpr uint64_t kSaturated = std::numeric_limits<uint64_t>::max() / 2;

std::string ModelName(const FbxModelGraph& graph, uint64_t id)
{
    const auto it = graph.names.find(id);
    if (it == graph.names.end() || it->second.empty())
        return std::to_string(id);
    return it->second.substr(0, kMaxNameInMessage);
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b)
{
    return std::min(kSaturated, a + std::min(b, kSaturated));
}

}  // namespace

void FbxModelGraph::AddModel(uint64_t id, std::string_view name)
{
    names.insert_or_assign(id, std::string(name.substr(0, name.find('\0'))));
}

void FbxModelGraph::AddDeformer(uint64_t id, std::string_view type)
{
    if (type == "Skin" || type == "Cluster")
        deformers.insert_or_assign(id, type == "Skin");
}

std::optional<std::string> FindBonesSharingAName(const FbxModelGraph& graph)
{
    if (graph.deformers.empty())
        return std::nullopt;
    const auto isDeformer = [&](uint64_t id, bool skin) {
        const auto it = graph.deformers.find(id);
        return it != graph.deformers.end() && it->second == skin;
    };
    std::unordered_map<uint64_t, uint64_t> skinOfCluster;
    for (const auto& [child, parent] : graph.links)
        if (isDeformer(child, false) && isDeformer(parent, true))
            skinOfCluster.emplace(child, parent);
    // (skin, bone name) -> the bone model that first took the name.
    std::map<std::pair<uint64_t, std::string_view>, uint64_t> bones;
    for (const auto& [child, parent] : graph.links) {
        const auto skin = skinOfCluster.find(parent);
        const auto model = graph.names.find(child);
        if (skin == skinOfCluster.end() || model == graph.names.end())
            continue;
        const auto [it, added] = bones.emplace(
            std::pair<uint64_t, std::string_view>(skin->second, model->second), child);
        if (!added && it->second != child)
            return "two bones of one skin are both named '" +
                   model->second.substr(0, kMaxNameInMessage) + "'";
    }
    return std::nullopt;
}

std::optional<uint64_t> ParseFbxTextId(std::string_view token)
{
    if (token.empty() || token[0] < '0' || token[0] > '9')
        return std::nullopt;
    uint64_t value = 0;
    for (const char c : token) {
        if (c < '0' || c > '9')
            break;
        const uint64_t next = value * 10 + static_cast<uint64_t>(c - '0');
        if (next < value)
            return 0;
        value = next;
    }
    return value;
}

std::optional<std::string> FindUnsafeModelHierarchy(const FbxModelGraph& graph)
{
    std::unordered_map<uint64_t, uint32_t> index;
    std::vector<uint64_t> ids;
    for (const auto& entry : graph.names) {
        index.emplace(entry.first, static_cast<uint32_t>(ids.size()));
        ids.push_back(entry.first);
    }
    // Parents of each model as a compact adjacency list; links to the root are counted
    // apart, since the root is where the library's walk starts.
    std::vector<uint32_t> first(ids.size() + 1, 0);
    std::vector<std::pair<uint32_t, uint32_t>> edges;
    std::vector<uint64_t> rootLinks(ids.size(), 0);
    for (const auto& [child, parent] : graph.links) {
        const auto c = index.find(child);
        if (c == index.end())
            continue;
        // The library's walk starts at id 0: a model with that id under anything walks
        // the whole scene again beneath itself.
        if (child == 0)
            edges.emplace_back(c->second, c->second);
        if (const auto p = index.find(parent); p != index.end())
            edges.emplace_back(c->second, p->second);
        else if (parent == 0)
            ++rootLinks[c->second];
    }
    std::sort(edges.begin(), edges.end());
    for (const auto& edge : edges)
        ++first[edge.first + 1];
    for (size_t i = 1; i < first.size(); ++i)
        first[i] += first[i - 1];

    // Depth-first over parent links. A model is finished once all its ancestors are:
    // then its depth (longest chain above it) and the number of nodes the library builds
    // for it (one per path from the root) are final.
    enum : uint8_t { kUnseen, kOnPath, kDone };
    std::vector<uint8_t> state(ids.size(), kUnseen);
    std::vector<uint32_t> depth(ids.size(), 1);
    std::vector<uint64_t> nodes(ids.size(), 0);
    uint64_t totalNodes = 0;
    struct Frame {
        uint32_t model;
        uint32_t next;  // next parent edge to follow
    };
    std::vector<Frame> path;
    for (uint32_t start = 0; start < ids.size(); ++start) {
        if (state[start] != kUnseen)
            continue;
        path.push_back({start, first[start]});
        state[start] = kOnPath;
        while (!path.empty()) {
            Frame& frame = path.back();
            const uint32_t model = frame.model;
            if (frame.next < first[model + 1]) {
                const uint32_t parent = edges[frame.next++].second;
                if (state[parent] == kOnPath)
                    return "models are parented in a cycle (model '" +
                           ModelName(graph, ids[parent]) + "')";
                if (state[parent] == kUnseen) {
                    state[parent] = kOnPath;
                    path.push_back({parent, first[parent]});
                }
                continue;
            }
            path.pop_back();
            state[model] = kDone;
            nodes[model] = rootLinks[model];
            for (uint32_t e = first[model]; e < first[model + 1]; ++e) {
                const uint32_t parent = edges[e].second;
                depth[model] = std::max(depth[model], depth[parent] + 1);
                nodes[model] = SaturatingAdd(nodes[model], nodes[parent]);
            }
            if (depth[model] > kMaxFbxModelDepth)
                return "models are nested more than " + std::to_string(kMaxFbxModelDepth) +
                       " levels deep (model '" + ModelName(graph, ids[model]) + "')";
            totalNodes = SaturatingAdd(totalNodes, nodes[model]);
        }
    }
    if (totalNodes > std::max<uint64_t>(kMaxFbxModelNodes, ids.size()))
        return "models shared between parents would make " +
               (totalNodes >= kSaturated ? std::string("countless") : std::to_string(totalNodes)) +
               " nodes";
    return std::nullopt;
}
