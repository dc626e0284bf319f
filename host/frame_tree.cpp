// Builds the tree of one frame from user-given parameter values, through the effect's own
// parameter setup and conversion.
#include "host/frame_tree.h"

#include <fstream>

#include "effect/entry.h"
#include "host/param_values.h"
#include "host/sequence.h"
#include "platform/pages.h"
#include "tree/random.h"
#include "tree/tree_mesh.h"
#include "tree/tree_model.h"

namespace {

void CountNodes(const BranchNode* node, FrameTree& tree)
{
    if (!node)
        return;
    ++tree.nodes;
    if (node->growth > 0.0f)
        ++tree.grownNodes;
    tree.needles += node->needleCount;
    for (int32_t i = 0; i < node->childCount && i < MaxTreeChildren; ++i)
        CountNodes(node->children[i], tree);
}

bool ApplyOptions(HostSession& session, const FrameTreeOptions& options, std::string& error)
{
    if (!options.paramsFile.empty()) {
        std::ifstream file(options.paramsFile);
        if (!file) {
            error = "cannot read the parameter file " + options.paramsFile;
            return false;
        }
        nlohmann::ordered_json doc = nlohmann::ordered_json::parse(file, nullptr, false);
        if (doc.is_discarded()) {
            error = options.paramsFile + " is not a JSON parameter file";
            return false;
        }
        if (!ApplyParamsJson(session, doc, error))
            return false;
    }
    for (const std::string& setting : options.settings) {
        size_t eq = setting.find('=');
        if (eq == std::string::npos) {
            error = "a setting takes the form NAME=VALUE: " + setting;
            return false;
        }
        int32_t index = FindParam(session, setting.substr(0, eq), error);
        if (index < 0 || !SetParamFromText(session, index, setting.substr(eq + 1), error))
            return false;
    }
    return true;
}

} // namespace

FrameTree::~FrameTree()
{
    PageRelease(points);
    PageRelease(triangles);
}

bool BuildFrameTree(const FrameTreeOptions& options, FrameTree& tree, std::string& error)
{
    if (options.width <= 0 || options.height <= 0) {
        error = "the frame size must be positive";
        return false;
    }
    HostSession session;
    bool applied = false;
    PF_Err err = RunEffectInstance(session, EntryPointFunc, nullptr, [&](HostSession& s) {
        SetLayerSize(s, options.width, options.height);
        ResetParamValues(s);
        applied = ApplyOptions(s, options, error);
        if (applied)
            tree.params = ReadFrameParameters(ParamArray(s));
        return PF_Err_NONE;
    });
    if (!applied)
        return false;
    if (err != PF_Err_NONE) {
        error = "the effect's parameter setup failed with error " + std::to_string(err);
        return false;
    }

    const TreeInputs inputs = GeneratorInputs(tree.params, options.width, options.frame);
    SetRandomState(0);
    TreeModel* model = CreateTree();
    if (!model) {
        error = "out of memory";
        return false;
    }
    BuildTree(model, inputs);
    CountNodes(model->root, tree);
    BuildMesh(model);
    tree.pointCount = model->points ? model->pointCount : 0;
    tree.triangleCount = model->triangles ? model->triangleCount : 0;
    tree.tubeTriangles = model->tubeTriangleCount;
    tree.needleTriangles = model->needleTriangleCount;
    tree.points = model->points;
    tree.triangles = model->triangles;
    model->points = nullptr;
    model->triangles = nullptr;
    DestroyTree(model);
    return true;
}
