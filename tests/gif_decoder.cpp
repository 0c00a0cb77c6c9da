#include "gif_decoder.h"

#include <gif_lib.h>

#include <cstring>

namespace carbonel::test {
namespace {

struct Reader {
    const std::string* bytes;
    std::size_t at;
};

int readBytes(GifFileType* file, GifByteType* out, int length) {
    auto* reader = static_cast<Reader*>(file->UserData);
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(length), reader->bytes->size() - reader->at);
    std::memcpy(out, reader->bytes->data() + reader->at, n);
    reader->at += n;
    return static_cast<int>(n);
}

}  // namespace

DecodedGif decodeGif(const std::string& bytes) {
    DecodedGif decoded;
    Reader reader{&bytes, 0};
    int error = 0;
    GifFileType* file = DGifOpen(&reader, readBytes, &error);
    if (!file) {
        decoded.error = GifErrorString(error);
        return decoded;
    }
    if (DGifSlurp(file) != GIF_OK) {
        decoded.error = GifErrorString(file->Error);
        DGifCloseFile(file, &error);
        return decoded;
    }
    decoded.screenWidth = file->SWidth;
    decoded.screenHeight = file->SHeight;
    for (int i = 0; i < file->ImageCount; ++i) {
        const SavedImage& image = file->SavedImages[i];
        DecodedFrame frame;
        frame.width = image.ImageDesc.Width;
        frame.height = image.ImageDesc.Height;
        frame.indices.assign(image.RasterBits, image.RasterBits + frame.width * frame.height);
        GraphicsControlBlock control;
        if (DGifSavedExtensionToGCB(file, i, &control) == GIF_OK) {
            frame.delay = control.DelayTime;
            frame.transparentIndex = control.TransparentColor;
        }
        for (int e = 0; e + 1 < image.ExtensionBlockCount; ++e) {
            const ExtensionBlock& block = image.ExtensionBlocks[e];
            const ExtensionBlock& next = image.ExtensionBlocks[e + 1];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && next.ByteCount >= 3) {
                decoded.loopCount = next.Bytes[1] | next.Bytes[2] << 8;
                ++decoded.loopExtensions;
                decoded.loopExtensionFrame = i;
            }
        }
        decoded.frames.push_back(std::move(frame));
    }
    decoded.ok = true;
    DGifCloseFile(file, &error);
    return decoded;
}

namespace {

int appendBytes(GifFileType* file, const GifByteType* bytes, int length) {
    static_cast<std::string*>(file->UserData)
        ->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    return length;
}

}  // namespace

std::string giflibImageData(const std::vector<std::uint8_t>& indices, int width, int height) {
    std::string bytes;
    int error = 0;
    GifFileType* file = EGifOpen(&bytes, appendBytes, &error);
    std::vector<GifColorType> colours(256, GifColorType{0, 0, 0});
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    EGifPutScreenDesc(file, width, height, 8, 0, nullptr);
    EGifPutImageDesc(file, 0, 0, width, height, false, map);
    std::vector<GifPixelType> line(indices.begin(), indices.end());
    EGifPutLine(file, line.data(), static_cast<int>(line.size()));
    EGifCloseFile(file, &error);
    GifFreeMapObject(map);
    const std::size_t start = 6 + 7 + 10 + 768;            // header, screen, descriptor, table
    return bytes.substr(start, bytes.size() - start - 1);  // without the trailer
}

}  // namespace carbonel::test
