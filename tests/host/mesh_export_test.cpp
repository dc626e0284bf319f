// The tree's mesh files on both builds: the OBJ with the MTL its mtllib line names (both materials
// as the parameters set them), every point, normal and triangle in the exported frame (upright,
// front faces counter-clockwise as their normals say), names refused before anything is written,
// and velmora.exe's refusal of glTF.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/commands.h"
#include "host/frame_tree.h"
#include "host/mesh_export.h"
#include "host/output_formats.h"
#include "tests/host/render_fixture.h"

namespace {

struct ObjFile {
    std::string mtllib;
    std::vector<std::array<double, 3>> v, vn;
    std::map<std::string, std::vector<std::array<int, 3>>> faces;   // by usemtl
};

// Calls line(key, rest) for every line of a text file, key being its first word.
template <class Line>
void ForEachLine(const std::filesystem::path& path, Line line)
{
    std::ifstream file(path);
    for (std::string text; std::getline(file, text);) {
        std::istringstream rest(text);
        std::string key;
        rest >> key;
        line(key, rest);
    }
}

ObjFile ReadObj(const std::filesystem::path& path)
{
    ObjFile obj;
    std::string material;
    ForEachLine(path, [&](const std::string& key, std::istringstream& in) {
        if (key == "mtllib") {
            in >> obj.mtllib;
        } else if (key == "v" || key == "vn") {
            std::array<double, 3> p{};
            in >> p[0] >> p[1] >> p[2];
            (key == "v" ? obj.v : obj.vn).push_back(p);
        } else if (key == "usemtl") {
            in >> material;
        } else if (key == "f") {
            std::array<int, 3> f{};
            for (int& corner : f) {
                std::string token;
                in >> token;
                corner = std::stoi(token) - 1;
                EXPECT_EQ(token, std::to_string(corner + 1) + "//" + std::to_string(corner + 1));
            }
            obj.faces[material].push_back(f);
        }
    });
    return obj;
}

// newmtl name -> key -> the line's numbers.
std::map<std::string, std::map<std::string, std::vector<double>>> ReadMtl(const std::filesystem::path& path)
{
    std::map<std::string, std::map<std::string, std::vector<double>>> mtl;
    std::string name;
    ForEachLine(path, [&](const std::string& key, std::istringstream& in) {
        if (key == "newmtl") {
            in >> name;
            return;
        }
        for (double x; in >> x;)
            mtl[name][key].push_back(x);
    });
    return mtl;
}

class MeshExport : public ::testing::Test {
protected:
    int Run(const TreeExport& files)
    {
        out.str("");
        err.str("");
        return RunTreeCommand(options, files, out, err);
    }
    FrameTreeOptions options;
    ScratchFolder folder;
    std::ostringstream out, err;
};

} // namespace

TEST_F(MeshExport, ObjNamesItsMtlWhichHoldsBothMaterials)
{
    options.settings = {"N branches=2", "Material of tree/Diffuse=200,40,0", "Material of tree/Transparancy=25",
                        "Material of tree/Self illumination=50"};
    const std::filesystem::path obj = folder.Path() / "pine.obj";
    ASSERT_EQ(Run(TreeExport{obj.string(), ""}), EXIT_OK) << err.str();
    EXPECT_NE(out.str().find("mtl=" + (folder.Path() / "pine.mtl").string()), std::string::npos) << out.str();

    const ObjFile file = ReadObj(obj);
    ASSERT_EQ(file.mtllib, "pine.mtl");
    auto mtl = ReadMtl(folder.Path() / file.mtllib);
    ASSERT_EQ(mtl.size(), 2u);
    const std::vector<double> treeKd = {200 / 255.0, 40 / 255.0, 0.0}, needleKd = {23 / 255.0, 200 / 255.0, 1 / 255.0};
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(mtl["tree"]["Kd"][size_t(c)], treeKd[size_t(c)], 1e-5);
        EXPECT_NEAR(mtl["needles"]["Kd"][size_t(c)], needleKd[size_t(c)], 1e-5);
        EXPECT_NEAR(mtl["tree"]["Ke"][size_t(c)], treeKd[size_t(c)] * 0.5, 1e-5);
    }
    // The tree's highlight: specular 250,170,0 at strength 0.9, exponent 150; the needles have none.
    EXPECT_NEAR(mtl["tree"]["Ks"][0], 250 / 255.0 * 0.9, 1e-5);
    EXPECT_NEAR(mtl["tree"]["Ns"][0], 150.0, 1e-3);
    EXPECT_EQ(mtl["needles"]["Ks"], (std::vector<double>{0, 0, 0}));
    EXPECT_NEAR(mtl["tree"]["d"][0], 0.75, 1e-6);
    EXPECT_NEAR(mtl["needles"]["d"][0], 1.0, 1e-6);
}

TEST_F(MeshExport, ObjHoldsEveryPointUprightWithFrontFacesCounterClockwise)
{
    options.settings = {"N branches=3"};
    FrameTree tree;
    std::string error;
    ASSERT_TRUE(BuildFrameTree(options, tree, error)) << error;
    const std::filesystem::path path = folder.Path() / "tree.obj";
    ASSERT_EQ(Run(TreeExport{path.string(), ""}), EXIT_OK) << err.str();
    const ObjFile obj = ReadObj(path);

    ASSERT_EQ(obj.v.size(), size_t(tree.pointCount));
    ASSERT_EQ(obj.vn.size(), obj.v.size());
    EXPECT_EQ(obj.faces.at("tree").size(), size_t(tree.tubeTriangleCount));
    EXPECT_EQ(obj.faces.at("needles").size(), size_t(tree.needleTriangleCount));
    double top = 0;
    for (size_t i = 0; i < obj.v.size(); ++i) {
        // Mirrored in x only, six significant digits.
        const __Point3ds& p = tree.points[i];
        EXPECT_NEAR(obj.v[i][0], -p.x, 1e-5 * (1 + std::fabs(p.x)));
        EXPECT_NEAR(obj.v[i][1], p.y, 1e-5 * (1 + std::fabs(p.y)));
        EXPECT_NEAR(obj.v[i][2], p.z, 1e-5 * (1 + std::fabs(p.z)));
        const auto& n = obj.vn[i];
        EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0, 1e-4);
        top = std::max(top, obj.v[i][1]);
    }
    EXPECT_GT(top, 400.0);   // grown upwards, along +y

    // Each face's corners turn counter-clockwise about the side its vertex normals point to.
    size_t agree = 0, faces = 0;
    for (const auto& group : obj.faces)
        for (const auto& f : group.second) {
            const auto &a = obj.v[size_t(f[0])], &b = obj.v[size_t(f[1])], &c = obj.v[size_t(f[2])];
            const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            const double g[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
            double dot = 0;
            for (int corner : f)
                for (int k = 0; k < 3; ++k)
                    dot += g[k] * obj.vn[size_t(corner)][size_t(k)];
            agree += dot > 0;
            ++faces;
        }
    EXPECT_GT(double(agree), 0.95 * double(faces)) << agree << " of " << faces;
}

TEST_F(MeshExport, BadNamesAreRefusedBeforeAnythingIsWritten)
{
    EXPECT_EQ(Run(TreeExport{(folder.Path() / "tree.mtl").string(), ""}), EXIT_FAILED);
    EXPECT_NE(err.str().find(".mtl file beside the OBJ"), std::string::npos) << err.str();
    EXPECT_EQ(Run(TreeExport{"", (folder.Path() / "tree.gltf").string()}), EXIT_FAILED);
    EXPECT_NE(err.str().find("name the file .glb"), std::string::npos) << err.str();
    EXPECT_EQ(Run(TreeExport{(folder.Path() / "a.glb").string(), (folder.Path() / "a.glb").string()}), EXIT_FAILED);
    EXPECT_NE(err.str().find("same file"), std::string::npos) << err.str();
    EXPECT_EQ(folder.CountFiles(), 0u);
}

TEST_F(MeshExport, VelmoraExeRefusesGltfAndWritesNothing)
{
    if (BuildWritesLinuxOnlyFormats())
        GTEST_SKIP() << "the Linux build writes glTF; its files are checked by the glTF tests";
    const std::filesystem::path obj = folder.Path() / "tree.obj", glb = folder.Path() / "tree.glb";
    EXPECT_EQ(Run(TreeExport{obj.string(), glb.string()}), EXIT_FAILED);
    EXPECT_NE(err.str().find("Linux build"), std::string::npos) << err.str();
    EXPECT_EQ(folder.CountFiles(), 0u);
}
