// The kinds of file `velmora` writes that not every build can: OpenEXR frames, videos through the
// ffmpeg program and binary glTF need libraries or programs Debian has for Linux only, so
// velmora.exe refuses them, saying so.
#pragma once

// True in the Linux build, which writes every format; false in velmora.exe.
bool BuildWritesLinuxOnlyFormats();
