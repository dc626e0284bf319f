// Builds the tree of one frame from user-given parameter values, through the effect's own
// parameter setup and conversion.
#include "host/frame_tree.h"

#include "effect/entry.h"
#include "host/param_file.h"
#include "host/param_values.h"
#include "host/sequence.h"
#include "tree/random.h"
#include "tree/tree_mesh.h"

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
    std::vector<ParamSetting> settings;
    if (!options.paramsFile.empty() && !LoadParamsFile(session, "--params", options.paramsFile, settings, error))
        return false;
    for (const std::string& text : options.settings) {
        ParamSetting setting;
        if (!ParseSetting(session, text, setting, error))
            return false;
        settings.push_back(setting);
    }
    for (const ParamSetting& setting : settings)
        if (!ApplySetting(session, setting, options.frame, error))
            return false;
    return true;
}

} // namespace

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
    if (!GrowFrameMesh(inputs, tree, [&](const TreeModel& model) { CountNodes(model.root, tree); })) {
        error = "out of memory";
        return false;
    }
    return true;
}

TreeSize CountTree(const FrameParameters& params, int32_t width, int32_t frame)
{
    TreeSize size;
    SetRandomState(0);
    TreeModel* model = CreateTree();
    if (!model)
        return size;
    BuildTree(model, GeneratorInputs(params, width, frame));
    FrameTree counted;
    CountNodes(model->root, counted);
    int64_t tubes = 0, meshedNeedles = 0;
    if (model->root)
        CountMesh(model->root, tubes, meshedNeedles);
    DestroyTree(model);
    size.nodes = counted.nodes;
    size.needles = meshedNeedles;
    size.triangles = tubes + 3 * meshedNeedles;   // a needle is a three-sided pyramid
    // Every triangle has three points of its own; the hierarchy lives until the mesh is made.
    size.bytes = size.triangles * int64_t(3 * sizeof(__Point3ds) + sizeof(__Triangle3ds)) +
                 size.needles * int64_t(sizeof(Needle)) + size.nodes * int64_t(sizeof(BranchNode));
    return size;
}
