// The photo kinds Qt reads, and the Exif orientation tag, on arbitrary bytes: each decodes them or
// refuses them with our error, nothing else.
#include <QtGlobal>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imageio/orientation.h"
#include "imageio/qt_picture_reader.h"
#include "sketch/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Qt's readers report every damaged file on standard error: too much for a fuzzer's log.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    carbonel::exifOrientation(data, size);
    try {
        carbonel::decodeQtPicture(std::vector<std::uint8_t>(data, data + size));
    } catch (const carbonel::Error&) {
    }
    return 0;
}
