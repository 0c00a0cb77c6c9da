#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "animation/animation_formats.h"
#include "animation/video_outputs.h"
#include "imageio/picture_names.h"
#include "sketch/convert.h"

namespace carbonel::cli {

// Bad usage: the message is printed on one line, followed by "Try 'carbonel-cli --help'.", and
// the tool exits with status 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The conversion options every command that converts shares.
struct ConversionArgs {
    int precision = kPrecision.start;
    int line = kLine.start;
    PenStyle style = kStartStyle;
    std::optional<std::string> texture;  // a picture file, or the name of an installed paper
    bool stretch = false;
    int threads = 0;
    FileOptions files;  // --keep-orientation and --quality
};

struct ConvertArgs {
    std::string photo;                   // "-": standard input
    std::string output;                  // "-": standard output, in `format`
    std::optional<OutputFormat> format;  // always set once parsed
    ConversionArgs conversion;
};

struct BatchArgs {
    std::string outputFolder;
    std::optional<OutputFormat> format;  // none: each source's own (batchOutputFormat)
    std::vector<std::string> sources;
    ConversionArgs conversion;
    int jobs = 0;  // 0: one per core
    bool quiet = false;
    bool plan = false;  // write the plan, convert nothing
};

struct GifArgs {
    std::string output;
    std::vector<std::string> frames;
    int width = 0, height = 0;                      // 0 x 0: the first frame's size
    int delayMs = 300;                              // animate: how long each frame shows
    int loops = 0;                                  // animate: how often it plays; 0 for ever
    AnimationFormat format = AnimationFormat::Gif;  // animate: from OUTPUT or --format
};

struct VideoArgs {
    std::string input;
    std::string output;  // a video file, or a pattern naming one picture a frame
    VideoOutput target;  // what OUTPUT asks for
    ConversionArgs conversion;
    double start = 0;                // seconds
    std::optional<double> duration;  // seconds; none: to the end
    std::optional<Ratio> fps;        // none: the input's own times
    bool audio = true;
    bool quiet = false;
};

// The command line, read through QCommandLineParser: "--opt value" and "--opt=value" both work,
// and "--" ends the options. Bad usage throws UsageError naming the problem.
ConvertArgs parseConvertArgs(const std::vector<std::string>& args);
BatchArgs parseBatchArgs(const std::vector<std::string>& args);
GifArgs parseGifArgs(const std::vector<std::string>& args);
// "animate OUTPUT.{gif,webp,mp4}|- FRAME... [--format F] [--size WxH] [--delay MS] [--loop N]".
GifArgs parseAnimateArgs(const std::vector<std::string>& args);
// "video INPUT OUTPUT [conversion options] [--start T] [--duration T] [--fps N] [--no-audio]
// [-q]".
VideoArgs parseVideoArgs(const std::vector<std::string>& args);
// A time given as seconds ("90", "2.5") or as [HH:]MM:SS[.fraction] ("01:30", "0:01:02.250");
// bad usage names `option` and says what it takes.
double parseTime(const std::string& option, const std::string& text);
// A frame rate as a number ("25", "29.97") or a fraction ("30000/1001"), above 0 and at most 1000.
Ratio parseFrameRate(const std::string& option, const std::string& text);
// The "textures" command takes nothing.
void parseTexturesArgs(const std::vector<std::string>& args);

// Whether the arguments ask for the help or the version (before any "--").
bool asksFor(const std::vector<std::string>& args, const std::string& longName,
             const std::string& shortName = "");

// What `--help` prints.
std::string usageText();

}  // namespace carbonel::cli
