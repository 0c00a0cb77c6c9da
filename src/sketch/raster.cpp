#include "sketch/raster.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "sketch/error.h"

namespace carbonel {

namespace {

void checkSize(int width, int height, int limit, const char* what) {
    if (width < 0 || height < 0) throw Error("Invalid picture size");
    if (width > limit || height > limit) {
        throw Error(std::string(what) + " too large: " + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels (at most " + std::to_string(limit) +
                    " in either direction)");
    }
}

// Room for a raster's pixels. A large picture gets 2 MiB memory pages where the system has them:
// the first touch of a fresh 72 MB sketch then costs a few dozen page faults, not eighteen
// thousand, which is most of the time a new white sheet takes.
std::shared_ptr<std::uint8_t[]> allocatePixels(std::size_t bytes) {
#if defined(__linux__)
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (bytes >= 2 * kHugePage) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* memory = std::aligned_alloc(kHugePage, rounded);
        if (!memory) throw std::bad_alloc();
        ::madvise(memory, rounded, MADV_HUGEPAGE);  // a hint: without it the pages are small
        return {static_cast<std::uint8_t*>(memory), [](std::uint8_t* p) { std::free(p); }};
    }
#endif
    return std::shared_ptr<std::uint8_t[]>(new std::uint8_t[bytes]);
}

}  // namespace

void checkPictureSize(int width, int height) {
    checkSize(width, height, kMaxPictureSide, "Picture");
}

void checkPhotoSize(int width, int height) {
    checkSize(width, height, kMaxPhotoSide, "Photo");
}

Raster::Raster(int width, int height) {
    setSize(width, height);
}

Raster Raster::uninitialized(int width, int height) {
    checkPictureSize(width, height);
    Raster raster;
    raster.width_ = width;
    raster.height_ = height;
    raster.stride_ = strideFor(width);
    if (width > 0 && height > 0) {
        raster.data_ = allocatePixels(raster.stride_ * static_cast<std::size_t>(height));
    }
    return raster;
}

void Raster::setSize(int width, int height) {
    checkPictureSize(width, height);
    if (width == width_ && height == height_) return;
    if (width == 0 || height == 0) {
        // An empty raster remembers its other side but holds no pixels.
        width_ = width;
        height_ = height;
        stride_ = strideFor(width);
        data_.reset();
        return;
    }
    const std::size_t stride = strideFor(width);
    std::shared_ptr<std::uint8_t[]> data =
        allocatePixels(stride * static_cast<std::size_t>(height));
    const int keepWidth = std::min(width, width_);
    const int keepHeight = data_ ? std::min(height, height_) : 0;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = data.get() + y * stride;
        int kept = 0;
        if (y < keepHeight) {
            kept = keepWidth;
            std::memcpy(out, data_.get() + y * stride_, static_cast<std::size_t>(kept) * 3);
        }
        std::memset(out + kept * 3, 255, stride - static_cast<std::size_t>(kept) * 3);
    }
    width_ = width;
    height_ = height;
    stride_ = stride;
    data_ = std::move(data);
}

const std::uint8_t* Raster::row(int y) const {
    if (y < 0 || y >= height_) throw Error("Scan line index out of range");
    return rowUnchecked(y);
}

std::uint8_t* Raster::mutableRow(int y) {
    if (y < 0 || y >= height_) throw Error("Scan line index out of range");
    detach();
    return mutableRowUnchecked(y);
}

void Raster::detach() {
    if (!data_ || data_.use_count() == 1) return;
    const std::size_t bytes = stride_ * static_cast<std::size_t>(height_);
    std::shared_ptr<std::uint8_t[]> copy = allocatePixels(bytes);
    std::memcpy(copy.get(), data_.get(), bytes);
    data_ = std::move(copy);
}

bool Raster::operator==(const Raster& other) const {
    if (width_ != other.width_ || height_ != other.height_) return false;
    if (data_ == other.data_) return true;
    for (int y = 0; y < height_; ++y) {
        if (std::memcmp(rowUnchecked(y), other.rowUnchecked(y),
                        static_cast<std::size_t>(width_) * 3) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace carbonel
