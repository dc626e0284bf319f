// What velmora.exe answers for the files only the Linux build writes: Debian has the libraries
// behind them (tinygltf, ...) for Linux alone, so the Windows build says so instead.
#include "host/mesh_export.h"

bool EncodeGlb(const FrameTree&, std::vector<uint8_t>&, std::string& error)
{
    error = "glTF files are written by the Linux build of velmora only (velmora.exe has no glTF library)";
    return false;
}
