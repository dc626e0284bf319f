// The exported frame and materials shared by the mesh writers, and the Wavefront OBJ and MTL texts.
#include "host/mesh_export.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

float Clamp01(float v) { return v > 1.0f ? 1.0f : (v > 0.0f ? v : 0.0f); }

void FillMaterial(const MaterialParameters& m, const char* name, ExportMaterial& out)
{
    out.name = name;
    for (int c = 0; c < 3; ++c) {
        out.diffuse[c] = Clamp01(m.diffuse[c]);
        out.specular[c] = Clamp01(m.specular[c] * m.shinStrength);
    }
    out.exponent = 100.0f * m.shininess;
    out.opacity = 1.0f - Clamp01(m.transparency / 100.0f);
    out.selfIllum = Clamp01(m.selfIllumination / 100.0f);
}

// Unit length in double precision, so the stored floats pass a reader's unit-length check; false
// for a zero, infinite or NaN vector.
bool Normalise(const double in[3], float out[3])
{
    const double length = std::sqrt(in[0] * in[0] + in[1] * in[1] + in[2] * in[2]);
    if (!(length > 1e-30) || !std::isfinite(length))
        return false;
    for (int k = 0; k < 3; ++k)
        out[k] = float(in[k] / length);
    return true;
}

} // namespace

void ExportMaterials(const FrameTree& tree, ExportMaterial materials[2])
{
    FillMaterial(tree.params.tree, "tree", materials[0]);
    FillMaterial(tree.params.needles, "needles", materials[1]);
}

ExportMesh BuildExportMesh(const FrameTree& tree)
{
    ExportMesh mesh;
    const int32_t count = tree.points ? tree.pointCount : 0;
    mesh.vertices.resize(size_t(count));
    std::vector<bool> haveNormal(size_t(count), false);
    for (int32_t i = 0; i < count; ++i) {
        const __Point3ds& p = tree.points[i];
        ExportVertex& v = mesh.vertices[size_t(i)];
        v.position[0] = -p.x;
        v.position[1] = p.y;
        v.position[2] = p.z;
        const double n[3] = {-double(p.nx), double(p.ny), double(p.nz)};
        haveNormal[size_t(i)] = p.hasNormal && Normalise(n, v.normal);
    }
    // A point without a normal takes the sum of its triangles' area-weighted normals.
    std::vector<double> faceSums;
    const int32_t triangles = tree.triangles ? tree.triangleCount : 0;
    for (int32_t t = 0; t < triangles; ++t) {
        const __Triangle3ds& tri = tree.triangles[t];
        if (tri.material > 1 || tri.a < 0 || tri.b < 0 || tri.c < 0 || tri.a >= count || tri.b >= count ||
            tri.c >= count)
            continue;
        // Mirroring x turns the generator's front face around; reversing the corners turns it back.
        const uint32_t corners[3] = {uint32_t(tri.a), uint32_t(tri.c), uint32_t(tri.b)};
        mesh.corners[tri.material].insert(mesh.corners[tri.material].end(), corners, corners + 3);
        if (haveNormal[corners[0]] && haveNormal[corners[1]] && haveNormal[corners[2]])
            continue;
        if (faceSums.empty())
            faceSums.assign(size_t(count) * 3, 0.0);
        const float* a = mesh.vertices[corners[0]].position;
        const float* b = mesh.vertices[corners[1]].position;
        const float* c = mesh.vertices[corners[2]].position;
        const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
        const double w[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
        const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        for (uint32_t corner : corners)
            for (int k = 0; k < 3; ++k)
                faceSums[size_t(corner) * 3 + size_t(k)] += n[k];
    }
    for (int32_t i = 0; i < count; ++i) {
        if (haveNormal[size_t(i)])
            continue;
        float* normal = mesh.vertices[size_t(i)].normal;
        // A point on no triangle, or only on degenerate ones, points at the viewer.
        if (faceSums.empty() || !Normalise(&faceSums[size_t(i) * 3], normal)) {
            normal[0] = normal[1] = 0.0f;
            normal[2] = 1.0f;
        }
    }
    return mesh;
}

std::string EncodeObj(const FrameTree& tree, const std::string& mtlFile)
{
    const ExportMesh mesh = BuildExportMesh(tree);
    std::ostringstream obj;
    obj << "# Velmora tree: " << mesh.vertices.size() << " points, "
        << (mesh.corners[0].size() + mesh.corners[1].size()) / 3 << " triangles; y up, viewer on +z\n";
    obj << "mtllib " << mtlFile << "\n";
    for (const ExportVertex& v : mesh.vertices)
        obj << "v " << v.position[0] << ' ' << v.position[1] << ' ' << v.position[2] << '\n';
    for (const ExportVertex& v : mesh.vertices)
        obj << "vn " << v.normal[0] << ' ' << v.normal[1] << ' ' << v.normal[2] << '\n';
    // A group per material: the trunk and branches, then the needles.
    ExportMaterial materials[2];
    ExportMaterials(tree, materials);
    for (int m = 0; m < 2; ++m) {
        obj << "g " << materials[m].name << "\nusemtl " << materials[m].name << '\n';
        const std::vector<uint32_t>& corners = mesh.corners[m];
        for (size_t i = 0; i + 2 < corners.size(); i += 3)
            obj << "f " << corners[i] + 1 << "//" << corners[i] + 1 << ' ' << corners[i + 1] + 1 << "//"
                << corners[i + 1] + 1 << ' ' << corners[i + 2] + 1 << "//" << corners[i + 2] + 1 << '\n';
    }
    return obj.str();
}

std::string EncodeMtl(const FrameTree& tree)
{
    ExportMaterial materials[2];
    ExportMaterials(tree, materials);
    std::ostringstream mtl;
    mtl << "# Velmora tree materials: the effect's diffuse and specular colours, highlight exponent,\n"
           "# opacity and self-illumination\n";
    for (const ExportMaterial& m : materials) {
        mtl << "\nnewmtl " << m.name << '\n'
            << "Ka 0 0 0\n"
            << "Kd " << m.diffuse[0] << ' ' << m.diffuse[1] << ' ' << m.diffuse[2] << '\n'
            << "Ks " << m.specular[0] << ' ' << m.specular[1] << ' ' << m.specular[2] << '\n'
            // MTL's exponent runs from 0 to 1000.
            << "Ns " << std::min(std::max(m.exponent, 0.0f), 1000.0f) << '\n'
            << "Ke " << m.diffuse[0] * m.selfIllum << ' ' << m.diffuse[1] * m.selfIllum << ' '
            << m.diffuse[2] * m.selfIllum << '\n'
            << "d " << m.opacity << '\n'
            << "illum 2\n";
    }
    return mtl.str();
}
