#include "imageio/metafile.h"

#include <string>

#include "imageio/bmp_codec.h"
#include "imageio/byte_writer.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

constexpr std::uint32_t kSourceCopy = 0x00CC0020;  // raster operation: copy the source
constexpr int kDotsPerInch = 96;

}  // namespace

MetafileParts placeableWmfParts(int width, int height, int frameWidth, int frameHeight) {
    const std::size_t dibBytes = 40 + dibRowBytes(width) * static_cast<std::size_t>(height);
    // META_STRETCHDIB: size (2 words), function (1), raster operation (2), colour usage (1),
    // source height, width, y, x, destination height, width, y, x (8), then the bitmap.
    const std::size_t recordWords = 3 + 2 + 1 + 8 + dibBytes / 2;
    const std::size_t endWords = 3;
    const std::size_t headerWords = 9;

    std::string bytes;
    // The placeable header: key, handle, bounding box in 1/96 inch, units per inch, checksum.
    putU32(bytes, 0x9AC6CDD7);
    putU16(bytes, 0);
    putU16(bytes, 0);
    putU16(bytes, 0);
    putU16(bytes, static_cast<std::uint16_t>(frameWidth));
    putU16(bytes, static_cast<std::uint16_t>(frameHeight));
    putU16(bytes, kDotsPerInch);
    putU32(bytes, 0);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        checksum ^= static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                               static_cast<std::uint8_t>(bytes[i + 1]) << 8);
    }
    putU16(bytes, checksum);

    // The metafile header: on disk, version 3, total size and largest record in words.
    putU16(bytes, 1);
    putU16(bytes, static_cast<std::uint16_t>(headerWords));
    putU16(bytes, 0x0300);
    putU32(bytes, static_cast<std::uint32_t>(headerWords + recordWords + endWords));
    putU16(bytes, 0);
    putU32(bytes, static_cast<std::uint32_t>(recordWords));
    putU16(bytes, 0);

    putU32(bytes, static_cast<std::uint32_t>(recordWords));
    putU16(bytes, 0x0F43);
    putU32(bytes, kSourceCopy);
    putU16(bytes, 0);  // the colours are RGB values
    putU16(bytes, static_cast<std::uint16_t>(height));
    putU16(bytes, static_cast<std::uint16_t>(width));
    putU16(bytes, 0);
    putU16(bytes, 0);
    putU16(bytes, static_cast<std::uint16_t>(height));
    putU16(bytes, static_cast<std::uint16_t>(width));
    putU16(bytes, 0);
    putU16(bytes, 0);
    appendDibHeader(bytes, width, height);

    std::string end;
    putU32(end, static_cast<std::uint32_t>(endWords));
    putU16(end, 0x0000);
    return {bytes, end};
}

MetafileParts emfParts(int width, int height, int frameWidth, int frameHeight) {
    const std::uint32_t bitsBytes =
        static_cast<std::uint32_t>(dibRowBytes(width) * static_cast<std::size_t>(height));
    constexpr std::uint32_t kHeaderBytes = 108;
    constexpr std::uint32_t kStretchFixedBytes = 80;
    constexpr std::uint32_t kEndBytes = 20;
    const std::uint32_t stretchBytes = kStretchFixedBytes + 40 + bitsBytes;
    const std::uint32_t totalBytes = kHeaderBytes + stretchBytes + kEndBytes;
    // A notional 96 dots-per-inch screen of 1920 x 1080 pixels is the reference device.
    auto hundredthsOfMillimetre = [](int pixels) {
        return static_cast<std::uint32_t>(static_cast<long long>(pixels) * 2540 / kDotsPerInch);
    };

    std::string bytes;
    putU32(bytes, 1);  // EMR_HEADER
    putU32(bytes, kHeaderBytes);
    putU32(bytes, 0);  // bounds, inclusive, in device pixels: what the bitmap covers
    putU32(bytes, 0);
    putU32(bytes, static_cast<std::uint32_t>(width - 1));
    putU32(bytes, static_cast<std::uint32_t>(height - 1));
    putU32(bytes, 0);  // frame, inclusive, in 0.01 mm: the photo's size
    putU32(bytes, 0);
    putU32(bytes, hundredthsOfMillimetre(frameWidth) - 1);
    putU32(bytes, hundredthsOfMillimetre(frameHeight) - 1);
    putU32(bytes, 0x464D4520);  // " EMF"
    putU32(bytes, 0x00010000);
    putU32(bytes, totalBytes);
    putU32(bytes, 3);  // records
    putU16(bytes, 1);  // handles: the metafile's own
    putU16(bytes, 0);
    putU32(bytes, 0);  // no description
    putU32(bytes, 0);
    putU32(bytes, 0);  // no palette
    putU32(bytes, 1920);
    putU32(bytes, 1080);
    putU32(bytes, 508);  // 1920 x 1080 pixels at 96 dots per inch, in millimetres
    putU32(bytes, 286);
    putU32(bytes, 0);  // no pixel format, no OpenGL
    putU32(bytes, 0);
    putU32(bytes, 0);
    putU32(bytes, 508000);  // the device in micrometres
    putU32(bytes, 285750);

    putU32(bytes, 81);  // EMR_STRETCHDIBITS
    putU32(bytes, stretchBytes);
    putU32(bytes, 0);
    putU32(bytes, 0);
    putU32(bytes, static_cast<std::uint32_t>(width - 1));
    putU32(bytes, static_cast<std::uint32_t>(height - 1));
    putU32(bytes, 0);  // destination x, y
    putU32(bytes, 0);
    putU32(bytes, 0);  // source x, y, width, height
    putU32(bytes, 0);
    putU32(bytes, static_cast<std::uint32_t>(width));
    putU32(bytes, static_cast<std::uint32_t>(height));
    putU32(bytes, kStretchFixedBytes);  // where the bitmap header lies, and its size
    putU32(bytes, 40);
    putU32(bytes, kStretchFixedBytes + 40);  // where the bits lie, and their size
    putU32(bytes, bitsBytes);
    putU32(bytes, 0);  // the colours are RGB values
    putU32(bytes, kSourceCopy);
    putU32(bytes, static_cast<std::uint32_t>(width));  // destination width, height
    putU32(bytes, static_cast<std::uint32_t>(height));
    appendDibHeader(bytes, width, height);

    std::string end;
    putU32(end, 14);  // EMR_EOF
    putU32(end, kEndBytes);
    putU32(end, 0);  // no palette entries
    putU32(end, 16);
    putU32(end, kEndBytes);
    return {bytes, end};
}

MetafileParts metafileParts(OutputFormat format, int width, int height, int frameWidth,
                            int frameHeight) {
    return format == OutputFormat::Wmf ? placeableWmfParts(width, height, frameWidth, frameHeight)
                                       : emfParts(width, height, frameWidth, frameHeight);
}

}  // namespace carbonel
