// The tree as binary glTF 2.0, assembled as a tinygltf model (Debian's libtinygltf) and serialised
// by it. The Linux build only: Debian has no tinygltf for the cross compiler.
#include "host/mesh_export.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <sstream>

#include <tiny_gltf.h>

namespace {

// glTF's colour factors are linear; the effect's colours are the frame's sRGB-encoded values.
double SrgbToLinear(float v)
{
    const double s = v;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}

tinygltf::Material ToGltf(const ExportMaterial& m)
{
    tinygltf::Material g;
    g.name = m.name;
    g.pbrMetallicRoughness.baseColorFactor = {SrgbToLinear(m.diffuse[0]), SrgbToLinear(m.diffuse[1]),
                                             SrgbToLinear(m.diffuse[2]), double(m.opacity)};
    g.pbrMetallicRoughness.metallicFactor = 0.0;
    // A Blinn-Phong exponent n matches a microfacet slope spread alpha = sqrt(2 / (n + 2)), and
    // glTF's roughness is sqrt(alpha). Without a highlight (no strength, or an exponent of zero or
    // less, which the effect's shader turns into a flat or blown-out term) the surface is matte.
    const bool highlight = m.exponent > 0.0f && std::max({m.specular[0], m.specular[1], m.specular[2]}) > 0.0f;
    g.pbrMetallicRoughness.roughnessFactor =
        highlight ? std::min(1.0, std::pow(2.0 / (double(m.exponent) + 2.0), 0.25)) : 1.0;
    g.emissiveFactor = {SrgbToLinear(m.diffuse[0]) * m.selfIllum, SrgbToLinear(m.diffuse[1]) * m.selfIllum,
                        SrgbToLinear(m.diffuse[2]) * m.selfIllum};
    if (m.opacity < 1.0f)
        g.alphaMode = "BLEND";
    // Needles are single triangles and tubes end open, both seen from either side in the effect.
    g.doubleSided = true;
    return g;
}

// Appends `bytes` to the buffer as a view of its own; returns the view's index.
int AddView(tinygltf::Model& model, const void* bytes, size_t size, int target)
{
    tinygltf::Buffer& buffer = model.buffers[0];
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = buffer.data.size();
    view.byteLength = size;
    view.target = target;
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    buffer.data.insert(buffer.data.end(), p, p + size);
    model.bufferViews.push_back(view);
    return int(model.bufferViews.size() - 1);
}

int AddAccessor(tinygltf::Model& model, int view, int componentType, int type, size_t count)
{
    tinygltf::Accessor accessor;
    accessor.bufferView = view;
    accessor.byteOffset = 0;
    accessor.componentType = componentType;
    accessor.type = type;
    accessor.count = count;
    model.accessors.push_back(accessor);
    return int(model.accessors.size() - 1);
}

} // namespace

bool EncodeGlb(const FrameTree& tree, std::vector<uint8_t>& glb, std::string& error)
{
    const ExportMesh mesh = BuildExportMesh(tree);
    ExportMaterial materials[2];
    ExportMaterials(tree, materials);

    tinygltf::Model model;
    model.asset.version = "2.0";
    model.asset.generator = "Velmora";
    model.materials.push_back(ToGltf(materials[0]));
    model.materials.push_back(ToGltf(materials[1]));
    tinygltf::Node node;
    node.name = "Velmora tree";

    // A tree grown to nothing (frame 0 of the grow-up animation) is a scene with an empty node:
    // glTF allows no empty buffer or mesh.
    if (!mesh.vertices.empty() && (!mesh.corners[0].empty() || !mesh.corners[1].empty())) {
        model.buffers.resize(1);
        const size_t count = mesh.vertices.size();
        std::vector<float> positions(count * 3), normals(count * 3);
        std::vector<double> lo(3, DBL_MAX), hi(3, -DBL_MAX);
        for (size_t i = 0; i < count; ++i)
            for (int k = 0; k < 3; ++k) {
                const float p = mesh.vertices[i].position[k];
                positions[i * 3 + size_t(k)] = p;
                normals[i * 3 + size_t(k)] = mesh.vertices[i].normal[k];
                lo[size_t(k)] = std::min(lo[size_t(k)], double(p));
                hi[size_t(k)] = std::max(hi[size_t(k)], double(p));
            }
        const int positionView =
            AddView(model, positions.data(), positions.size() * sizeof(float), TINYGLTF_TARGET_ARRAY_BUFFER);
        const int normalView = AddView(model, normals.data(), normals.size() * sizeof(float), TINYGLTF_TARGET_ARRAY_BUFFER);
        const int position = AddAccessor(model, positionView, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, count);
        // Readers check that the bounds are those of the data, so they are the stored floats'.
        model.accessors[size_t(position)].minValues = lo;
        model.accessors[size_t(position)].maxValues = hi;
        const int normal = AddAccessor(model, normalView, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, count);

        tinygltf::Mesh gltfMesh;
        gltfMesh.name = "tree";
        for (int m = 0; m < 2; ++m) {
            const std::vector<uint32_t>& corners = mesh.corners[m];
            if (corners.empty())
                continue;
            const int view = AddView(model, corners.data(), corners.size() * sizeof(uint32_t),
                                     TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
            tinygltf::Primitive primitive;
            primitive.attributes["POSITION"] = position;
            primitive.attributes["NORMAL"] = normal;
            primitive.indices = AddAccessor(model, view, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR,
                                            corners.size());
            primitive.material = m;
            primitive.mode = TINYGLTF_MODE_TRIANGLES;
            gltfMesh.primitives.push_back(primitive);
        }
        model.meshes.push_back(gltfMesh);
        node.mesh = 0;
    }
    model.nodes.push_back(node);
    tinygltf::Scene scene;
    scene.nodes.push_back(0);
    model.scenes.push_back(scene);
    model.defaultScene = 0;

    std::ostringstream stream;
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&model, stream, false, true)) {
        error = "the glTF encoder failed";
        return false;
    }
    const std::string bytes = stream.str();
    glb.assign(bytes.begin(), bytes.end());
    return true;
}
