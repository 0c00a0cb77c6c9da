// Writes a real photo scaled to a given size as a BMP, for the codec comparison script.
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "scaled_photo.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_scaled_photo PHOTO MEGAPIXELS OUTPUT.bmp\n");
        return 2;
    }
    try {
        const carbonel::Raster photo = carbonel::bench::scaledPhoto(argv[1], std::atof(argv[2]));
        carbonel::writeSketchFile(photo, argv[3], carbonel::OutputFormat::Bmp, photo.width(),
                                  photo.height());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_scaled_photo: %s\n", error.what());
        return 1;
    }
    return 0;
}
