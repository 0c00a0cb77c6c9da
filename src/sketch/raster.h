#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace carbonel {

// The largest width or height of a photo we convert.
inline constexpr int kMaxPhotoSide = 16384;
// The largest width or height of any picture we hold: a sketch is one pixel wider and taller than
// its photo. Bigger pictures are refused before their pixels are allocated.
inline constexpr int kMaxPictureSide = kMaxPhotoSide + 1;

// Throws carbonel::Error when a width or height is negative or over kMaxPictureSide.
void checkPictureSize(int width, int height);
// Throws carbonel::Error when a photo is too large to convert (over kMaxPhotoSide).
void checkPhotoSize(int width, int height);

// A 24-bit picture: three bytes per pixel in the order B, G, R, reached row by row.
// Copies share their pixels until one of them is written (copy-on-write), so a copy is O(1).
// Rows are padded to a multiple of four bytes so that a QImage can look at them directly.
class Raster {
  public:
    Raster() = default;
    // A white raster of the given size.
    Raster(int width, int height);
    // A raster whose pixels are left unset, for a caller that writes every row itself.
    static Raster uninitialized(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    bool isEmpty() const { return width_ == 0 || height_ == 0; }
    std::size_t bytesPerLine() const { return stride_; }

    // Resizing keeps the overlap of the old and new picture and makes new pixels white.
    void setWidth(int width) { setSize(width, height_); }
    void setHeight(int height) { setSize(width_, height); }
    void setSize(int width, int height);

    // Row access; fails with "Scan line index out of range" outside 0..height-1.
    const std::uint8_t* row(int y) const;
    // Writable row: splits a shared copy first.
    std::uint8_t* mutableRow(int y);

    // Row access without the range check or the split, for loops that have made both sure.
    const std::uint8_t* rowUnchecked(int y) const { return data_.get() + y * stride_; }
    std::uint8_t* mutableRowUnchecked(int y) { return data_.get() + y * stride_; }
    // Makes sure this raster owns its pixels alone (the first write of a shared copy).
    void detach();

    bool sharesPixelsWith(const Raster& other) const { return data_ && data_ == other.data_; }
    bool operator==(const Raster& other) const;

  private:
    static std::size_t strideFor(int width) {
        return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    }

    int width_ = 0;
    int height_ = 0;
    std::size_t stride_ = 0;
    std::shared_ptr<std::uint8_t[]> data_;
};

}  // namespace carbonel
