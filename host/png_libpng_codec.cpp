// The Linux build's PNG codec: libpng. Reading checks every CRC, treats what libpng calls benign
// errors (extra pixel data, a misplaced chunk) as errors and skips every ancillary chunk but tRNS,
// since a layer needs nothing else; it reads interlaced files too. Writing uses the settings that
// make a frame fast to write (see EncodePng).
#include "host/image_io.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <png.h>
#include <zlib.h>

namespace {

// What libpng last said. It reports an error by longjmp, so the text is copied into a plain
// buffer: nothing with a destructor may be alive between setjmp and that longjmp.
struct PngMessage {
    char text[240] = {};
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp text)
{
    PngMessage* message = static_cast<PngMessage*>(png_get_error_ptr(png));
    std::snprintf(message->text, sizeof message->text, "%s", text);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// libpng's words for the faults a user meets most, in the terms the rest of the host uses.
std::string Explain(const char* text)
{
    static const struct {
        const char* libpng;
        const char* ours;
    } words[] = {
        {"Not enough image data", "the pixel data is truncated"},
        {"Too much image data", "the pixel data is longer than the image"},
        {"Extra compressed data", "the pixel data is longer than the image"},
        {"CRC error", "a chunk fails its CRC check"},
    };
    for (const auto& w : words)
        if (std::strstr(text, w.libpng))
            return w.ours;
    return text[0] ? text : "libpng refused the file";
}

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t count)
{
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->size - source->pos)
        png_error(png, "the file is truncated");
    std::memcpy(out, source->data + source->pos, count);
    source->pos += count;
}

// The decoded rows: 8-bit, or 16-bit big-endian, RGBA; or for a palette image one index a byte,
// with the palette. Palette images are looked up here rather than by libpng, which gives an index
// past the palette's end the colour black (its table always has 256 entries) instead of refusing it.
struct DecodedRows {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 8;
    bool indexed = false;
    int paletteSize = 0;
    uint8_t palette[256][4] = {};
    std::vector<uint8_t> bytes;
    std::vector<png_bytep> rows;
};

// libpng's read from signature to end, every colour type turned into RGBA of the file's depth
// (8 bits for the smaller ones). Errors come back here by longjmp, so this function owns nothing
// with a destructor; what it fills lives in `out`, which the caller owns, and a vector is only
// resized outside libpng's calls.
bool RunPngRead(PngSource& source, PngMessage& message, DecodedRows& out)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &message, OnPngError, OnPngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &source, ReadFromMemory);
    png_set_user_limits(png, uint32_t(MaxPngSide), uint32_t(MaxPngSide));
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_set_benign_errors(png, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
    if (int64_t(width) * int64_t(height) > MaxPngPixels) {
        char text[120];
        std::snprintf(text, sizeof text, "image size %ux%u is larger than %lld pixels", unsigned(width),
                      unsigned(height), static_cast<long long>(MaxPngPixels));
        png_error(png, text);
    }
    out.indexed = colorType == PNG_COLOR_TYPE_PALETTE;
    if (out.indexed) {
        png_colorp colours = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &colours, &count) == 0 || count < 1 || count > 256)
            png_error(png, "a palette image without a palette");
        out.paletteSize = count;
        for (int i = 0; i < count; ++i) {
            out.palette[i][0] = colours[i].red;
            out.palette[i][1] = colours[i].green;
            out.palette[i][2] = colours[i].blue;
            out.palette[i][3] = 255;
        }
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        if (png_get_tRNS(png, info, &alpha, &alphaCount, nullptr) != 0 && alpha)
            for (int i = 0; i < alphaCount && i < count; ++i)
                out.palette[i][3] = alpha[i];
        png_set_packing(png);
    } else {
        if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
            png_set_expand_gray_1_2_4_to_8(png);
        const bool keyed = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
        if (keyed)
            png_set_tRNS_to_alpha(png);
        if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
        if (!(colorType & PNG_COLOR_MASK_ALPHA) && !keyed)
            png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    out.width = width;
    out.height = height;
    out.bitDepth = depth == 16 ? 16 : 8;
    const size_t rowBytes = out.indexed ? size_t(width) : size_t(width) * 4 * size_t(out.bitDepth / 8);
    if (png_get_rowbytes(png, info) != rowBytes)
        png_error(png, "libpng did not make the rows RGBA");
    bool allocated = true;
    try {
        out.bytes.resize(rowBytes * height);
        out.rows.resize(height);
    } catch (const std::bad_alloc&) {
        allocated = false;
    }
    if (!allocated)
        png_error(png, "not enough memory for the image");
    for (png_uint_32 y = 0; y < height; ++y)
        out.rows[y] = out.bytes.data() + size_t(y) * rowBytes;
    png_read_image(png, out.rows.data());
    // The end is read too: the chunks after the pixels, their CRCs and the palette indices used.
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

struct PngSink {
    std::vector<uint8_t>* bytes;
    bool failed;
};

void WriteToMemory(png_structp png, png_bytep data, size_t count)
{
    PngSink* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    try {
        sink->bytes->insert(sink->bytes->end(), data, data + count);
    } catch (const std::bad_alloc&) {
        sink->failed = true;
    }
    if (sink->failed)
        png_error(png, "not enough memory for the file");
}

void FlushMemory(png_structp) {}

// libpng's write of the image; the same rules as RunPngRead for what may live here. `row` is a
// buffer of one row of the file, owned by the caller.
bool RunPngWrite(const RgbaImage& image, PngSink& sink, PngMessage& message, uint8_t* row)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, OnPngError, OnPngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &sink, WriteToMemory, FlushMemory);
    png_set_IHDR(png, info, uint32_t(image.width), uint32_t(image.height), image.bitDepth, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Paeth on every row, then run-length deflate. Against trying all five filters per row and
    // deflating at level 6 (what the small codec does), the default tree's 1920x1080 frame over
    // the sky is written in 3.5 (8-bit) and 4 (16-bit) times less time, 1 % smaller and 5.5 %
    // larger; over a noisy plate the files come out 6 to 8 % smaller. Paeth's residues of smooth
    // skies and of footage are runs and small values, which run-length matching takes nearly as
    // well as deflate's full search at a fraction of its time (bench/png_bench.cpp).
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH);
    png_set_compression_strategy(png, Z_RLE);
    png_set_compression_level(png, 1);
    png_set_compression_buffer_size(png, 1 << 17);
    png_write_info(png, info);
    const size_t elements = size_t(image.width) * 4;
    for (int32_t y = 0; y < image.height; ++y) {
        const uint16_t* src = image.Pixel(0, y);
        if (image.bitDepth == 16) {
            for (size_t i = 0; i < elements; ++i) {
                row[i * 2] = uint8_t(src[i] >> 8);
                row[i * 2 + 1] = uint8_t(src[i]);
            }
        } else {
            for (size_t i = 0; i < elements; ++i)
                row[i] = uint8_t((src[i] + 128u) / 257u);
        }
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool EncodePng(const RgbaImage& image, std::vector<uint8_t>& png, std::string& error)
{
    if (!CheckImageToEncode(image, error))
        return false;
    std::vector<uint8_t> row(size_t(image.width) * 4 * size_t(image.bitDepth / 8));
    png.clear();
    PngSink sink{&png, false};
    PngMessage message;
    if (!RunPngWrite(image, sink, message, row.data())) {
        error = message.text[0] ? message.text : "libpng could not start";
        return false;
    }
    return true;
}

bool DecodePng(const uint8_t* data, size_t size, RgbaImage& image, std::string& error)
{
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        error = "not a PNG file";
        return false;
    }
    PngSource source{data, size, 0};
    PngMessage message;
    DecodedRows rows;
    if (!RunPngRead(source, message, rows)) {
        error = Explain(message.text);
        return false;
    }
    RgbaImage out;
    out.width = int32_t(rows.width);
    out.height = int32_t(rows.height);
    out.bitDepth = rows.bitDepth;
    out.pixels.resize(size_t(rows.width) * size_t(rows.height) * 4);
    const uint8_t* src = rows.bytes.data();
    if (rows.indexed) {
        uint16_t* px = out.pixels.data();
        for (size_t i = 0; i < rows.bytes.size(); ++i, px += 4) {
            const int index = src[i];
            if (index >= rows.paletteSize) {
                error = "a pixel names palette entry " + std::to_string(index) + " of " +
                        std::to_string(rows.paletteSize);
                return false;
            }
            for (int c = 0; c < 4; ++c)
                px[c] = uint16_t(rows.palette[index][c] * 257u);
        }
    } else if (rows.bitDepth == 16) {
        for (uint16_t& v : out.pixels) {
            v = uint16_t((src[0] << 8) | src[1]);
            src += 2;
        }
    } else {
        for (uint16_t& v : out.pixels)
            v = uint16_t(*src++ * 257u);
    }
    image = std::move(out);
    return true;
}

const char* PngCodecName() { return "libpng " PNG_LIBPNG_VER_STRING; }
