// The frame's tree as a mesh for other 3D programs: Wavefront OBJ with its MTL file, and binary
// glTF 2.0 (the Linux build only; velmora.exe refuses it). Both show the tree as the effect does
// at its default rotation, upright with the viewer on +z, in a right-handed frame: the generator's
// model space is left-handed (x to the viewer's left), so x is mirrored and every triangle's
// corners are reversed to keep its front face. Lengths are the generator's, in pixels of the frame
// size the parameters were converted for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/frame_tree.h"

// A material as other programs describe one, from the effect's lighting model: colour is
// (d (1 - selfIllum) + selfIllum) diffuse + d^exponent strength specular for a light at cosine d.
struct ExportMaterial {
    const char* name;        // "tree" (material 0, trunk and branches) or "needles"
    float diffuse[3];        // 0..1, as the frame's pixels hold them (sRGB-encoded)
    float specular[3];       // the specular colour times its strength, 0..1
    float exponent;          // the highlight's exponent, 100 x shininess
    float opacity;           // 1 - transparency
    float selfIllum;         // 0..1
};

// The frame's two materials, 0 the tree and 1 the needles.
void ExportMaterials(const FrameTree& tree, ExportMaterial materials[2]);

// The mesh in the exported frame: a vertex per generated point, its normal unit length (a
// missing or zero one becomes the mean of its triangles' own), and per material the triangles'
// corners, three to a triangle, front faces counter-clockwise. Triangles naming a point that
// does not exist or a third material are left out.
struct ExportVertex {
    float position[3];
    float normal[3];
};
struct ExportMesh {
    std::vector<ExportVertex> vertices;
    std::vector<uint32_t> corners[2];
};
ExportMesh BuildExportMesh(const FrameTree& tree);

// The OBJ text, naming `mtlFile` (a file name beside it) in its mtllib line, and the MTL text.
std::string EncodeObj(const FrameTree& tree, const std::string& mtlFile);
std::string EncodeMtl(const FrameTree& tree);

// The tree as a .glb: one mesh with a primitive per material (positions, normals, indices) and
// two metallic-roughness materials approximating the effect's. False with `error` set when this
// build cannot write glTF or the encoder fails.
bool EncodeGlb(const FrameTree& tree, std::vector<uint8_t>& glb, std::string& error);
