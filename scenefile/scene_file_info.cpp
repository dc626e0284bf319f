// Inspection of a scene file: its header, each scene of its chain, and whether the readers would
// accept it, told without trusting any count or offset in it.
#include <cstdarg>
#include <cstdio>

#include "scenefile/scene_file_format.h"

namespace {

void Line(std::string& out, const char* format, ...)
{
    char text[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    out += text;
    out += '\n';
}

// A name from a file may hold any bytes; a line break in it would forge lines of the report.
std::string PrintableName(const char* name)
{
    std::string text;
    for (const char* c = name; *c; ++c)
        text += (*c >= 0x20 && *c < 0x7F) ? *c : '?';
    return text;
}

} // namespace

bool InspectSceneFile(const char* fileName, SceneFileInfo& info)
{
    info = SceneFileInfo();
    info.problem = "";
    FileHandle file = fileName ? FileOpen(fileName, FileOpenRead) : InvalidFile;
    if (file == InvalidFile) {
        info.problem = "file cannot be opened";
        return false;
    }
    info.fileSize = FileSize(file);
    FileHeader header;
    info.headerRead = info.fileSize >= FileHeaderBytes && ReadFileHeader(file, header);
    if (!info.headerRead) {
        info.problem = "file shorter than its header";
        FileClose(file);
        return true;
    }
    info.magicOk = header.magicOk;
    info.sceneCount = header.sceneCount;
    info.firstScene = header.firstScene;
    if (!info.magicOk)
        info.problem = "not a 3DDv10 file";
    else if (header.sceneCount <= 0)
        info.problem = "scene count not above 0";
    else if (header.sceneCount > MaxScenesInFile(info.fileSize))
        info.problem = "scene count larger than the file can hold";

    // The chain is followed even past a bad file header, as long as it leads to headers inside
    // the file: that is what someone repairing the file wants to see. The headers move forwards
    // by at least 72 bytes each, which bounds the walk by the file's size.
    bool chainSound = true;
    int64_t offset = header.firstScene;
    const int64_t limit = MaxScenesInFile(info.fileSize);
    for (int64_t i = 0; i < header.sceneCount && i < limit; ++i) {
        SceneFileSceneInfo scene = SceneFileSceneInfo();
        scene.offset = offset;
        const char* problem = "";
        bool sound = ReadSceneHeaderAt(file, offset, info.fileSize, scene.header, problem);
        scene.headerRead = sound || (offset >= FileHeaderBytes && offset + SceneHeaderBytes <= info.fileSize);
        if (sound)
            problem = CheckCorners(file, scene.header);
        scene.fits = sound && !*problem;
        scene.problem = problem;
        info.scenes.push_back(scene);
        chainSound = chainSound && scene.fits;
        // A next that does not move forwards ends the walk: beyond it lies no chain.
        if (!scene.headerRead || scene.header.next < offset + SceneHeaderBytes)
            break;
        offset = scene.header.next;
    }
    FileClose(file);
    if (!*info.problem && static_cast<int64_t>(info.scenes.size()) < header.sceneCount)
        info.problem = "chain ends before the scene count";
    if (!*info.problem && !chainSound)
        info.problem = "a scene does not fit the file";
    info.valid = !*info.problem;
    return true;
}

std::string DescribeSceneFile(const SceneFileInfo& info)
{
    std::string out;
    Line(out, "file.size=%lld", static_cast<long long>(info.fileSize));
    Line(out, "file.magic=%s", !info.headerRead ? "missing" : info.magicOk ? "3DDv10" : "wrong");
    Line(out, "file.sceneCount=%d", static_cast<int>(info.sceneCount));
    Line(out, "file.firstScene=%d", static_cast<int>(info.firstScene));
    for (size_t i = 0; i < info.scenes.size(); ++i) {
        const SceneFileSceneInfo& s = info.scenes[i];
        const SceneHeader& h = s.header;
        const int n = static_cast<int>(i);
        Line(out, "scene.%d.offset=%lld", n, static_cast<long long>(s.offset));
        if (s.headerRead) {
            Line(out, "scene.%d.name=%s", n, PrintableName(h.name).c_str());
            Line(out, "scene.%d.counts=points:%d triangles:%d materials:%d textures:%d lights:%d glass:%d", n,
                 h.pointCount, h.triangleCount, h.materialCount, h.textureCount, h.lightCount, h.glassCount);
            Line(out, "scene.%d.flags=normals:%d texCoords:%d materials:%d", n, h.normals, h.texCoords,
                 h.materials);
            Line(out, "scene.%d.offsets=points:%d triangles:%d materials:%d textures:%d lights:%d glass:%d next:%d",
                 n, h.pointsAt, h.trianglesAt, h.materialsAt, h.texturesAt, h.lightsAt, h.glassAt, h.next);
        }
        Line(out, "scene.%d.fits=%s", n, s.fits ? "yes" : "no");
        if (*s.problem)
            Line(out, "scene.%d.problem=%s", n, s.problem);
    }
    Line(out, "file.valid=%s", info.valid ? "yes" : "no");
    if (*info.problem)
        Line(out, "file.problem=%s", info.problem);
    return out;
}
