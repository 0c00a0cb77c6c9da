// SVG and PDF sketches: the traced lines, rendered back by other programs, cover the sketch's dark
// pixels; the files are what plotters and viewers expect.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "imageio/line_threshold.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "sketch/convert.h"
#include "test_support.h"

namespace carbonel {
namespace {

using test::cli;
using test::quoted;
namespace fs = std::filesystem;

// The pixels whose darkness (255 less the brightness) reaches the threshold.
std::vector<bool> darkPixels(const Raster& picture, int threshold) {
    std::vector<bool> dark;
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* p = picture.row(y);
        for (int x = 0; x < picture.width(); ++x, p += 3)
            dark.push_back(255 - (p[0] * 114 + p[1] * 587 + p[2] * 299 + 500) / 1000 >= threshold);
    }
    return dark;
}

double intersectionOverUnion(const std::vector<bool>& a, const std::vector<bool>& b) {
    std::size_t both = 0, either = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        both += a[i] && b[i];
        either += a[i] || b[i];
    }
    return either == 0 ? 1.0 : double(both) / double(either);
}

// The threshold a sketch's own tones give.
int sketchThreshold(const Raster& sketch) {
    DarknessHistogram histogram{};
    for (int y = 0; y < sketch.height(); ++y) {
        const std::uint8_t* p = sketch.row(y);
        for (int x = 0; x < sketch.width(); ++x, p += 3)
            ++histogram[255 - (p[0] * 114 + p[1] * 587 + p[2] * 299 + 500) / 1000];
    }
    return lineThreshold(histogram);
}

double coverage(const std::vector<bool>& lines, const std::vector<bool>& drawn) {
    std::size_t both = 0, all = 0;
    for (std::size_t i = 0; i < lines.size() && i < drawn.size(); ++i) {
        both += lines[i] && drawn[i];
        all += lines[i];
    }
    return all == 0 ? 1.0 : double(both) / double(all);
}

// Every style traces what it shows: the lines its own tones give, Pencil's grey ones too.
TEST(TracedOutput, RenderedBackTheLinesCoverTheSketchsDarkPixels) {
    test::TempDir dir;
    for (const char* name : {"rocket.jpg", "astronaut.jpg"}) {
        const auto photo = test::dataFile(name);
        for (const auto& [style, option] :
             {std::pair{PenStyle::Pen, "pen"}, std::pair{PenStyle::Pencil, "pencil"},
              std::pair{PenStyle::Pastel, "pastel"}}) {
            ConversionOptions options;
            options.style = style;
            const Raster sketch = convertPhoto(loadPicture(photo.string()), options);
            const std::vector<bool> lines = darkPixels(sketch, sketchThreshold(sketch));
            const std::string size =
                std::to_string(sketch.width()) + " -h " + std::to_string(sketch.height());
            for (const char* format : {"svg", "pdf"}) {
                const auto drawing = dir / (std::string("d.") + format);
                ASSERT_EQ(
                    cli("convert " + quoted(photo) + " " + quoted(drawing) + " --style " + option)
                        .status,
                    0);
                const std::string render = std::string(format) == "svg"
                                               ? "rsvg-convert -b white -w " + size + " -o " +
                                                     quoted(dir / "r.png") + " " + quoted(drawing)
                                               : "pdftoppm -r 96 -png -singlefile " +
                                                     quoted(drawing) + " " + quoted(dir / "r");
                ASSERT_EQ(test::runCommand(render).status, 0) << render;
                const Raster rendered = loadPicture((dir / "r.png").string());
                ASSERT_EQ(rendered.width(), sketch.width());
                // pdftoppm's anti-aliasing leaves more edge pixels on the other side of the
                // middle grey than the SVG renderer's does.
                const std::vector<bool> drawn = darkPixels(rendered, 128);
                EXPECT_GE(intersectionOverUnion(lines, drawn),
                          std::string(format) == "svg" ? 0.9 : 0.85)
                    << name << " " << option << " " << format;
                EXPECT_GE(coverage(lines, drawn), 0.8) << name << " " << option << " " << format;
            }
        }
    }
}

TEST(TracedOutput, FilesHoldPathsOnAPageOfTheSketchsSize) {
    test::TempDir dir;
    const auto photo = test::dataFile("chelsea.jpg");  // 451 x 300: a 452 x 301 sketch
    for (const char* extra : {"", " --threshold 255 --speckle 0 --smooth 0"}) {
        ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "s.svg") + extra).status, 0);
        ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "s.pdf") + extra).status, 0);
        const std::string svg = test::readBytes(dir / "s.svg");
        EXPECT_NE(svg.find("width=\"452px\" height=\"301px\""), std::string::npos);
        EXPECT_EQ(test::runCommand("xmllint --noout " + quoted(dir / "s.svg")).status, 0);
        // Only paths: no embedded picture.
        for (const char* element : {"<image", "<rect", "<use", "<pattern"})
            EXPECT_EQ(svg.find(element), std::string::npos) << element;
        const test::CommandResult info = test::runCommand("pdfinfo " + quoted(dir / "s.pdf"));
        EXPECT_NE(info.output.find("Pages:           1\n"), std::string::npos) << info.output;
        EXPECT_NE(info.output.find("339 x 225.75 pts"), std::string::npos) << info.output;
    }
    // A sketch without a dark pixel is an empty, valid page; standard output takes both formats.
    writeSketchFile(Raster(40, 30), (dir / "white.bmp").string(), OutputFormat::Bmp, 0, 0);
    ASSERT_EQ(cli("convert " + quoted(dir / "white.bmp") + " " + quoted(dir / "e.svg")).status, 0);
    EXPECT_EQ(test::readBytes(dir / "e.svg").find("<path"), std::string::npos);
    EXPECT_EQ(test::runCommand("xmllint --noout " + quoted(dir / "e.svg")).status, 0);
    ASSERT_EQ(test::runCommand("cat " + quoted(photo) + " | " + std::string(CARBONEL_CLI) +
                               " convert - - --format pdf > " + quoted(dir / "piped.pdf"))
                  .status,
              0);
    EXPECT_TRUE(test::readBytes(dir / "piped.pdf").substr(0, 5) == "%PDF-");

    for (const char* bad : {"--threshold 256", "--speckle -1", "--smooth 1.5", "--smooth x"}) {
        const test::CommandResult usage =
            cli("convert " + quoted(photo) + " " + quoted(dir / "u.svg") + " " + bad);
        EXPECT_EQ(usage.status, 2) << bad;
    }
    EXPECT_FALSE(fs::exists(dir / "u.svg"));
}

TEST(TracedOutput, TheBatchWritesOneFormatForEveryPhoto) {
    test::TempDir dir;
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "out");
    fs::copy_file(test::dataFile("chelsea.jpg"), dir / "in" / "cat.jpg");
    fs::copy_file(test::dataFile("chelsea-8bit.bmp"), dir / "in" / "pal.bmp");
    fs::copy_file(test::dataFile("seed.png"), dir / "in" / "seed.png");
    test::writeBytes(dir / "out" / "cat.svg", "taken");
    ASSERT_EQ(
        cli("batch --format svg --out " + quoted(dir / "out") + " " + quoted(dir / "in")).status,
        0);
    EXPECT_EQ(test::readBytes(dir / "out" / "cat.svg"), "taken");
    for (const char* name : {"cat0.svg", "pal.svg", "seed.svg"})
        EXPECT_EQ(test::runCommand("xmllint --noout " + quoted(dir / "out" / name)).status, 0)
            << name;
    ASSERT_EQ(
        cli("convert " + quoted(dir / "in" / "pal.bmp") + " " + quoted(dir / "pal.svg")).status, 0);
    EXPECT_TRUE(test::readBytes(dir / "out" / "pal.svg") == test::readBytes(dir / "pal.svg"));
    EXPECT_EQ(
        cli("batch --format wmf --out " + quoted(dir / "out") + " " + quoted(dir / "in")).status,
        2);
}

TEST(TracedOutput, ASketchTooDetailedToTraceIsRefusedBeforeTracing) {
    test::TempDir dir;
    // A one-pixel checkerboard: every pixel's outline is a path of its own.
    const auto checkerboard = [&](int side, const char* name) {
        const auto path = dir / name;
        writeSketchFile(
            test::makeRaster(
                side, side, [](int x, int y) { return (x + y) % 2 ? test::kBlack : test::kWhite; }),
            path.string(), OutputFormat::Png, 0, 0);
        return path;
    };
    const auto fine = checkerboard(2000, "fine.png");
    for (const char* format : {"svg", "pdf"}) {
        const auto drawing = dir / (std::string("d.") + format);
        const test::CommandResult refused = cli("convert " + quoted(fine) + " " + quoted(drawing));
        EXPECT_EQ(refused.status, 1) << format;
        EXPECT_NE(refused.output.find("too detailed to trace"), std::string::npos)
            << refused.output;
        EXPECT_NE(refused.output.find("raise --threshold, lower --precision"), std::string::npos)
            << refused.output;
        EXPECT_FALSE(fs::exists(drawing)) << format;
    }
    // The same pattern on a smaller photo is traced.
    const auto small = checkerboard(200, "small.png");
    EXPECT_EQ(cli("convert " + quoted(small) + " " + quoted(dir / "s.svg")).status, 0);
    EXPECT_NE(test::readBytes(dir / "s.svg").find("<path"), std::string::npos);

#if defined(__GLIBC__)
    // The bitmap is made by the first row: a writer that gets none (a photo refused after its
    // header) has taken no memory for it.
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    openSketchWriter(OutputFormat::Svg, sink, SketchFrame{8, 8, 8, 8});  // loads the module
    const std::size_t before = mallinfo2().uordblks + mallinfo2().hblkhd;
    auto writer =
        openSketchWriter(OutputFormat::Svg, sink, SketchFrame{16385, 16385, 16384, 16384});
    const std::size_t after = mallinfo2().uordblks + mallinfo2().hblkhd;
    EXPECT_LT(after, before + (std::size_t(1) << 20));
    writer.reset();
    std::fclose(sink);
#endif
}

TEST(TracedOutput, TheSamePhotoGivesTheSameBytes) {
    test::TempDir dir;
    const auto photo = test::dataFile("chelsea.jpg");
    const auto run = [&](const std::string& environment, const char* name,
                         const std::string& options = "") {
        EXPECT_EQ(test::runCommand(environment + std::string(CARBONEL_CLI) + " convert " +
                                   quoted(photo) + " " + quoted(dir / name) + options)
                      .status,
                  0)
            << name;
        return test::readBytes(dir / name);
    };
    for (const char* format : {"svg", "pdf"}) {
        const std::string name = std::string("a.") + format, again = std::string("b.") + format;
        const std::string first = run("env -u SOURCE_DATE_EPOCH ", name.c_str());
        EXPECT_FALSE(first.empty());
        EXPECT_TRUE(first == run("env -u SOURCE_DATE_EPOCH ", again.c_str())) << format;
    }
    // Single strokes on a page too, and the batch writes the same bytes.
    const std::string plot = " --trace centerline --page A4";
    const std::string strokes = run("", "p.svg", plot);
    EXPECT_TRUE(strokes == run("", "q.svg", plot));
    ASSERT_EQ(
        cli("batch --out " + quoted(dir.path()) + " --format svg" + plot + " " + quoted(photo))
            .status,
        0);
    EXPECT_TRUE(strokes == test::readBytes(dir / "chelsea.svg"));
    // A PDF without SOURCE_DATE_EPOCH has no date; with it, that date, the same every run.
    EXPECT_EQ(test::readBytes(dir / "a.pdf").find("Date"), std::string::npos);
    const std::string dated = run("SOURCE_DATE_EPOCH=1796860800 ", "c.pdf");
    EXPECT_NE(dated.find("20261210000000Z"), std::string::npos);
    EXPECT_EQ(dated.find("/ModDate"), std::string::npos);
    EXPECT_TRUE(dated == run("SOURCE_DATE_EPOCH=1796860800 ", "d.pdf"));
}

// Whether some pixel within one of (x, y) is set.
bool near(const std::vector<bool>& set, int width, int height, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx >= 0 && ny >= 0 && nx < width && ny < height &&
                set[std::size_t(ny) * std::size_t(width) + std::size_t(nx)])
                return true;
        }
    return false;
}

// The share of `from`'s pixels that have one of `to` within a pixel.
double nearShare(const std::vector<bool>& from, const std::vector<bool>& to, int width,
                 int height) {
    std::size_t all = 0, close = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (!from[std::size_t(y) * std::size_t(width) + std::size_t(x)]) continue;
            ++all;
            close += near(to, width, height, x, y);
        }
    return all == 0 ? 1.0 : double(close) / double(all);
}

// Single strokes drawn at their own width lie on the Pen sketch's lines and cover them.
TEST(TracedOutput, CenterlinesLieOnTheLinesAndCoverThem) {
    test::TempDir dir;
    for (const char* name : {"rocket.jpg", "astronaut.jpg"}) {
        const auto photo = test::dataFile(name);
        ConversionOptions options;
        options.style = PenStyle::Pen;
        const Raster sketch = convertPhoto(loadPicture(photo.string()), options);
        const std::vector<bool> lines = darkPixels(sketch, sketchThreshold(sketch));
        ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "c.svg") +
                      " --style pen --trace centerline")
                      .status,
                  0);
        ASSERT_EQ(test::runCommand("rsvg-convert -b white -w " + std::to_string(sketch.width()) +
                                   " -h " + std::to_string(sketch.height()) + " -o " +
                                   quoted(dir / "r.png") + " " + quoted(dir / "c.svg"))
                      .status,
                  0);
        const std::vector<bool> drawn = darkPixels(loadPicture((dir / "r.png").string()), 128);
        EXPECT_GE(nearShare(lines, drawn, sketch.width(), sketch.height()), 0.9) << name;
        EXPECT_GE(nearShare(drawn, lines, sketch.width(), sketch.height()), 0.9) << name;
        // Each line once: stroked, never filled.
        const std::string svg = test::readBytes(dir / "c.svg");
        EXPECT_EQ(svg.find("fill-rule"), std::string::npos);
        EXPECT_NE(svg.find("<g fill=\"none\" stroke=\"#000000\" stroke-width="), std::string::npos);
        EXPECT_NE(svg.find("stroke-linecap=\"round\""), std::string::npos);
    }
}

// Every number of the drawing's path data, in order.
std::vector<double> pathNumbers(const std::string& svg) {
    std::vector<double> numbers;
    for (std::size_t at = svg.find(" d=\""); at != std::string::npos; at = svg.find(" d=\"", at)) {
        at += 4;
        const std::size_t end = svg.find('"', at);
        std::string data = svg.substr(at, end - at);
        for (char& c : data)
            if (std::isalpha(static_cast<unsigned char>(c))) c = ' ';
        std::istringstream words(data);
        for (double number; words >> number;) numbers.push_back(number);
    }
    return numbers;
}

// Each <path> element's first and last point, in the file's order.
std::vector<std::array<double, 4>> strokeEnds(const std::string& svg) {
    std::vector<std::array<double, 4>> ends;
    for (std::size_t at = svg.find("<path d=\""); at != std::string::npos;
         at = svg.find("<path d=\"", at + 1)) {
        const std::vector<double> numbers = pathNumbers(svg.substr(at, svg.find('>', at) - at));
        if (numbers.size() >= 2)
            ends.push_back({numbers[0], numbers[1], numbers[numbers.size() - 2], numbers.back()});
    }
    return ends;
}

// The travel with the pen up from the page's corner through the strokes in the given order, and
// through the same strokes when each next one is the nearest start or end left.
std::pair<double, double> penUpWrittenAndGreedy(std::vector<std::array<double, 4>> ends) {
    const auto gap = [](double x0, double y0, double x1, double y1) {
        return std::hypot(x1 - x0, y1 - y0);
    };
    double written = 0, greedy = 0, x = 0, y = 0;
    for (const auto& e : ends) written += gap(x, y, e[0], e[1]), x = e[2], y = e[3];
    x = y = 0;
    while (!ends.empty()) {
        std::size_t best = 0;
        bool backwards = false;
        double nearest = INFINITY;
        for (std::size_t i = 0; i < ends.size(); ++i)
            for (bool back : {false, true}) {
                const double d = gap(x, y, ends[i][back ? 2 : 0], ends[i][back ? 3 : 1]);
                if (d < nearest) nearest = d, best = i, backwards = back;
            }
        greedy += nearest;
        x = ends[best][backwards ? 0 : 2], y = ends[best][backwards ? 1 : 3];
        ends.erase(ends.begin() + std::ptrdiff_t(best));
    }
    return {written, greedy};
}

// Pages in millimetres, --stats, and the usage errors of the plotter options.
TEST(TracedOutput, PagesStatsAndPlotterUsage) {
    test::TempDir dir;
    const auto photo = test::dataFile("astronaut.jpg");  // taller than wide
    const auto svg = dir / "a4.svg";
    const test::CommandResult drawn = cli("convert " + quoted(photo) + " " + quoted(svg) +
                                          " --trace centerline --page A4 --margin 10 --stats");
    ASSERT_EQ(drawn.status, 0) << drawn.output;
    const std::string text = test::readBytes(svg);
    EXPECT_NE(text.find("width=\"210mm\" height=\"297mm\""), std::string::npos);
    const std::vector<double> numbers = pathNumbers(text);
    ASSERT_GT(numbers.size(), 100u);
    for (std::size_t i = 0; i + 1 < numbers.size(); i += 2) {
        EXPECT_TRUE(numbers[i] >= 9.99 && numbers[i] <= 200.01 && numbers[i + 1] >= 9.99 &&
                    numbers[i + 1] <= 287.01)
            << numbers[i] << ", " << numbers[i + 1];
    }
    for (const char* said : {"paths: ", "drawn: ", " mm\npen-up: ", "pen lifts: "})
        EXPECT_NE(drawn.output.find(said), std::string::npos) << drawn.output;
    // The file's own pen-up travel is what --stats said, and within a tenth of a plain greedy
    // order's.
    const std::vector<std::array<double, 4>> ends = strokeEnds(text);
    const auto [written, greedy] = penUpWrittenAndGreedy(ends);
    const std::size_t said = drawn.output.find("pen-up: ");
    ASSERT_NE(said, std::string::npos);
    EXPECT_NEAR(std::stod(drawn.output.substr(said + 8)), written, 0.05 + 0.01 * ends.size());
    EXPECT_NE(drawn.output.find("paths: " + std::to_string(ends.size()) + "\n"), std::string::npos);
    EXPECT_LE(written, 1.1 * greedy);
    const auto pdf = dir / "a4.pdf";
    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(pdf) + " --page a4 --landscape").status,
              0);
    EXPECT_NE(test::runCommand("pdfinfo " + quoted(pdf)).output.find("841.89 x 595.276 pts"),
              std::string::npos);

    // An empty drawing is a valid empty page.
    const auto white = dir / "white.bmp";
    writeSketchFile(Raster(40, 30), white.string(), OutputFormat::Bmp, 40, 30);
    ASSERT_EQ(cli("convert " + quoted(white) + " " + quoted(dir / "e.svg") +
                  " --trace centerline --stats")
                  .status,
              0);
    EXPECT_EQ(test::runCommand("xmllint --noout " + quoted(dir / "e.svg")).status, 0);

    for (const auto& [options, said] : std::vector<std::pair<std::string, std::string>>{
             {"x.svg --page A6", "--page takes A3, A4, A5, letter, legal or WxHmm"},
             {"x.svg --page A5 --margin 80", "smaller than its margins"},
             {"x.pdf --page A4 --pen-width 0", "--pen-width takes a length"},
             {"x.svg --margin 5", "--margin needs --page"},
             {"x.jpg --trace centerline", "--trace centerline draws SVG and PDF lines"},
             {"x.svg --trace middle", "--trace takes outline or centerline"}}) {
        const test::CommandResult result =
            cli("convert " + quoted(photo) + " " + quoted(dir / options.substr(0, 5)) +
                options.substr(5));
        EXPECT_EQ(result.status, 2) << options;
        EXPECT_NE(result.output.find(said), std::string::npos) << options << ": " << result.output;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "x.svg"));
}

}  // namespace
}  // namespace carbonel
