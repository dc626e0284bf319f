// Writing and reading the effect's PiPL. The writer produces the bytes the Windows resource script
// spells out item by item; the tests hold the two against each other and against the layout.
#include "effect/pipl.h"

#include <cstring>

namespace {

constexpr uint32_t Vendor8BIM = FourCharCode("8BIM");
constexpr size_t ListHeaderSize = 10;     // reserved word, list version, count: no padding after
constexpr size_t PropertyHeaderSize = 16; // vendor, key, id, length

void PutU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16(out, uint16_t(v));
    PutU16(out, uint16_t(v >> 16));
}

uint16_t GetU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t GetU32(const uint8_t* p) { return uint32_t(GetU16(p)) | (uint32_t(GetU16(p + 2)) << 16); }

size_t RoundUp4(size_t n) { return (n + 3) & ~size_t(3); }

// `length` is what the record's length field says; the data area is always padded to four.
void PutProperty(std::vector<uint8_t>& out, const char (&key)[5], const std::vector<uint8_t>& data,
                 size_t length)
{
    PutU32(out, Vendor8BIM);
    PutU32(out, FourCharCode(key));
    PutU32(out, 0);
    PutU32(out, uint32_t(length));
    out.insert(out.end(), data.begin(), data.end());
    out.resize(out.size() + RoundUp4(data.size()) - data.size(), 0);
}

std::vector<uint8_t> U32Data(uint32_t v)
{
    std::vector<uint8_t> d;
    PutU32(d, v);
    return d;
}

std::vector<uint8_t> TwoWords(uint16_t a, uint16_t b)
{
    std::vector<uint8_t> d;
    PutU16(d, a);
    PutU16(d, b);
    return d;
}

// A length byte, the characters, then zeros to a multiple of four; the length field counts the
// padding, as the host's Windows resources do.
std::vector<uint8_t> PascalString(const char* s)
{
    size_t n = std::strlen(s);
    std::vector<uint8_t> d(RoundUp4(1 + n), 0);
    d[0] = uint8_t(n);
    std::memcpy(d.data() + 1, s, n);
    return d;
}

std::vector<uint8_t> CString(const char* s)
{
    size_t n = std::strlen(s);
    std::vector<uint8_t> d(RoundUp4(n + 1), 0);
    std::memcpy(d.data(), s, n);
    return d;
}

std::vector<uint8_t> BuildPiPL()
{
    std::vector<uint8_t> out;
    PutU16(out, 1);   // reserved
    PutU32(out, 0);   // property list version
    PutU32(out, 11);  // property count
    auto put = [&out](const char (&key)[5], const std::vector<uint8_t>& data) {
        PutProperty(out, key, data, data.size());
    };
    put("kind", U32Data(FourCharCode("eFKT")));
    put("name", PascalString("Velmora"));
    put("catg", PascalString("Quillmark"));
    put("8664", CString("EntryPointFunc"));
    put("ePVR", TwoWords(2, 0));
    put("eSVR", TwoWords(13, 2));
    put("eVER", U32Data(VELMORA_VERSION));
    // A 16-bit property: its length says 2, the two padding bytes after it are not counted.
    PutProperty(out, "eINF", std::vector<uint8_t>{0, 0}, 2);
    put("eGLO", U32Data(uint32_t(VELMORA_OUT_FLAGS)));
    put("eMNA", PascalString("Velmora"));
    put("aeFL", U32Data(0));
    return out;
}

bool ReadPascal(const std::vector<uint8_t>& d, std::string& s)
{
    if (d.empty() || size_t(d[0]) + 1 > d.size())
        return false;
    s.assign(reinterpret_cast<const char*>(d.data() + 1), d[0]);
    return true;
}

bool ReadCString(const std::vector<uint8_t>& d, std::string& s)
{
    const void* nul = std::memchr(d.data(), 0, d.size());
    if (!nul)
        return false;
    s.assign(reinterpret_cast<const char*>(d.data()), static_cast<const uint8_t*>(nul) - d.data());
    return true;
}

// A number property: false when its data is shorter than the number. ReadU32's `present`, when
// given, is set once the number is read.
bool ReadU16(const std::vector<uint8_t>& d, uint16_t& value)
{
    if (d.size() < 2)
        return false;
    value = GetU16(d.data());
    return true;
}

bool ReadU32(const std::vector<uint8_t>& d, uint32_t& value, bool* present = nullptr)
{
    if (d.size() < 4)
        return false;
    value = GetU32(d.data());
    if (present)
        *present = true;
    return true;
}

// A version property: major, then minor, 16 bits each.
bool ReadVersion(const std::vector<uint8_t>& d, uint16_t& major, uint16_t& minor)
{
    if (d.size() < 4)
        return false;
    major = GetU16(d.data());
    minor = GetU16(d.data() + 2);
    return true;
}

} // namespace

std::string FourCharText(uint32_t code)
{
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = char((code >> shift) & 0xFF);
        s += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return s;
}

const std::vector<uint8_t>& VelmoraPiPL()
{
    static const std::vector<uint8_t> bytes = BuildPiPL();
    return bytes;
}

extern "C" VELMORA_EXPORT const uint8_t* GetPiPLResource(uint32_t* size)
{
    const std::vector<uint8_t>& bytes = VelmoraPiPL();
    if (size)
        *size = uint32_t(bytes.size());
    return bytes.data();
}

bool DecodePiPL(const uint8_t* bytes, size_t size, PiPLInfo& info, std::string& error)
{
    info = PiPLInfo();
    if (!bytes || size < ListHeaderSize) {
        error = "PiPL too short for its header (" + std::to_string(size) + " bytes)";
        return false;
    }
    info.reserved = GetU16(bytes);
    info.listVersion = GetU32(bytes + 2);
    uint32_t count = GetU32(bytes + 6);
    if (info.reserved != 1 || info.listVersion != 0) {
        error = "PiPL header is not reserved 1, version 0";
        return false;
    }
    size_t at = ListHeaderSize;
    for (uint32_t i = 0; i < count; ++i) {
        // Every record has at least its header, so a count larger than that can hold is caught
        // here without walking it.
        if (size - at < PropertyHeaderSize) {
            error = "PiPL property " + std::to_string(i) + " runs past the end";
            return false;
        }
        PiPLProperty p;
        p.vendor = GetU32(bytes + at);
        p.key = GetU32(bytes + at + 4);
        p.id = GetU32(bytes + at + 8);
        uint32_t length = GetU32(bytes + at + 12);
        at += PropertyHeaderSize;
        if (length > size - at) {
            error = "PiPL property '" + FourCharText(p.key) + "' runs past the end";
            return false;
        }
        p.data.assign(bytes + at, bytes + at + length);
        // The last record's padding may be missing; nothing follows that would need it.
        size_t padded = RoundUp4(length);
        at = padded <= size - at ? at + padded : size;
        info.properties.push_back(std::move(p));
    }

    for (const PiPLProperty& p : info.properties) {
        const std::vector<uint8_t>& d = p.data;
        bool ok = true;
        switch (p.key) {
        case FourCharCode("kind"): ok = ReadU32(d, info.kind, &info.hasKind); break;
        case FourCharCode("name"): ok = ReadPascal(d, info.name); break;
        case FourCharCode("catg"): ok = ReadPascal(d, info.category); break;
        case FourCharCode("eMNA"): ok = ReadPascal(d, info.matchName); break;
        case FourCharCode("8664"):
            ok = ReadCString(d, info.entryPoint);
            info.hasEntryPoint = ok;
            break;
        case FourCharCode("ePVR"): ok = ReadVersion(d, info.piplVersionMajor, info.piplVersionMinor); break;
        case FourCharCode("eSVR"): ok = ReadVersion(d, info.specVersionMajor, info.specVersionMinor); break;
        case FourCharCode("eVER"): ok = ReadU32(d, info.effectVersion, &info.hasEffectVersion); break;
        case FourCharCode("eINF"): ok = ReadU16(d, info.infoFlags); break;
        case FourCharCode("eGLO"): ok = ReadU32(d, info.outFlags, &info.hasOutFlags); break;
        case FourCharCode("aeFL"): ok = ReadU32(d, info.outFlags2); break;
        default: break;   // properties we do not know are kept in the list only
        }
        if (!ok) {
            error = "PiPL property '" + FourCharText(p.key) + "' is malformed";
            return false;
        }
    }
    return true;
}
