#include "cli/cli_options.h"

#include <charconv>

namespace carbonel::cli {

const char* const kUsage = R"(Usage:
  carbonel-cli convert PHOTO OUTPUT [options]
  carbonel-cli batch --out DIR [options] [--jobs N] SOURCE...
  carbonel-cli gif OUTPUT FRAME... [--size WxH]
  carbonel-cli --help

convert   turns PHOTO (.jpg, .jpeg, .bmp, .png, .tif, .tiff, .webp or .gif) into a sketch
          and writes it to OUTPUT. OUTPUT's extension picks the format: .jpg/.jpeg JPEG at
          quality 20, .bmp 24-bit BMP, .png PNG, .wmf placeable Windows metafile, .emf
          enhanced metafile. The sketch is one pixel wider and taller than the photo, as the
          program's Save writes it. A camera photo is first turned upright by its orientation.

batch     converts every photo of each SOURCE folder and its sub-folders (the extensions
          above, in any case; a SOURCE file is taken as it is) into DIR, which must exist:
          JPEG sources as JPEG, BMP sources as BMP, others as PNG, under the source's name.
          A name already in DIR gets the file's list position inserted before its extension
          (cat.jpg, cat1.jpg, ...); no existing file is ever replaced. A failing file is reported and the others go on.
  --jobs N           how many files to convert at once (default: one per core)

gif       builds a looping animated GIF from the FRAME pictures (any photo kind above), as the
          recorder's Save Animate does: each frame is drawn over the ones before it, its white
          pixels left out, scaled to the animation's size (--size, default the first frame's),
          reduced to the 216 web colours and shown for 0.30 s.

Conversion options (defaults are the program's start state):
  --precision N      0..200, how small a contrast makes a stroke (default 170)
  --line N           1..15, the line step: how far apart the compared pixels lie (default 1)
  --style S          pen (black strokes), pencil (darkening by contrast) or
                     pastel (strokes in the photo's colours) (default pencil)
  --texture PICTURE  lay this paper picture (any photo kind above) under the strokes
  --stretch          stretch the paper over the sketch instead of tiling it
  --keep-orientation keep a camera photo as stored instead of turning it upright by its
                     orientation tag
  --threads N        threads for the conversion (default: every core)

Exit status: 0 on success, 1 when a file cannot be read or written, 2 on bad usage.
)";

int parseIntOption(const std::string& option, const std::string& value, int low, int high) {
    int number = 0;
    const char* end = value.data() + value.size();
    const auto [rest, error] = std::from_chars(value.data(), end, number);
    if (error != std::errc() || rest != end || number < low || number > high) {
        throw UsageError(option + " takes a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not \"" + value + "\"");
    }
    return number;
}

namespace {

const std::string& valueOf(const std::vector<std::string>& args, std::size_t& i) {
    if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
    return args[++i];
}

}  // namespace

bool takeConversionOption(const std::vector<std::string>& args, std::size_t& i,
                          ConversionArgs& out) {
    const std::string& option = args[i];
    if (option == "--precision") {
        out.precision = parseIntOption(option, valueOf(args, i), 0, 200);
    } else if (option == "--line") {
        out.line = parseIntOption(option, valueOf(args, i), 1, 15);
    } else if (option == "--style") {
        const std::string& style = valueOf(args, i);
        if (style == "pen") {
            out.style = PenStyle::Pen;
        } else if (style == "pencil") {
            out.style = PenStyle::Pencil;
        } else if (style == "pastel") {
            out.style = PenStyle::Pastel;
        } else {
            throw UsageError("--style takes pen, pencil or pastel, not \"" + style + "\"");
        }
    } else if (option == "--texture") {
        out.texture = valueOf(args, i);
    } else if (option == "--stretch") {
        out.stretch = true;
    } else if (option == "--keep-orientation") {
        out.reading = PhotoReading::AsStored;
    } else if (option == "--threads") {
        out.threads = parseIntOption(option, valueOf(args, i), 1, 256);
    } else {
        return false;
    }
    return true;
}

ConvertArgs parseConvertArgs(const std::vector<std::string>& args) {
    ConvertArgs parsed;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (takeConversionOption(args, i, parsed.conversion)) continue;
        if (args[i].starts_with("--")) throw UsageError("unknown option " + args[i]);
        positional.push_back(args[i]);
    }
    if (positional.size() != 2) throw UsageError("convert takes a PHOTO and an OUTPUT");
    if (parsed.conversion.stretch && !parsed.conversion.texture) {
        throw UsageError("--stretch needs --texture");
    }
    parsed.photo = positional[0];
    parsed.output = positional[1];
    return parsed;
}

}  // namespace carbonel::cli
