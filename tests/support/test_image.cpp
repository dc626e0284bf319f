// Test images and depth buffers.
#include "tests/support/test_image.h"

#include <cstring>

#include "engine/engine_exports.h"
#include "platform/pages.h"

namespace {
constexpr size_t GuardBytes = 256;
constexpr unsigned char GuardByte = 0xA5;
} // namespace

TestImage::TestImage(int width, int height, bool deep) : width(width), height(height), deep(deep)
{
    block = static_cast<unsigned char*>(PageAllocate(Bytes() + 2 * GuardBytes));
    std::memset(block, GuardByte, GuardBytes);
    std::memset(block + GuardBytes + Bytes(), GuardByte, GuardBytes);
    data = block + GuardBytes;
}

TestImage::~TestImage() { PageRelease(block); }

size_t TestImage::Bytes() const
{
    return static_cast<size_t>(width > 0 ? width : 0) * (height > 0 ? height : 0) * 4 *
           (deep ? 2 : 1);
}

int TestImage::Get(int x, int y, int c) const
{
    size_t at = (static_cast<size_t>(y) * width + x) * 4 + c;
    if (!deep)
        return data[at];
    uint16_t v;
    std::memcpy(&v, data + 2 * at, 2);
    return v;
}

void TestImage::Set(int x, int y, int c, int value)
{
    size_t at = (static_cast<size_t>(y) * width + x) * 4 + c;
    if (!deep) {
        data[at] = static_cast<unsigned char>(value);
        return;
    }
    uint16_t v = static_cast<uint16_t>(value);
    std::memcpy(data + 2 * at, &v, 2);
}

void TestImage::Fill(int c0, int c1, int c2, int alpha)
{
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Set(x, y, 0, c0);
            Set(x, y, 1, c1);
            Set(x, y, 2, c2);
            Set(x, y, 3, alpha);
        }
}

void TestImage::CopyFrom(const TestImage& other) { std::memcpy(data, other.data, Bytes()); }

int TestImage::CountCovered() const
{
    int count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            count += Get(x, y, 3) != 0;
    return count;
}

bool TestImage::operator==(const TestImage& other) const
{
    return Bytes() == other.Bytes() && std::memcmp(data, other.data, Bytes()) == 0;
}

std::vector<uint8_t> TestImage::Snapshot() const { return std::vector<uint8_t>(data, data + Bytes()); }

bool TestImage::GuardsIntact() const
{
    for (size_t k = 0; k < GuardBytes; ++k)
        if (block[k] != GuardByte || block[GuardBytes + Bytes() + k] != GuardByte)
            return false;
    return true;
}

TestDepthBuffer::TestDepthBuffer(int width, int height) : width(width), height(height)
{
    data = static_cast<float*>(PageAllocate(sizeof(float) * width * height));
    std::memset(data, 0xFE, sizeof(float) * width * height);
}

TestDepthBuffer::~TestDepthBuffer()
{
    if (owned)
        PageRelease(data);
}

void TestDepthBuffer::Register() { __SetZBuff(data, width, height); }

float EmptyDepth()
{
    float value;
    unsigned char bytes[4] = {0xFE, 0xFE, 0xFE, 0xFE};
    std::memcpy(&value, bytes, 4);
    return value;
}
