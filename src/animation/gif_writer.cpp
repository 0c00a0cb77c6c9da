#include "animation/gif_writer.h"

#include <omp.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "animation/lzw_encoder.h"
#include "imageio/atomic_file.h"
#include "imageio/byte_writer.h"

namespace carbonel {
namespace {

struct ExtensionWriter {
    std::string& out;
    void operator()(const GifLoopExtension& loop) const {
        out += "\x21\xFF\x0B";
        out += "NETSCAPE2.0";
        out += "\x03\x01";
        putU16(out, loop.loopCount);
        if (loop.bufferSize != 0) {
            out += "\x05\x02";
            putU32(out, loop.bufferSize);
        }
        out += '\0';
    }
    void operator()(const GifGraphicControl& control) const {
        out += "\x21\xF9\x04";
        out += static_cast<char>(control.flags);
        putU16(out, control.delay);
        out += static_cast<char>(control.transparentIndex);
        out += '\0';
    }
};

void writeColorTable(const GifColorTable& table, std::string& out) {
    for (const GifColor& colour : table.entries) {
        out += static_cast<char>(colour.red);
        out += static_cast<char>(colour.green);
        out += static_cast<char>(colour.blue);
    }
    const std::size_t padded = std::size_t{1} << table.bitsPerPixel();
    out.append((padded - table.entries.size()) * 3, '\0');
}

// The table a frame's indices refer to: its own, or the document's.
const GifColorTable& tableOf(const GifFrame& frame, const GifDocument& document) {
    return frame.localTable.entries.empty() ? document.globalTable() : frame.localTable;
}

std::uint8_t screenDescriptorFlags(const GifDocument& document) {
    int largestBits = document.globalTable().bitsPerPixel();
    for (const GifFrame& frame : document.frames()) {
        largestBits = std::max(largestBits, frame.localTable.bitsPerPixel());
    }
    const int resolution = std::max(0, largestBits - 1);
    int flags = resolution << 4 | resolution;
    if (!document.globalTable().entries.empty()) flags |= 0x80;
    if (document.globalTable().sorted) flags |= 0x08;
    return static_cast<std::uint8_t>(flags);
}

// Each frame's image data, coded independently of the others.
std::vector<std::string> codeFrames(const GifDocument& document, int threads) {
    const std::vector<GifFrame>& frames = document.frames();
    std::vector<std::string> coded(frames.size());
    std::exception_ptr failure;
    const int count = static_cast<int>(frames.size());
#pragma omp parallel for schedule(dynamic) \
    num_threads(threads > 0 ? threads : omp_get_max_threads())
    for (int i = 0; i < count; ++i) {
        const GifFrame& frame = frames[static_cast<std::size_t>(i)];
        if (frame.isEmpty()) continue;
        const GifColorTable& table = tableOf(frame, document);
        try {
            LzwEncoder::encode(frame.pixels.data(), frame.pixels.size(), table.bitsPerPixel(),
                               table.entries.size(), coded[static_cast<std::size_t>(i)]);
        } catch (...) {
#pragma omp critical
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
    return coded;
}

}  // namespace

void writeGifHeader(const GifDocument& document, std::string& out) {
    const std::string version = document.version();  // fails before anything is written
    out += "GIF";
    out += version;
    putU16(out, static_cast<std::uint16_t>(document.screenWidth()));
    putU16(out, static_cast<std::uint16_t>(document.screenHeight()));
    out += static_cast<char>(screenDescriptorFlags(document));
    out += static_cast<char>(document.backgroundIndex());
    out += static_cast<char>(document.aspectRatio());
    if (!document.globalTable().entries.empty()) writeColorTable(document.globalTable(), out);
}

void writeGifFrames(const GifDocument& document, std::string& out, int threads) {
    const std::vector<std::string> coded = codeFrames(document, threads);
    for (std::size_t i = 0; i < document.frames().size(); ++i) {
        const GifFrame& frame = document.frames()[i];
        for (const GifExtension& extension : frame.extensions)
            std::visit(ExtensionWriter{out}, extension);
        if (frame.isEmpty()) continue;
        out += '\x2C';
        putU16(out, frame.left);
        putU16(out, frame.top);
        putU16(out, frame.width);
        putU16(out, frame.height);
        int flags = 0;
        if (!frame.localTable.entries.empty()) {
            flags = 0x80 | (frame.localTable.bitsPerPixel() - 1);
            if (frame.localTable.sorted) flags |= 0x20;
        }
        out += static_cast<char>(flags);
        if (!frame.localTable.entries.empty()) writeColorTable(frame.localTable, out);
        out += coded[i];
    }
}

void writeGif(const GifDocument& document, std::string& out, int threads) {
    writeGifHeader(document, out);
    writeGifFrames(document, out, threads);
    out += kGifTrailer;
}

void saveGif(const GifDocument& document, const std::string& path, int threads) {
    std::string bytes;
    writeGif(document, bytes, threads);
    AtomicFile file(path);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

}  // namespace carbonel
