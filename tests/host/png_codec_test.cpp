// The host's PNG codec (libpng on Linux, the small one on Windows): files made by another encoder
// decode to that encoder's own pixel values, every row filter is undone, what we write reads back
// unchanged, and damaged files are refused without reading outside their bytes.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "host/image_io.h"
#include "tests/host/render_fixture.h"
#include "tests/support/whole_file.h"

namespace {

std::string Fixture(const std::string& name) { return std::string(VELMORA_TEST_DATA) + "/png/" + name; }

void PutBe32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(uint8_t(v >> s));
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& body)
{
    PutBe32(png, uint32_t(body.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    png.insert(png.end(), typed.begin(), typed.end());
    PutBe32(png, uint32_t(crc32(0, typed.data(), uInt(typed.size()))));
}

std::vector<uint8_t> Header(uint32_t w, uint32_t h, uint8_t depth, uint8_t colorType, uint8_t interlace = 0)
{
    std::vector<uint8_t> b;
    PutBe32(b, w);
    PutBe32(b, h);
    b.insert(b.end(), {depth, colorType, 0, 0, interlace});
    return b;
}

// A PNG from already-filtered scanlines (each with its filter byte), built chunk by chunk.
std::vector<uint8_t> BuildPng(const std::vector<uint8_t>& ihdr, const std::vector<uint8_t>& scanlines,
                              const std::vector<std::pair<const char*, std::vector<uint8_t>>>& before = {})
{
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(png, "IHDR", ihdr);
    for (const auto& c : before)
        Chunk(png, c.first, c.second);
    uLongf size = compressBound(uLong(scanlines.size()));
    std::vector<uint8_t> z(size);
    compress2(z.data(), &size, scanlines.data(), uLong(scanlines.size()), 9);
    z.resize(size);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

int Paeth(int a, int b, int c)
{
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// The plain definition of the five filters, applied to whole raw rows.
std::vector<uint8_t> FilterAll(const std::vector<uint8_t>& raw, size_t rowBytes, size_t bpp, int type)
{
    std::vector<uint8_t> out;
    const size_t rows = raw.size() / rowBytes;
    for (size_t y = 0; y < rows; ++y) {
        out.push_back(uint8_t(type));
        for (size_t i = 0; i < rowBytes; ++i) {
            auto at = [&](size_t yy, size_t ii) { return int(raw[yy * rowBytes + ii]); };
            int a = i >= bpp ? at(y, i - bpp) : 0, b = y ? at(y - 1, i) : 0;
            int c = (i >= bpp && y) ? at(y - 1, i - bpp) : 0;
            int pred = type == 1 ? a : type == 2 ? b : type == 3 ? (a + b) / 2 : type == 4 ? Paeth(a, b, c) : 0;
            out.push_back(uint8_t(at(y, i) - pred));
        }
    }
    return out;
}

RgbaImage Pattern(int32_t w, int32_t h, int depth)
{
    RgbaImage img;
    img.width = w;
    img.height = h;
    img.bitDepth = depth;
    img.pixels.resize(size_t(w) * size_t(h) * 4);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
                uint32_t v = uint32_t((x * 7919 + y * 104729 + c * 31337) * 2654435761u) >> 16;
                img.Pixel(x, y)[c] = uint16_t(depth == 8 ? (v & 0xFF) * 257 : v);
            }
    return img;
}

} // namespace

// Each fixture was written by ImageMagick, and its .rgba16 file is ImageMagick's own 16-bit RGBA
// reading of it: grey at 2, 8 and 16 bits, grey with alpha, RGB, RGBA, palettes at 4 and 8 bits
// (one with tRNS alpha) and an RGBA file whose rows use several filters.
TEST(PngRead, DecodesEveryColourTypeAsAnotherDecoderDoes)
{
    for (const char* name : {"grey2", "grey8", "grey16", "greyalpha8", "greyalpha16", "rgb8", "rgb16", "rgba8",
                             "rgba16", "palette", "palette_alpha", "rgba16_mixed_filters"}) {
        SCOPED_TRACE(name);
        RgbaImage img;
        std::string error;
        ASSERT_TRUE(ReadPngFile(Fixture(std::string(name) + ".png"), img, error)) << error;
        const std::string expectedName = std::string(name) == "rgba16_mixed_filters" ? "rgba16" : name;
        const std::vector<uint8_t> expected = ReadFileBytes(Fixture(expectedName + ".rgba16"));
        ASSERT_EQ(img.width, 7);
        ASSERT_EQ(img.height, 5);
        ASSERT_EQ(expected.size(), img.pixels.size() * 2);
        for (size_t i = 0; i < img.pixels.size(); ++i)
            ASSERT_EQ(img.pixels[i], (expected[i * 2] << 8) | expected[i * 2 + 1]) << "element " << i;
    }
}

TEST(PngRead, UndoesEachOfTheFiveFilters)
{
    const RgbaImage src = Pattern(9, 6, 16);
    std::vector<uint8_t> raw;
    for (uint16_t v : src.pixels) {
        raw.push_back(uint8_t(v >> 8));
        raw.push_back(uint8_t(v));
    }
    for (int type = 0; type <= 4; ++type) {
        SCOPED_TRACE(type);
        const std::vector<uint8_t> png = BuildPng(Header(9, 6, 16, 6), FilterAll(raw, 9 * 8, 8, type));
        RgbaImage img;
        std::string error;
        ASSERT_TRUE(DecodePng(png.data(), png.size(), img, error)) << error;
        EXPECT_EQ(img.bitDepth, 16);
        EXPECT_EQ(img.pixels, src.pixels);
    }
    // Sub-byte pixels filter with a one-byte neighbour.
    const std::vector<uint8_t> greyRaw = {0x1B, 0xE4, 0x6C, 0x93};   // 1-bit grey, 16 x 2
    const std::vector<uint8_t> png = BuildPng(Header(16, 2, 1, 0), FilterAll(greyRaw, 2, 1, 4));
    RgbaImage img;
    std::string error;
    ASSERT_TRUE(DecodePng(png.data(), png.size(), img, error)) << error;
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(img.Pixel(x, 0)[0], ((0x1BE4 >> (15 - x)) & 1) ? 65535 : 0) << x;
}

TEST(PngWrite, ReadsBackWhatItWrote)
{
    for (int depth : {8, 16})
        for (auto size : {std::pair<int, int>{1, 1}, {13, 7}, {64, 3}}) {
            SCOPED_TRACE(depth);
            const RgbaImage src = Pattern(size.first, size.second, depth);
            std::vector<uint8_t> png;
            std::string error;
            ASSERT_TRUE(EncodePng(src, png, error)) << error;
            EXPECT_EQ(png[24], depth);   // IHDR bit depth
            EXPECT_EQ(png[25], 6);       // RGBA
            RgbaImage back;
            ASSERT_TRUE(DecodePng(png.data(), png.size(), back, error)) << error;
            EXPECT_EQ(back.width, src.width);
            EXPECT_EQ(back.height, src.height);
            EXPECT_EQ(back.bitDepth, depth);
            EXPECT_EQ(back.pixels, src.pixels);
        }
    RgbaImage empty;
    std::vector<uint8_t> png;
    std::string error;
    EXPECT_FALSE(EncodePng(empty, png, error));
}

// libpng (the Linux build) reads interlaced files as ImageMagick does; the Windows build's small
// codec refuses them by name.
TEST(PngRead, InterlacedFilesAreReadOrRefusedByName)
{
    RgbaImage img;
    std::string error;
    if (std::string(PngCodecName()).rfind("libpng", 0) == 0) {
        ASSERT_TRUE(ReadPngFile(Fixture("interlaced.png"), img, error)) << error;
        const std::vector<uint8_t> expected = ReadFileBytes(Fixture("interlaced.rgba16"));
        ASSERT_EQ(expected.size(), img.pixels.size() * 2);
        for (size_t i = 0; i < img.pixels.size(); ++i)
            ASSERT_EQ(img.pixels[i], (expected[i * 2] << 8) | expected[i * 2 + 1]) << "element " << i;
    } else {
        EXPECT_FALSE(ReadPngFile(Fixture("interlaced.png"), img, error));
        EXPECT_NE(error.find("interlaced"), std::string::npos) << error;
    }
}

// A folder, a missing file or an empty one is an error that names it, never an exception.
TEST(PngRead, WhatCannotBeReadIsRefusedByName)
{
    const ScratchFolder folder;
    const std::string names[] = {folder.Path().string(), (folder.Path() / "missing.png").string(),
                                 (folder.Path() / "empty.png").string()};
    std::ofstream(names[2], std::ios::binary).close();
    for (const std::string& name : names) {
        RgbaImage img;
        int32_t width = 0, height = 0;
        std::string error;
        EXPECT_FALSE(ReadPngFile(name, img, error));
        EXPECT_NE(error.find(name), std::string::npos) << error;
        error.clear();
        EXPECT_FALSE(ReadPngSize(name, width, height, error));
        EXPECT_NE(error.find(name), std::string::npos) << error;
    }
}

class PngDamage : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(EncodePng(Pattern(11, 4, 8), good, error));
    }
    bool Decodes(const std::vector<uint8_t>& bytes, std::string& error)
    {
        RgbaImage img;
        // A copy of exactly the file's size, so that a sanitizer sees any read past its end.
        std::vector<uint8_t> exact(bytes);
        return DecodePng(exact.data(), exact.size(), img, error);
    }
    std::vector<uint8_t> good;
};

TEST_F(PngDamage, EveryTruncationIsRefused)
{
    for (size_t n = 0; n < good.size(); ++n) {
        std::string error;
        EXPECT_FALSE(Decodes(std::vector<uint8_t>(good.begin(), good.begin() + long(n)), error)) << n;
        EXPECT_FALSE(error.empty());
    }
}

TEST_F(PngDamage, EveryFlippedByteIsCaught)
{
    // Any change to a chunk is caught by its CRC, any change to a CRC by the mismatch.
    for (size_t i = 0; i < good.size(); ++i) {
        std::vector<uint8_t> bad = good;
        bad[i] ^= 0x5A;
        std::string error;
        EXPECT_FALSE(Decodes(bad, error)) << "byte " << i;
    }
}

TEST_F(PngDamage, WellFramedButWrongContentIsRefused)
{
    std::string error;
    // Pixel data too short and too long for the header.
    std::vector<uint8_t> rows(2 * (1 + 3), 0);
    EXPECT_FALSE(Decodes(BuildPng(Header(3, 3, 8, 0), rows), error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    rows.assign(4 * (1 + 3), 0);
    EXPECT_FALSE(Decodes(BuildPng(Header(3, 3, 8, 0), rows), error));
    EXPECT_NE(error.find("longer"), std::string::npos) << error;
    // An undefined filter type.
    rows.assign(3 * (1 + 3), 0);
    rows[4] = 5;
    EXPECT_FALSE(Decodes(BuildPng(Header(3, 3, 8, 0), rows), error));
    // Sizes: empty, beyond the limit, and a bit depth the colour type does not allow.
    EXPECT_FALSE(Decodes(BuildPng(Header(0, 3, 8, 0), rows), error));
    EXPECT_FALSE(Decodes(BuildPng(Header(70000, 70000, 8, 0), rows), error));
    EXPECT_FALSE(Decodes(BuildPng(Header(3, 3, 4, 2), rows), error));
    // A palette image whose pixel names an entry the palette lacks, and one with no palette.
    rows.assign(3 * (1 + 3), 0);
    rows[1] = 2;
    EXPECT_FALSE(Decodes(BuildPng(Header(3, 3, 8, 3), rows, {{"PLTE", {1, 2, 3, 4, 5, 6}}}), error));
    EXPECT_NE(error.find("palette"), std::string::npos) << error;
    EXPECT_FALSE(Decodes(BuildPng(Header(3, 3, 8, 3), rows), error));
    // An unknown critical chunk; an unknown ancillary one is skipped.
    rows[1] = 0;
    EXPECT_FALSE(Decodes(BuildPng(Header(3, 3, 8, 0), rows, {{"ABCD", {1}}}), error));
    EXPECT_TRUE(Decodes(BuildPng(Header(3, 3, 8, 0), rows, {{"abCD", {1}}}), error)) << error;
    // Not a PNG at all.
    EXPECT_FALSE(Decodes(std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, error));
}

TEST(PngRead, TransparencyChunksGiveAlpha)
{
    std::string error;
    RgbaImage img;
    // Grey with a colour key: value 7 becomes transparent, the rest opaque.
    const std::vector<uint8_t> rows = {0, 7, 8};
    std::vector<uint8_t> png = BuildPng(Header(2, 1, 8, 0), rows, {{"tRNS", {0, 7}}});
    ASSERT_TRUE(DecodePng(png.data(), png.size(), img, error)) << error;
    EXPECT_EQ(img.Pixel(0, 0)[3], 0);
    EXPECT_EQ(img.Pixel(1, 0)[3], 65535);
    EXPECT_EQ(img.Pixel(1, 0)[0], 8 * 257);
    // A 1-bit palette with alpha for its first entry.
    png = BuildPng(Header(2, 1, 1, 3), {0, 0x40}, {{"PLTE", {10, 20, 30, 40, 50, 60}}, {"tRNS", {128}}});
    ASSERT_TRUE(DecodePng(png.data(), png.size(), img, error)) << error;
    EXPECT_EQ(img.Pixel(0, 0)[3], 128 * 257);
    EXPECT_EQ(img.Pixel(0, 0)[2], 30 * 257);
    EXPECT_EQ(img.Pixel(1, 0)[0], 40 * 257);
    EXPECT_EQ(img.Pixel(1, 0)[3], 65535);
}
