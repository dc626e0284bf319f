// A small engine image (and a depth buffer) for tests: page-allocated like the render driver's,
// packed rows of 4 elements per pixel, 8-bit or 16-bit. The image sits between two guard zones
// whose bytes a test can check afterwards, so a write past either end is caught even without a
// sanitizer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TestImage {
public:
    TestImage(int width, int height, bool deep);
    ~TestImage();
    TestImage(const TestImage&) = delete;
    TestImage& operator=(const TestImage&) = delete;

    int Width() const { return width; }
    int Height() const { return height; }
    bool Deep() const { return deep; }
    int RowElements() const { return width * 4; }
    int FullScale() const { return deep ? 32768 : 255; }
    unsigned char* Data() { return data; }
    size_t Bytes() const;

    // Element c (0..2 colour, 3 alpha) of pixel (x, y), read in the image's own width.
    int Get(int x, int y, int c) const;
    void Set(int x, int y, int c, int value);
    void Fill(int c0, int c1, int c2, int alpha);
    void CopyFrom(const TestImage& other);

    // Pixels whose alpha is not 0.
    int CountCovered() const;
    bool operator==(const TestImage& other) const;
    std::vector<uint8_t> Snapshot() const;
    // True while nothing has written into the guard zones around the image.
    bool GuardsIntact() const;

private:
    int width, height;
    bool deep;
    unsigned char* block; // guard, image, guard
    unsigned char* data;
};

// A depth buffer from the page allocator, every byte 0xFE (the engine's "nothing drawn" depth).
// It is released at destruction unless Disown() said that the engine has taken it over.
class TestDepthBuffer {
public:
    TestDepthBuffer(int width, int height);
    ~TestDepthBuffer();
    TestDepthBuffer(const TestDepthBuffer&) = delete;
    TestDepthBuffer& operator=(const TestDepthBuffer&) = delete;

    float* Data() { return data; }
    float At(int x, int y) const { return data[x + y * width]; }
    // Registers the buffer with __SetZBuff.
    void Register();
    void Disown() { owned = false; }

private:
    int width, height;
    float* data;
    bool owned = true;
};

// The depth of an empty depth-buffer pixel: every byte 0xFE.
float EmptyDepth();
