// What velmora.exe answers for the files only the Linux build writes: Debian has the libraries
// behind them (OpenEXR, tinygltf) for Linux alone, so the Windows build says so instead. A render
// refuses .exr (and videos) while planning; these answer any other caller.
#include "host/mesh_export.h"
#include "host/output_formats.h"

bool WriteExrFile(const std::string& path, const RgbaImage&, std::string& error)
{
    error = path + ": OpenEXR files are written by the Linux build of velmora only";
    return false;
}

bool ExrFileIsComplete(const std::string&) { return false; }

bool EncodeGlb(const FrameTree&, std::vector<uint8_t>&, std::string& error)
{
    error = "glTF files are written by the Linux build of velmora only (velmora.exe has no glTF library)";
    return false;
}
