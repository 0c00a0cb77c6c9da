#include "cli/cli_options.h"

#include <charconv>
#include <cmath>
#include <map>
#include <numeric>

#include "imageio/folder_order.h"
#include "imageio/output_formats.h"
#include "imageio/photo_kinds.h"
#include "sketch/error.h"

namespace carbonel::cli {

namespace {

// The usage text; the words in braces come from the tables of photo kinds and output formats.
const char* const kUsageTemplate = R"(Usage:
  carbonel-cli convert PHOTO OUTPUT [options]
  carbonel-cli batch --out DIR [options] [--format F] [--jobs N] [--quiet] [--plan] SOURCE...
  carbonel-cli gif OUTPUT{gif extension}|- FRAME... [--size WxH]
  carbonel-cli animate OUTPUT{animation extensions}|- FRAME... [--format F] [--size WxH] [--delay MS]
                       [--loop N]
  carbonel-cli video INPUT OUTPUT.{mp4,webm,gif}|'DIR/%05d.png' [options] [--start T]
                     [--duration T] [--fps N] [--no-audio] [-q]
  carbonel-cli textures
  carbonel-cli --help | --version

convert   turns a PHOTO into a sketch and writes it to OUTPUT. PHOTO is one of
          {photo extensions}. OUTPUT's extension picks the format:
          {output formats}.
          Traced lines are black on a page (transparent in SVG); the paper is not traced. The
          sketch is one pixel wider and taller than the photo, as the program's Save writes it.
          A camera photo is first turned upright by its orientation (a HEIF by its rotation
          and mirroring). PHOTO "-" reads standard input (its kind told by its first bytes);
          OUTPUT "-" writes standard output in the --format given. Converting a file onto
          itself is refused. A named pipe or a device (/dev/null) as OUTPUT is written into,
          never replaced (a BMP or metafile, written out of order, needs a regular file).
  --format F         {formats}: the format for OUTPUT "-" (default
                     jpg), or for an OUTPUT without a picture's extension

batch     converts every photo of each SOURCE folder and its sub-folders (the extensions
          above, in any case; a SOURCE file is taken as it is) into DIR, which must exist:
          JPEG sources as JPEG, BMP sources as BMP, others as PNG, under the source's name.
          A name already in DIR gets the file's list position inserted before its extension
          (cat.jpg, cat1.jpg, ...); no existing file is ever replaced. A failing file is
          reported and the others go on; a summary line ends the run. A named pipe or a
          device with a photo's name is reported as skipped.
  --out DIR          where the sketches go
  --format F         {batch formats}: one format for every sketch, each named
                     with its extension
  --jobs N           how many files to convert at once (default: one per core)
  -q, --quiet        no progress line
  --plan             convert nothing: write the batch's plan to standard output, one line a
                     photo, SOURCE<TAB>TARGET, for "carbonel-cli convert SOURCE TARGET" on any
                     engine (GNU parallel, Slurm, xargs -P) to write the files the batch writes

gif       builds a looping animated GIF from the FRAME pictures (any photo kind above), as the
          recorder's Save Animate does: each frame is drawn over the ones before it, its white
          pixels left out, scaled to the animation's size (--size, default the first frame's),
          reduced to the 216 web colours and shown for 0.30 s. OUTPUT "-" writes standard
          output.
  --size WxH         the animation's width and height, each 1..16385

animate   builds the same animation as an animated WebP (lossless, full colour, white paper),
          an MP4 video (H.264) or a GIF, as OUTPUT's extension asks. OUTPUT "-" writes
          standard output in the --format given: a WebP through an unnamed temporary file (its
          size is written last), an MP4 fragmented (its index with each few frames).
  --format F         gif, webp or mp4: the format for OUTPUT "-" (default gif), or for an
                     OUTPUT without an animation's extension
  --delay MS         how long each frame shows, 10..655350 ms (default 300)
  --loop N           how often the animation plays, 0 for ever (default); not for MP4

video     sketches every frame of a video (any FFmpeg reads: MP4, MOV, MKV, WebM, an animated
          GIF) with the conversion options below, as convert sketches a photo, the paper laid
          in the same place on every frame. OUTPUT's extension picks what is written: .mp4
          (H.264, the input's sound copied, or encoded as AAC where MP4 does not take it),
          .webm (VP9, Opus sound) or .gif (each frame shown whole, web colours); a video is
          the input's size (an odd side takes the sketch's extra line of paper). A name with a
          frame number, %d or %05d ('frames/%05d.png', any extension convert writes), writes
          one sketch a frame, numbered from 1 as ffmpeg numbers a picture sequence, each what
          convert writes for that frame. Frames keep their times (a variable rate too), and a
          phone's rotation is turned upright (not with --keep-orientation). Damaged frames are
          concealed as the decoder does and counted at the end. On a terminal a progress line
          tells the frames done, the frames a second and the time left. Interrupted (SIGINT,
          SIGTERM) or failing, it leaves no output: no file, and no frame of a numbered
          sequence; the exit status is then 128 + the signal, or 1.
  --start T          begin T into the video: seconds (12.5) or [HH:]MM:SS[.mmm]
  --duration T       sketch T of it (default: to the end)
  --fps N            resample to N frames a second (25, 29.97, 30000/1001), repeating or
                     dropping frames
  --no-audio         leave the sound out
  -q, --quiet        no progress line

textures  lists the names of the installed paper textures, one per line.

Conversion options (defaults are the program's start state):
  --precision N      0..200, how small a contrast makes a stroke (default 170)
  --line N           1..15, the line step: how far apart the compared pixels lie (default 1)
  --style S          pen (black strokes), pencil (darkening by contrast) or
                     pastel (strokes in the photo's colours) (default pencil)
  --texture PAPER    lay this paper under the strokes: the name of an installed paper
                     (see "textures") or a picture file
  --stretch          stretch the paper over the sketch instead of tiling it
  --quality N        1..100, the JPEG quality of the sketches (default 20)
  --png-level N      1..9, zlib's level for PNG sketches: higher makes smaller files,
                     slower (default 2)
  --threads N        threads for the conversion (default: every core); video: how many
                     frames are sketched at once
  --keep-orientation keep a camera photo as stored instead of turning it upright by its
                     orientation tag
  --threshold N      0..255, SVG and PDF: the darkness from which a pixel counts as a line
                     (default: between the sketch's own paper and line tones)
  --speckle N        SVG and PDF: blobs of at most N pixels are dropped (default 2)
  --smooth X         0..1.33, SVG and PDF: how round the lines are (default 1)
  --trace T          outline (filled outlines, default) or centerline (one stroke along each
                     line's middle, for pen plotters, lasers and cutters), SVG and PDF
  --page P           SVG and PDF: fit the drawing on an A3, A4, A5, letter, legal or WxHmm page,
                     centred inside the margins (default: the sketch's pixels at 96 dpi)
  --margin MM        the page's margins (default 10)
  --landscape, --portrait
                     turn the page (default: as the drawing lies)
  --pen-width MM     on a page, the single strokes' width (default: the drawing's median line
                     width)
  --stats            convert, SVG and PDF: tell on standard error the paths, the length drawn,
                     the pen-up travel and the pen lifts (mm on a page, else pixels)

Options take their value as "--opt value" or "--opt=value"; "--" ends the options.
Exit status: 0 on success, 1 when a file cannot be read or written, 2 on bad usage; video:
128 + the signal when interrupted.
)";

// ".gif|.webp|.mp4"
std::string animationSuffixes() {
    std::string text;
    for (const AnimationFormatRow& row : animationFormats()) {
        if (!text.empty()) text += '|';
        text += row.suffix.front();
    }
    return text;
}

bool inBatch(const OutputFormatRow& row) {
    return row.inBatch;
}

}  // namespace

std::string usageText() {
    std::string text = kUsageTemplate;
    const std::pair<std::string, std::string> words[] = {
        {"{output formats}", outputFormatDescriptions()},
        {"{formats}", outputFormatNames()},
        {"{batch formats}", outputFormatNames(inBatch)},
        {"{photo extensions}", photoExtensionList()},
        {"{animation extensions}", animationSuffixes()},
        {"{gif extension}", std::string(animationFormats().front().suffix.front())},
    };
    for (const auto& [token, value] : words) {
        for (std::size_t at; (at = text.find(token)) != std::string::npos;)
            text.replace(at, token.size(), value);
    }
    // Lines the lists made long are wrapped at a space, each part indented as the line was.
    constexpr std::size_t kWidth = 94;
    std::string wrapped;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        const std::string indent(
            line.find_first_not_of(' ') == std::string::npos ? 0 : line.find_first_not_of(' '),
            ' ');
        while (line.size() > kWidth) {
            const std::size_t cut = line.rfind(' ', kWidth);
            if (cut == std::string::npos || cut <= indent.size()) break;
            wrapped += line.substr(0, cut) + '\n';
            line = indent + line.substr(cut + 1);
        }
        wrapped += line;
        if (end < text.size()) wrapped += '\n';
        start = end + 1;
    }
    return wrapped;
}

namespace {

// A parser for one command: its options, and the arguments after the command's name. Options
// come before, between or after the arguments, as "--name value" or "--name=value"; a single dash
// starts one-letter options, which may be run together ("-q"); "--" ends the options, and "-"
// alone is an argument (standard input or output).
class CommandLine {
  public:
    // An option known by each of `names` (one letter: used with one dash).
    void add(const std::vector<std::string>& names, bool takesValue) {
        const std::string key = names.back();
        for (const std::string& name : names) options_[name] = Option{key, takesValue};
    }
    void parse(const std::vector<std::string>& args) {
        bool optionsEnded = false;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string& arg = args[i];
            if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
                positional_.push_back(arg);
            } else if (arg == "--") {
                optionsEnded = true;
            } else if (arg[1] == '-') {
                const std::size_t equals = arg.find('=');
                const std::string name =
                    arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
                const Option& option = known(name);
                if (!option.takesValue) {
                    if (equals != std::string::npos)
                        throw UsageError("Unexpected value after '--" + name + "'.");
                    values_[option.key].emplace_back();
                } else if (equals != std::string::npos) {
                    values_[option.key].push_back(arg.substr(equals + 1));
                } else if (i + 1 < args.size()) {
                    values_[option.key].push_back(args[++i]);
                } else {
                    throw UsageError("Missing value after '--" + name + "'.");
                }
            } else {
                for (std::size_t at = 1; at < arg.size(); ++at) {
                    const std::string name(1, arg[at]);
                    const Option& option = known(name);
                    if (option.takesValue) throw UsageError("Missing value after '-" + name + "'.");
                    values_[option.key].emplace_back();
                }
            }
        }
    }
    bool isSet(const char* name) const { return values_.count(name) > 0; }
    std::optional<std::string> value(const char* name) const {
        const auto found = values_.find(name);
        if (found == values_.end()) return std::nullopt;
        if (found->second.size() > 1)
            throw UsageError(std::string("--") + name + " is given twice");
        return found->second.front();
    }
    std::vector<std::string> positional() const { return positional_; }

  private:
    struct Option {
        std::string key;  // the option's last name, by which it is asked for
        bool takesValue = false;
    };
    const Option& known(const std::string& name) const {
        const auto found = options_.find(name);
        if (found == options_.end()) throw UsageError("Unknown option '" + name + "'.");
        return found->second;
    }

    std::map<std::string, Option> options_;
    std::map<std::string, std::vector<std::string>> values_;
    std::vector<std::string> positional_;
};

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

void addConversionOptions(CommandLine& line) {
    for (const char* name :
         {"precision", "line", "style", "texture", "threads", "quality", "png-level", "threshold",
          "speckle", "smooth", "trace", "page", "margin", "pen-width"})
        line.add({name}, true);
    for (const char* name : {"stretch", "keep-orientation", "landscape", "portrait"})
        line.add({name}, false);
}

// A length in millimetres: a number above 0 (or from 0, for a margin), at most 100 m.
double parseMillimetres(const std::string& option, const std::string& value, bool zeroAllowed) {
    double number = 0;
    const char* end = value.data() + value.size();
    const auto [rest, error] = std::from_chars(value.data(), end, number);
    if (value.empty() || error != std::errc() || rest != end || !(number >= 0) ||
        (!zeroAllowed && number == 0) || number > 100000) {
        throw UsageError(option + " takes a length in millimetres" +
                         (zeroAllowed ? "" : " above 0") + ", not \"" + value + "\"");
    }
    return number;
}

// How the lines of an SVG or PDF are drawn, and the page they are fitted on.
void readPlotOptions(const CommandLine& line, TraceOptions& trace) {
    if (const auto value = line.value("trace")) {
        if (*value == "outline") {
            trace.mode = TraceMode::Outline;
        } else if (*value == "centerline") {
            trace.mode = TraceMode::Centerline;
        } else {
            throw UsageError("--trace takes outline or centerline, not \"" + *value + "\"");
        }
    }
    if (const auto value = line.value("page")) {
        trace.page = plotPageNamed(*value);
        if (!trace.page) {
            throw UsageError("--page takes " + std::string(kPlotPageNames) + ", not \"" + *value +
                             "\"");
        }
    }
    for (const char* option : {"margin", "pen-width", "landscape", "portrait"}) {
        if (line.isSet(option) && !trace.page)
            throw UsageError(std::string("--") + option + " needs --page");
    }
    if (!trace.page) return;
    if (line.isSet("landscape") && line.isSet("portrait"))
        throw UsageError("--landscape and --portrait ask for two ways of one page");
    if (line.isSet("landscape")) trace.page->turn = PlotPage::Turn::Landscape;
    if (line.isSet("portrait")) trace.page->turn = PlotPage::Turn::Portrait;
    if (const auto value = line.value("margin"))
        trace.page->margin = parseMillimetres("--margin", *value, true);
    if (2 * trace.page->margin >= std::min(trace.page->width, trace.page->height)) {
        throw UsageError("the page (" + *line.value("page") + ") is smaller than its margins");
    }
    if (const auto value = line.value("pen-width"))
        trace.penWidth = parseMillimetres("--pen-width", *value, false);
}

ConversionArgs readConversionOptions(const CommandLine& line) {
    ConversionArgs out;
    if (const auto value = line.value("precision"))
        out.precision =
            parseIntOption("--precision", *value, kPrecision.lowest, kPrecision.highest);
    if (const auto value = line.value("line"))
        out.line = parseIntOption("--line", *value, kLine.lowest, kLine.highest);
    if (const auto style = line.value("style")) {
        if (*style == "pen") {
            out.style = PenStyle::Pen;
        } else if (*style == "pencil") {
            out.style = PenStyle::Pencil;
        } else if (*style == "pastel") {
            out.style = PenStyle::Pastel;
        } else {
            throw UsageError("--style takes pen, pencil or pastel, not \"" + *style + "\"");
        }
    }
    out.texture = line.value("texture");
    out.stretch = line.isSet("stretch");
    if (out.stretch && !out.texture) throw UsageError("--stretch needs --texture");
    if (const auto value = line.value("threads"))
        out.threads = parseIntOption("--threads", *value, 1, 256);
    if (const auto value = line.value("quality"))
        out.files.jpegQuality =
            parseIntOption("--quality", *value, kJpegQuality.lowest, kJpegQuality.highest);
    if (const auto value = line.value("png-level"))
        out.files.pngLevel =
            parseIntOption("--png-level", *value, kPngLevel.lowest, kPngLevel.highest);
    if (line.isSet("keep-orientation")) out.files.reading = PhotoReading::AsStored;
    if (const auto value = line.value("threshold")) {
        out.files.trace.threshold =
            parseIntOption("--threshold", *value, kTraceThreshold.lowest, kTraceThreshold.highest);
    }
    if (const auto value = line.value("speckle"))
        out.files.trace.speckle =
            parseIntOption("--speckle", *value, kSpeckle.lowest, kSpeckle.highest);
    if (const auto value = line.value("smooth")) {
        double smooth = 0;
        const char* end = value->data() + value->size();
        const auto [rest, error] = std::from_chars(value->data(), end, smooth);
        if (value->empty() || error != std::errc() || rest != end || !(smooth >= 0) ||
            smooth > kMaxSmooth + 1e-9) {
            throw UsageError("--smooth takes a number from 0 to 1.33, not \"" + *value + "\"");
        }
        out.files.trace.smooth = std::min(smooth, kMaxSmooth);
    }
    readPlotOptions(line, out.files.trace);
    return out;
}

// Single strokes are traced lines: a raster format has none.
void checkTraceFits(const ConversionArgs& conversion, OutputFormat format,
                    const std::string& what) {
    if (conversion.files.trace.mode == TraceMode::Centerline && !outputFormatRow(format).vector) {
        throw UsageError("--trace centerline draws SVG and PDF lines; " + what + " is " +
                         std::string(outputFormatRow(format).what));
    }
}

bool parseSide(const std::string& text, int& side) {
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, side);
    return !text.empty() && error == std::errc() && rest == end && side >= 1 &&
           side <= kMaxPictureSide;
}

}  // namespace

bool asksFor(const std::vector<std::string>& args, const std::string& longName,
             const std::string& shortName) {
    for (const std::string& arg : args) {
        if (arg == "--") return false;
        if (arg == longName || (!shortName.empty() && arg == shortName)) return true;
    }
    return false;
}

ConvertArgs parseConvertArgs(const std::vector<std::string>& args) {
    CommandLine line;
    addConversionOptions(line);
    line.add({"format"}, true);
    line.add({"stats"}, false);
    line.parse(args);
    ConvertArgs parsed;
    parsed.conversion = readConversionOptions(line);
    if (line.isSet("stats")) parsed.conversion.files.trace.report = std::make_shared<TraceReport>();
    const std::vector<std::string> positional = line.positional();
    if (positional.size() != 2) throw UsageError("convert takes a PHOTO and an OUTPUT");
    parsed.photo = positional[0];
    parsed.output = positional[1];
    // A pipe or a device (/dev/null) has no extension: --format names its format.
    std::optional<OutputFormat> named;
    if (parsed.output != "-") named = outputFormatOfName(parsed.output);
    if (const auto format = line.value("format")) {
        parsed.format = outputFormatNamed(*format);
        if (!parsed.format) {
            throw UsageError("--format takes " + outputFormatNames() + ", not \"" + *format + "\"");
        }
        if (named && *named != *parsed.format) {
            throw UsageError(parsed.output +
                             ": its extension asks for another format than --format " + *format);
        }
    } else if (parsed.output == "-") {
        parsed.format = OutputFormat::Jpeg;
    } else if (!named) {
        const std::string extension = fileExtension(parsed.output);
        throw UsageError(parsed.output + ": " +
                         (extension.empty()
                              ? "no picture file extension"
                              : "unknown picture file extension (" + extension + ")") +
                         "; OUTPUT's extension picks the format: " + outputExtensionList() +
                         " (or give --format)");
    } else {
        parsed.format = named;
    }
    checkTraceFits(parsed.conversion, *parsed.format, parsed.output);
    if (parsed.conversion.files.trace.report && !outputFormatRow(*parsed.format).vector)
        throw UsageError("--stats tells of SVG and PDF paths; " + parsed.output + " is " +
                         std::string(outputFormatRow(*parsed.format).what));
    return parsed;
}

BatchArgs parseBatchArgs(const std::vector<std::string>& args) {
    CommandLine line;
    addConversionOptions(line);
    line.add({"out"}, true);
    line.add({"format"}, true);
    line.add({"jobs"}, true);
    line.add({"q", "quiet"}, false);
    line.add({"plan"}, false);
    line.parse(args);
    BatchArgs parsed;
    parsed.conversion = readConversionOptions(line);
    parsed.outputFolder = line.value("out").value_or("");
    if (parsed.outputFolder.empty()) throw UsageError("batch needs --out DIR");
    if (const auto format = line.value("format")) {
        parsed.format = outputFormatNamed(*format);
        if (!parsed.format || !outputFormatRow(*parsed.format).inBatch) {
            throw UsageError("batch --format takes " + outputFormatNames(inBatch) + ", not \"" +
                             *format + "\"");
        }
    }
    if (parsed.conversion.files.trace.mode == TraceMode::Centerline && !parsed.format)
        throw UsageError(
            "--trace centerline draws SVG and PDF lines: give batch --format svg or pdf");
    if (parsed.format) checkTraceFits(parsed.conversion, *parsed.format, "batch --format");
    if (const auto jobs = line.value("jobs")) parsed.jobs = parseIntOption("--jobs", *jobs, 1, 256);
    parsed.quiet = line.isSet("quiet");
    parsed.plan = line.isSet("plan");
    parsed.sources = line.positional();
    if (parsed.sources.empty()) throw UsageError("batch takes at least one SOURCE");
    return parsed;
}

namespace {

// The frames and their size, for gif and animate alike.
GifArgs readFrameArgs(CommandLine& line, const char* command) {
    GifArgs parsed;
    if (const auto size = line.value("size")) {
        const std::size_t cross = size->find('x');
        if (cross == std::string::npos || !parseSide(size->substr(0, cross), parsed.width) ||
            !parseSide(size->substr(cross + 1), parsed.height)) {
            throw UsageError("--size takes WIDTHxHEIGHT, two whole numbers from 1 to " +
                             std::to_string(kMaxPictureSide) + ", not \"" + *size + "\"");
        }
    }
    const std::vector<std::string> positional = line.positional();
    if (positional.size() < 2)
        throw UsageError(std::string(command) + " takes an OUTPUT and at least one FRAME");
    parsed.output = positional.front();
    parsed.frames.assign(positional.begin() + 1, positional.end());
    return parsed;
}

}  // namespace

GifArgs parseGifArgs(const std::vector<std::string>& args) {
    CommandLine line;
    line.add({"size"}, true);
    line.parse(args);
    GifArgs parsed = readFrameArgs(line, "gif");
    if (parsed.output != "-" && animationFormatOfName(parsed.output) != AnimationFormat::Gif) {
        throw UsageError("gif writes a " + std::string(animationFormats().front().suffix.front()) +
                         " file (or \"-\" for standard output), not \"" + parsed.output + "\"");
    }
    return parsed;
}

GifArgs parseAnimateArgs(const std::vector<std::string>& args) {
    CommandLine line;
    line.add({"size"}, true);
    line.add({"delay"}, true);
    line.add({"loop"}, true);
    line.add({"format"}, true);
    line.parse(args);
    GifArgs parsed = readFrameArgs(line, "animate");
    std::optional<AnimationFormat> named;
    if (parsed.output != "-") named = animationFormatOfName(parsed.output);
    if (const auto format = line.value("format")) {
        const std::optional<AnimationFormat> asked = animationFormatNamed(*format);
        if (!asked) {
            throw UsageError("--format takes " + animationFormatNames() + ", not \"" + *format +
                             "\"");
        }
        if (named && *named != *asked) {
            throw UsageError(parsed.output +
                             ": its extension asks for another format than --format " + *format);
        }
        parsed.format = *asked;
    } else if (named) {
        parsed.format = *named;
    } else if (parsed.output != "-") {
        throw UsageError("animate writes " + animationExtensionList() + " files, not \"" +
                         parsed.output + "\" (or give --format)");
    }  // standard output without --format: a GIF
    if (const auto delay = line.value("delay"))
        parsed.delayMs = parseIntOption("--delay", *delay, 10, 655350);
    if (const auto loops = line.value("loop")) {
        for (const AnimationFormatRow& row : animationFormats()) {
            if (row.format == parsed.format && !row.loops)
                throw UsageError("--loop is for .gif and .webp animations: a video plays once");
        }
        parsed.loops = parseIntOption("--loop", *loops, 0, 65535);
    }
    return parsed;
}

namespace {

// A whole number of digits, all of `text`.
bool parseWhole(const std::string& text, std::int64_t& number) {
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, number);
    return !text.empty() && error == std::errc() && rest == end && number >= 0;
}

// A number of seconds: digits, a point and digits.
bool parseSeconds(const std::string& text, double& seconds) {
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, seconds);
    return !text.empty() && text.front() != '-' && text.front() != '+' && error == std::errc() &&
           rest == end && std::isfinite(seconds) && seconds >= 0;
}

}  // namespace

double parseTime(const std::string& option, const std::string& text) {
    // Seconds, with minutes and hours before them; each unit but the first below 60.
    std::vector<std::string> parts;
    for (std::size_t from = 0;;) {
        const std::size_t colon = text.find(':', from);
        parts.push_back(text.substr(from, colon == std::string::npos ? colon : colon - from));
        if (colon == std::string::npos) break;
        from = colon + 1;
    }
    double seconds = 0;
    bool good = parts.size() <= 3 && parseSeconds(parts.back(), seconds) &&
                (parts.size() == 1 || seconds < 60);
    for (std::size_t i = 0; good && i + 1 < parts.size(); ++i) {
        std::int64_t unit = 0;
        good = parseWhole(parts[i], unit) && unit <= 1000000 && (i == 0 || unit < 60);
        seconds += static_cast<double>(unit) * (parts.size() - i == 3 ? 3600 : 60);
    }
    if (!good || seconds > 1e9) {
        throw UsageError(option + " takes a time in seconds (2.5) or as [HH:]MM:SS[.mmm], not \"" +
                         text + "\"");
    }
    return seconds;
}

Ratio parseFrameRate(const std::string& option, const std::string& text) {
    Ratio rate;
    const std::size_t slash = text.find('/');
    const std::size_t point = text.find('.');
    bool good = false;
    if (slash != std::string::npos) {
        good = parseWhole(text.substr(0, slash), rate.num) &&
               parseWhole(text.substr(slash + 1), rate.den);
    } else if (point != std::string::npos) {
        // Exactly, as a fraction of a power of ten: 29.97 is 2997/100.
        const std::string whole = text.substr(0, point), fraction = text.substr(point + 1);
        std::int64_t wholePart = 0, fractionPart = 0;
        good = fraction.size() <= 6 && (whole.empty() || parseWhole(whole, wholePart)) &&
               parseWhole(fraction, fractionPart) && wholePart <= 1000;
        rate.den = 1;
        for (std::size_t i = 0; i < fraction.size(); ++i) rate.den *= 10;
        rate.num = wholePart * rate.den + fractionPart;
    } else {
        good = parseWhole(text, rate.num);
        rate.den = 1;
    }
    good = good && rate.isValid() && rate.num <= 1000 * rate.den && rate.num <= 1000000000 &&
           rate.den <= 1000000000;
    if (!good) {
        throw UsageError(option + " takes a frame rate above 0 and at most 1000 (25, 29.97 or " +
                         "30000/1001), not \"" + text + "\"");
    }
    const std::int64_t common = std::gcd(rate.num, rate.den);
    return {rate.num / common, rate.den / common};
}

VideoArgs parseVideoArgs(const std::vector<std::string>& args) {
    CommandLine line;
    addConversionOptions(line);
    for (const char* name : {"start", "duration", "fps"}) line.add({name}, true);
    line.add({"no-audio"}, false);
    line.add({"q", "quiet"}, false);
    line.parse(args);
    VideoArgs parsed;
    parsed.conversion = readConversionOptions(line);
    const std::vector<std::string> positional = line.positional();
    if (positional.size() != 2) throw UsageError("video takes an INPUT and an OUTPUT");
    parsed.input = positional[0];
    parsed.output = positional[1];
    try {
        parsed.target = videoOutputFor(parsed.output);
    } catch (const Error& error) {
        throw UsageError(error.what());
    }
    if (parsed.target.kind == VideoOutputKind::Pictures) {
        checkTraceFits(parsed.conversion, parsed.target.pictureFormat, parsed.output);
    } else if (parsed.conversion.files.trace.mode == TraceMode::Centerline) {
        throw UsageError("--trace centerline draws SVG and PDF lines; " + parsed.output +
                         " is a video");
    }
    if (const auto start = line.value("start")) parsed.start = parseTime("--start", *start);
    if (const auto duration = line.value("duration")) {
        parsed.duration = parseTime("--duration", *duration);
        if (*parsed.duration <= 0) throw UsageError("--duration takes a time above 0");
    }
    if (const auto fps = line.value("fps")) parsed.fps = parseFrameRate("--fps", *fps);
    parsed.audio = !line.isSet("no-audio");
    parsed.quiet = line.isSet("quiet");
    return parsed;
}

void parseTexturesArgs(const std::vector<std::string>& args) {
    CommandLine line;
    line.parse(args);
    if (!line.positional().empty()) throw UsageError("textures takes no arguments");
}

}  // namespace carbonel::cli
