// The effect's PiPL: the property list the host reads before it loads the module, to learn the
// effect's name, category, entry point and capabilities. On Windows it is resource 16000 of type
// PIPL (effect/resources/velmora.rc); the module also hands out the same bytes through an export,
// which is how hosts without Windows resources (our Linux host) read it. The reader below checks
// every length against the buffer, so hosts and tests can decode a PiPL of any origin safely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "effect/host_api.h"
#include "platform/export.h"

// What the effect declares about itself, once for the PiPL and for global setup. The host
// compares the two and must find them equal.
constexpr A_u_long VELMORA_VERSION = PF_VERSION(2, 0, 0, PF_Stage_DEVELOP, 1);   // 0x00100001
constexpr PF_OutFlags VELMORA_OUT_FLAGS =
    PF_OutFlag_NON_PARAM_VARY |                    // the wind moves the tree with no parameter change
    PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING |
    PF_OutFlag_USE_OUTPUT_EXTENT |
    PF_OutFlag_PIX_INDEPENDENT |
    PF_OutFlag_CUSTOM_UI |                         // the banner panel
    PF_OutFlag_DEEP_COLOR_AWARE |                  // renders 16-bit worlds too
    PF_OutFlag_SEND_UPDATE_PARAMS_UI;
static_assert(VELMORA_VERSION == 0x00100001 && VELMORA_OUT_FLAGS == 0x06008454, "declared in the PiPL");

constexpr int32_t VELMORA_PIPL_ID = 16000;

// A four-character code as the PiPL stores it: the characters read big-endian.
constexpr uint32_t FourCharCode(const char (&code)[5])
{
    return (uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) |
           (uint32_t(uint8_t(code[2])) << 8) | uint32_t(uint8_t(code[3]));
}
std::string FourCharText(uint32_t code);

// The bytes of the effect's PiPL, little-endian as the resource holds them.
const std::vector<uint8_t>& VelmoraPiPL();

// The export hosts without Windows resources call to read the PiPL; `size` receives its length.
extern "C" VELMORA_EXPORT const uint8_t* GetPiPLResource(uint32_t* size);

// One property as found in a PiPL.
struct PiPLProperty {
    uint32_t vendor;
    uint32_t key;
    uint32_t id;
    std::vector<uint8_t> data;   // exactly `length` bytes, without the padding after them
};

// A decoded PiPL: every property in order, and the known ones in named fields.
struct PiPLInfo {
    uint16_t reserved = 0;
    uint32_t listVersion = 0;
    std::vector<PiPLProperty> properties;
    uint32_t kind = 0;
    std::string name;
    std::string category;
    std::string entryPoint;       // the '8664' property: Windows x64
    uint16_t piplVersionMajor = 0, piplVersionMinor = 0;
    uint16_t specVersionMajor = 0, specVersionMinor = 0;
    uint32_t effectVersion = 0;
    uint16_t infoFlags = 0;
    uint32_t outFlags = 0;
    uint32_t outFlags2 = 0;       // the 'aeFL' property
    std::string matchName;
    bool hasKind = false, hasEntryPoint = false, hasEffectVersion = false, hasOutFlags = false;
};

// False with `error` set when the bytes are not a well-formed PiPL: a header other than
// reserved 1 and version 0, a record or string that runs past the end, a malformed string.
bool DecodePiPL(const uint8_t* bytes, size_t size, PiPLInfo& info, std::string& error);
