// The PiPL as it lies in the built module, against the layout the host reads, and the reader's
// handling of damaged property lists.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "effect/entry.h"
#include "effect/pipl.h"
#include "host/effect_module.h"
#include "platform/module_loader.h"

namespace {

// A property list's header for `count` records, and one record as the layout has it: vendor
// "MIB8", reversed key, id 0, length, then the data (padding included).
std::vector<uint8_t> ListHeader(uint8_t count) { return {0x01, 0x00, 0, 0, 0, 0, count, 0, 0, 0}; }

void AppendRecord(std::vector<uint8_t>& b, const char* reversedKey, uint32_t length, const std::vector<uint8_t>& data)
{
    const char* vendor = "MIB8";
    b.insert(b.end(), vendor, vendor + 4);
    b.insert(b.end(), reversedKey, reversedKey + 4);
    b.insert(b.end(), {0, 0, 0, 0});
    b.insert(b.end(), {uint8_t(length), uint8_t(length >> 8), 0, 0});
    b.insert(b.end(), data.begin(), data.end());
}

// Written out from the layout: header, then 11 records, data padded to four bytes.
std::vector<uint8_t> ExpectedPiPL()
{
    std::vector<uint8_t> b = ListHeader(11);
    auto record = [&b](const char* reversedKey, uint32_t length, std::vector<uint8_t> data) {
        AppendRecord(b, reversedKey, length, data);
    };
    record("dnik", 4, {'T', 'K', 'F', 'e'});
    record("eman", 8, {7, 'V', 'e', 'l', 'm', 'o', 'r', 'a'});
    record("gtac", 12, {9, 'Q', 'u', 'i', 'l', 'l', 'm', 'a', 'r', 'k', 0, 0});
    record("4668", 16, {'E', 'n', 't', 'r', 'y', 'P', 'o', 'i', 'n', 't', 'F', 'u', 'n', 'c', 0, 0});
    record("RVPe", 4, {2, 0, 0, 0});
    record("RVSe", 4, {13, 0, 2, 0});
    record("REVe", 4, {0x01, 0x00, 0x10, 0x00});
    record("FNIe", 2, {0, 0, 0, 0});   // length 2, two uncounted padding bytes
    record("OLGe", 4, {0x54, 0x84, 0x00, 0x06});
    record("ANMe", 8, {7, 'V', 'e', 'l', 'm', 'o', 'r', 'a'});
    record("LFea", 4, {0, 0, 0, 0});
    return b;
}

TEST(PiPLBytes, WrittenAsTheHostReadsThem)
{
    EXPECT_EQ(VelmoraPiPL(), ExpectedPiPL());
    uint32_t size = 0;
    const uint8_t* data = GetPiPLResource(&size);
    ASSERT_EQ(size, ExpectedPiPL().size());
    EXPECT_EQ(std::vector<uint8_t>(data, data + size), ExpectedPiPL());
}

// Windows: resource 16000 found with FindResource in Velmora.aex; elsewhere the module's export.
TEST(PiPLBytes, LieInTheBuiltModule)
{
    std::string error;
    void* module = LoadModule(ExecutableDir() + ModuleFileName(), error);
    ASSERT_NE(module, nullptr) << error;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadModulePiPL(module, bytes, error)) << error;
    EXPECT_EQ(bytes, ExpectedPiPL());
    // The export hands out the same bytes on every build, so both kinds of host agree.
    auto get = reinterpret_cast<const uint8_t* (*)(uint32_t*)>(FindSymbol(module, "GetPiPLResource"));
    ASSERT_NE(get, nullptr);
    uint32_t size = 0;
    const uint8_t* data = get(&size);
    EXPECT_EQ(std::vector<uint8_t>(data, data + size), bytes);
    UnloadModule(module);
}

TEST(PiPLBytes, DecodeToTheEffectsDeclaration)
{
    PiPLInfo info;
    std::string error;
    ASSERT_TRUE(DecodePiPL(VelmoraPiPL().data(), VelmoraPiPL().size(), info, error)) << error;
    EXPECT_EQ(info.properties.size(), 11u);
    EXPECT_EQ(info.kind, FourCharCode("eFKT"));
    EXPECT_EQ(info.name, "Velmora");
    EXPECT_EQ(info.category, "Quillmark");
    EXPECT_EQ(info.entryPoint, "EntryPointFunc");
    EXPECT_EQ(info.matchName, "Velmora");
    EXPECT_EQ(info.piplVersionMajor, 2);
    EXPECT_EQ(info.piplVersionMinor, 0);
    EXPECT_EQ(info.specVersionMajor, 13);
    EXPECT_EQ(info.specVersionMinor, 2);
    EXPECT_EQ(info.effectVersion, 0x00100001u);
    EXPECT_EQ(info.outFlags, 0x06008454u);
    EXPECT_EQ(info.infoFlags, 0);
    EXPECT_EQ(info.outFlags2, 0u);
    for (const PiPLProperty& p : info.properties) {
        EXPECT_EQ(p.vendor, FourCharCode("8BIM"));
        EXPECT_EQ(p.id, 0u);
    }
}

TEST(PiPLBytes, AgreeWithGlobalSetup)
{
    PiPLInfo info;
    std::string error;
    ASSERT_TRUE(DecodePiPL(VelmoraPiPL().data(), VelmoraPiPL().size(), info, error));
    PF_InData in{};
    PF_OutData out{};
    ASSERT_EQ(EntryPointFunc(PF_Cmd_GLOBAL_SETUP, &in, &out, nullptr, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(out.my_version, info.effectVersion);
    EXPECT_EQ(uint32_t(out.out_flags), info.outFlags);
}

TEST(PiPLReader, RefusesEveryTruncation)
{
    const std::vector<uint8_t> full = ExpectedPiPL();
    // Cutting into any record is caught; only the final record's padding may be missing, and
    // the last record (aeFL) has none.
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + n);
        PiPLInfo info;
        std::string error;
        EXPECT_FALSE(DecodePiPL(cut.data(), cut.size(), info, error)) << n;
        EXPECT_FALSE(error.empty());
    }
}

TEST(PiPLReader, RefusesDamagedHeadersAndLengths)
{
    PiPLInfo info;
    std::string error;
    std::vector<uint8_t> b = ExpectedPiPL();
    b[0] = 2;   // reserved word
    EXPECT_FALSE(DecodePiPL(b.data(), b.size(), info, error));

    b = ExpectedPiPL();
    b[6] = b[7] = b[8] = b[9] = 0xFF;   // a count no buffer could hold
    EXPECT_FALSE(DecodePiPL(b.data(), b.size(), info, error));

    b = ExpectedPiPL();
    b[10 + 12] = 0xF0;                  // first record's length beyond the end
    b[10 + 15] = 0x7F;
    EXPECT_FALSE(DecodePiPL(b.data(), b.size(), info, error));

    b = ExpectedPiPL();
    b[30 + 16] = 200;                   // name's length byte beyond its data
    EXPECT_FALSE(DecodePiPL(b.data(), b.size(), info, error));

    EXPECT_FALSE(DecodePiPL(nullptr, 0, info, error));
}

// Each number property is read from its first bytes into its own field; one byte short of its
// number, it is malformed.
TEST(PiPLReader, ReadsEachNumberPropertyAndRefusesOneTooShort)
{
    const struct {
        const char* reversedKey;
        uint32_t bytes;
        bool (*read)(const PiPLInfo&);
    } numbers[] = {
        {"dnik", 4, [](const PiPLInfo& i) { return i.hasKind && i.kind == 0x04030201u; }},
        {"RVPe", 4, [](const PiPLInfo& i) { return i.piplVersionMajor == 0x0201 && i.piplVersionMinor == 0x0403; }},
        {"RVSe", 4, [](const PiPLInfo& i) { return i.specVersionMajor == 0x0201 && i.specVersionMinor == 0x0403; }},
        {"REVe", 4, [](const PiPLInfo& i) { return i.hasEffectVersion && i.effectVersion == 0x04030201u; }},
        {"FNIe", 2, [](const PiPLInfo& i) { return i.infoFlags == 0x0201; }},
        {"OLGe", 4, [](const PiPLInfo& i) { return i.hasOutFlags && i.outFlags == 0x04030201u; }},
        {"LFea", 4, [](const PiPLInfo& i) { return i.outFlags2 == 0x04030201u; }},
    };
    for (const auto& n : numbers) {
        std::vector<uint8_t> whole = ListHeader(1);
        AppendRecord(whole, n.reversedKey, n.bytes, {1, 2, 3, 4});
        PiPLInfo info;
        std::string error;
        ASSERT_TRUE(DecodePiPL(whole.data(), whole.size(), info, error)) << n.reversedKey << ": " << error;
        EXPECT_TRUE(n.read(info)) << n.reversedKey;
        // Every other number stays as it was.
        int numbersSet = 0;
        for (const auto& other : numbers)
            numbersSet += other.read(info) ? 1 : 0;
        EXPECT_EQ(numbersSet, 1) << n.reversedKey;

        std::vector<uint8_t> shortOne = ListHeader(1);
        AppendRecord(shortOne, n.reversedKey, n.bytes - 1, {1, 2, 3, 4});
        PiPLInfo refused;
        EXPECT_FALSE(DecodePiPL(shortOne.data(), shortOne.size(), refused, error)) << n.reversedKey;
        EXPECT_NE(error.find("is malformed"), std::string::npos) << error;
    }
}

TEST(PiPLReader, RefusesAnEntryPointWithoutTerminator)
{
    std::vector<uint8_t> b = ExpectedPiPL();
    // The 8664 record starts at 82: header 10 + kind 20 + name 24 + catg 28; fill its padding.
    ASSERT_EQ(std::memcmp(&b[82 + 4], "4668", 4), 0);
    b[82 + 16 + 14] = 'x';
    b[82 + 16 + 15] = 'y';
    PiPLInfo info;
    std::string error;
    EXPECT_FALSE(DecodePiPL(b.data(), b.size(), info, error));
}

} // namespace
