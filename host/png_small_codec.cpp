// The Windows build's PNG codec, our own over zlib (Debian has no libpng for the cross compiler):
// chunk framing and CRCs, the five row filters, and the conversion of every colour type to 16-bit
// RGBA. It refuses interlaced files.
#include "host/image_io.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <zlib.h>

namespace {

const uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

enum ColorType : uint8_t { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };

uint32_t ReadBe32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void PutBe32(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v >> 24));
    out.push_back(uint8_t(v >> 16));
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const uint8_t* data, size_t size)
{
    PutBe32(out, uint32_t(size));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (size)
        out.insert(out.end(), data, data + size);
    // The CRC covers the type and the data, not the length.
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + start, uInt(size + 4));
    PutBe32(out, uint32_t(crc));
}

int Paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

// Filters one row with filter `type` into `out` (without the type byte). `prior` is the previous
// raw row, all zero for the first; `bpp` the bytes of one pixel.
void FilterRow(int type, const uint8_t* row, const uint8_t* prior, size_t bytes, size_t bpp, uint8_t* out)
{
    for (size_t i = 0; i < bytes; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0;
        const int b = prior[i];
        const int c = i >= bpp ? prior[i - bpp] : 0;
        int predicted = 0;
        switch (type) {
        case 1: predicted = a; break;
        case 2: predicted = b; break;
        case 3: predicted = (a + b) / 2; break;
        case 4: predicted = Paeth(a, b, c); break;
        default: break;
        }
        out[i] = uint8_t(row[i] - predicted);
    }
}

// Undoes the row's filter in place; false for a filter type PNG does not define.
bool UnfilterRow(int type, uint8_t* row, const uint8_t* prior, size_t bytes, size_t bpp)
{
    switch (type) {
    case 0: return true;
    case 1:
        for (size_t i = bpp; i < bytes; ++i)
            row[i] = uint8_t(row[i] + row[i - bpp]);
        return true;
    case 2:
        for (size_t i = 0; i < bytes; ++i)
            row[i] = uint8_t(row[i] + prior[i]);
        return true;
    case 3:
        for (size_t i = 0; i < bytes; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0;
            row[i] = uint8_t(row[i] + (a + prior[i]) / 2);
        }
        return true;
    case 4:
        for (size_t i = 0; i < bytes; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0;
            const int c = i >= bpp ? prior[i - bpp] : 0;
            row[i] = uint8_t(row[i] + Paeth(a, prior[i], c));
        }
        return true;
    default: return false;
    }
}

struct Header {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 0;
    int colorType = 0;
    int channels = 0;
};

bool CheckHeader(const uint8_t* d, Header& h, std::string& error)
{
    h.width = ReadBe32(d);
    h.height = ReadBe32(d + 4);
    h.bitDepth = d[8];
    h.colorType = d[9];
    if (h.width == 0 || h.height == 0 || h.width > uint32_t(MaxPngSide) || h.height > uint32_t(MaxPngSide) ||
        int64_t(h.width) * int64_t(h.height) > MaxPngPixels) {
        error = "image size " + std::to_string(h.width) + "x" + std::to_string(h.height) +
                " is empty or larger than " + std::to_string(MaxPngSide) + " a side / " +
                std::to_string(MaxPngPixels) + " pixels";
        return false;
    }
    const int depth = h.bitDepth;
    bool depthOk = false;
    switch (h.colorType) {
    case Grey: h.channels = 1; depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16; break;
    case Rgb: h.channels = 3; depthOk = depth == 8 || depth == 16; break;
    case Palette: h.channels = 1; depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8; break;
    case GreyAlpha: h.channels = 2; depthOk = depth == 8 || depth == 16; break;
    case Rgba: h.channels = 4; depthOk = depth == 8 || depth == 16; break;
    default:
        error = "unknown colour type " + std::to_string(h.colorType);
        return false;
    }
    if (!depthOk) {
        error = "bit depth " + std::to_string(depth) + " is not allowed with colour type " + std::to_string(h.colorType);
        return false;
    }
    if (d[10] != 0 || d[11] != 0) {
        error = "unknown compression or filter method";
        return false;
    }
    if (d[12] == 1) {
        error = "interlaced PNG files are not supported; save the image without interlacing";
        return false;
    }
    if (d[12] != 0) {
        error = "unknown interlace method " + std::to_string(d[12]);
        return false;
    }
    return true;
}

// Inflates exactly `expected` bytes; anything shorter, longer or damaged is refused.
bool InflateExact(const std::vector<uint8_t>& compressed, size_t expected, std::vector<uint8_t>& raw,
                  std::string& error)
{
    // One spare byte: a stream that still has data once the image is full is too long.
    raw.assign(expected + 1, 0);
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (inflateInit(&z) != Z_OK) {
        error = "zlib could not start";
        return false;
    }
    z.next_in = const_cast<Bytef*>(compressed.data());
    z.avail_in = uInt(compressed.size());
    z.next_out = raw.data();
    z.avail_out = uInt(expected + 1);
    const int ret = inflate(&z, Z_FINISH);
    const size_t produced = z.total_out;
    const bool outputFull = z.avail_out == 0;
    inflateEnd(&z);
    raw.resize(expected);
    if (ret == Z_STREAM_END && produced == expected)
        return true;
    if (ret == Z_STREAM_END || (ret == Z_BUF_ERROR && !outputFull))
        error = produced > expected ? "the pixel data is longer than the image" : "the pixel data is truncated";
    else if (ret == Z_BUF_ERROR)
        error = "the pixel data is longer than the image";
    else
        error = "the compressed pixel data is damaged";
    return false;
}

uint16_t Sample(const uint8_t* row, size_t index, int depth)
{
    switch (depth) {
    case 16: return uint16_t((row[index * 2] << 8) | row[index * 2 + 1]);
    case 8: return row[index];
    default: {
        const size_t bit = index * size_t(depth);
        const int shift = 8 - depth - int(bit % 8);
        return uint16_t((row[bit / 8] >> shift) & ((1 << depth) - 1));
    }
    }
}

uint16_t ToFull(uint16_t v, int depth)
{
    const uint32_t max = (1u << depth) - 1;
    return uint16_t((uint32_t(v) * 65535u + max / 2) / max);
}

} // namespace

bool EncodePng(const RgbaImage& image, std::vector<uint8_t>& png, std::string& error)
{
    if (!CheckImageToEncode(image, error))
        return false;
    const size_t bpp = image.bitDepth == 16 ? 8 : 4;
    const size_t rowBytes = size_t(image.width) * bpp;
    std::vector<uint8_t> raw(rowBytes), prior(rowBytes, 0), filtered((rowBytes + 1) * size_t(image.height));
    std::vector<uint8_t> trial(rowBytes);
    for (int32_t y = 0; y < image.height; ++y) {
        const uint16_t* src = image.Pixel(0, y);
        if (image.bitDepth == 16) {
            for (size_t i = 0; i < size_t(image.width) * 4; ++i) {
                raw[i * 2] = uint8_t(src[i] >> 8);
                raw[i * 2 + 1] = uint8_t(src[i]);
            }
        } else {
            for (size_t i = 0; i < size_t(image.width) * 4; ++i)
                raw[i] = uint8_t((src[i] + 128u) / 257u);
        }
        // The usual heuristic: the filter whose output, read as signed bytes, sums smallest.
        uint8_t* out = &filtered[size_t(y) * (rowBytes + 1)];
        uint64_t best = UINT64_MAX;
        for (int type = 0; type <= 4; ++type) {
            FilterRow(type, raw.data(), prior.data(), rowBytes, bpp, trial.data());
            uint64_t sum = 0;
            for (size_t i = 0; i < rowBytes; ++i)
                sum += uint64_t(std::abs(int(int8_t(trial[i]))));
            if (sum < best) {
                best = sum;
                out[0] = uint8_t(type);
                std::memcpy(out + 1, trial.data(), rowBytes);
            }
        }
        prior.swap(raw);
    }
    uLongf packedSize = compressBound(uLong(filtered.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, filtered.data(), uLong(filtered.size()), 6) != Z_OK) {
        error = "zlib could not compress the image";
        return false;
    }
    uint8_t ihdr[13];
    const uint32_t dims[2] = {uint32_t(image.width), uint32_t(image.height)};
    for (int k = 0; k < 2; ++k)
        for (int b = 0; b < 4; ++b)
            ihdr[k * 4 + b] = uint8_t(dims[k] >> (24 - 8 * b));
    ihdr[8] = uint8_t(image.bitDepth);
    ihdr[9] = Rgba;
    ihdr[10] = ihdr[11] = ihdr[12] = 0;
    png.assign(Signature, Signature + 8);
    PutChunk(png, "IHDR", ihdr, sizeof ihdr);
    PutChunk(png, "IDAT", packed.data(), packedSize);
    PutChunk(png, "IEND", nullptr, 0);
    return true;
}

bool DecodePng(const uint8_t* data, size_t size, RgbaImage& image, std::string& error)
{
    if (!data || size < 8 || std::memcmp(data, Signature, 8) != 0) {
        error = "not a PNG file";
        return false;
    }
    Header h;
    bool haveHeader = false, haveEnd = false, idatDone = false;
    std::vector<uint8_t> compressed;
    uint8_t palette[256][4];
    int paletteSize = 0;
    bool haveTrns = false;
    uint16_t key[3] = {0, 0, 0};   // tRNS colour key of grey and RGB images
    size_t pos = 8;
    while (!haveEnd) {
        if (size - pos < 12) {
            error = "the file is truncated";
            return false;
        }
        const uint32_t length = ReadBe32(data + pos);
        const uint8_t* type = data + pos + 4;
        if (length > 0x7FFFFFFFu || length > size - pos - 12) {
            error = "a chunk runs past the end of the file";
            return false;
        }
        for (int i = 0; i < 4; ++i)
            if (!((type[i] >= 'A' && type[i] <= 'Z') || (type[i] >= 'a' && type[i] <= 'z'))) {
                error = "a chunk has an invalid type";
                return false;
            }
        const uint8_t* body = data + pos + 8;
        uLong crc = crc32(0L, Z_NULL, 0);
        crc = crc32(crc, type, uInt(length + 4));
        if (uint32_t(crc) != ReadBe32(body + length)) {
            error = "chunk " + std::string(reinterpret_cast<const char*>(type), 4) + " fails its CRC check";
            return false;
        }
        const std::string name(reinterpret_cast<const char*>(type), 4);
        pos += size_t(length) + 12;
        if (!haveHeader) {
            if (name != "IHDR" || length != 13) {
                error = "the file does not start with an image header";
                return false;
            }
            if (!CheckHeader(body, h, error))
                return false;
            haveHeader = true;
            continue;
        }
        if (!compressed.empty() && name != "IDAT")
            idatDone = true;
        if (name == "IHDR") {
            error = "the file has two image headers";
            return false;
        } else if (name == "PLTE") {
            if (paletteSize || !compressed.empty() || length == 0 || length % 3 || length > 768 || haveTrns) {
                error = "misplaced or malformed palette";
                return false;
            }
            if (h.colorType == Grey || h.colorType == GreyAlpha) {
                error = "a grey image may not have a palette";
                return false;
            }
            paletteSize = int(length / 3);
            for (int i = 0; i < paletteSize; ++i) {
                palette[i][0] = body[i * 3];
                palette[i][1] = body[i * 3 + 1];
                palette[i][2] = body[i * 3 + 2];
                palette[i][3] = 255;
            }
        } else if (name == "tRNS") {
            if (haveTrns || !compressed.empty()) {
                error = "misplaced transparency chunk";
                return false;
            }
            haveTrns = true;
            if (h.colorType == Palette) {
                if (paletteSize == 0 || length > uint32_t(paletteSize)) {
                    error = "the transparency chunk does not fit the palette";
                    return false;
                }
                for (uint32_t i = 0; i < length; ++i)
                    palette[i][3] = body[i];
            } else if (h.colorType == Grey && length == 2) {
                key[0] = uint16_t((body[0] << 8) | body[1]);
            } else if (h.colorType == Rgb && length == 6) {
                for (int c = 0; c < 3; ++c)
                    key[c] = uint16_t((body[c * 2] << 8) | body[c * 2 + 1]);
            } else {
                error = "malformed transparency chunk";
                return false;
            }
        } else if (name == "IDAT") {
            if (idatDone) {
                error = "the pixel data chunks are not consecutive";
                return false;
            }
            if (h.colorType == Palette && paletteSize == 0) {
                error = "a palette image without a palette";
                return false;
            }
            compressed.insert(compressed.end(), body, body + length);
        } else if (name == "IEND") {
            haveEnd = true;
        } else if (type[0] >= 'A' && type[0] <= 'Z') {
            error = "unknown critical chunk " + name;
            return false;
        }
    }
    if (compressed.empty()) {
        error = "the file has no pixel data";
        return false;
    }

    const size_t bitsPerPixel = size_t(h.channels) * size_t(h.bitDepth);
    const size_t rowBytes = (size_t(h.width) * bitsPerPixel + 7) / 8;
    const size_t bpp = bitsPerPixel >= 8 ? bitsPerPixel / 8 : 1;
    std::vector<uint8_t> raw;
    if (!InflateExact(compressed, (rowBytes + 1) * size_t(h.height), raw, error))
        return false;
    std::vector<uint8_t> zeros(rowBytes, 0);
    for (uint32_t y = 0; y < h.height; ++y) {
        uint8_t* row = &raw[size_t(y) * (rowBytes + 1)];
        const uint8_t* prior = y ? &raw[size_t(y - 1) * (rowBytes + 1) + 1] : zeros.data();
        if (!UnfilterRow(row[0], row + 1, prior, rowBytes, bpp)) {
            error = "row " + std::to_string(y) + " has unknown filter type " + std::to_string(row[0]);
            return false;
        }
    }

    RgbaImage out;
    out.width = int32_t(h.width);
    out.height = int32_t(h.height);
    out.bitDepth = h.bitDepth == 16 ? 16 : 8;
    out.pixels.resize(size_t(h.width) * size_t(h.height) * 4);
    const int depth = h.bitDepth;
    for (uint32_t y = 0; y < h.height; ++y) {
        const uint8_t* row = &raw[size_t(y) * (rowBytes + 1) + 1];
        uint16_t* px = out.Pixel(0, int32_t(y));
        for (uint32_t x = 0; x < h.width; ++x, px += 4) {
            const size_t s = size_t(x) * size_t(h.channels);
            switch (h.colorType) {
            case Grey: {
                const uint16_t g = Sample(row, s, depth);
                px[0] = px[1] = px[2] = ToFull(g, depth);
                px[3] = haveTrns && g == key[0] ? 0 : 65535;
                break;
            }
            case GreyAlpha:
                px[0] = px[1] = px[2] = ToFull(Sample(row, s, depth), depth);
                px[3] = ToFull(Sample(row, s + 1, depth), depth);
                break;
            case Rgb: {
                bool keyed = haveTrns;
                for (int c = 0; c < 3; ++c) {
                    const uint16_t v = Sample(row, s + size_t(c), depth);
                    keyed = keyed && v == key[c];
                    px[c] = ToFull(v, depth);
                }
                px[3] = keyed ? 0 : 65535;
                break;
            }
            case Rgba:
                for (int c = 0; c < 4; ++c)
                    px[c] = ToFull(Sample(row, s + size_t(c), depth), depth);
                break;
            case Palette: {
                const uint16_t index = Sample(row, s, depth);
                if (index >= paletteSize) {
                    error = "a pixel names palette entry " + std::to_string(index) + " of " + std::to_string(paletteSize);
                    return false;
                }
                for (int c = 0; c < 4; ++c)
                    px[c] = uint16_t(palette[index][c] * 257u);
                break;
            }
            default: break;
            }
        }
    }
    image = std::move(out);
    return true;
}

const char* PngCodecName() { return "the host's own PNG codec over zlib " ZLIB_VERSION; }
