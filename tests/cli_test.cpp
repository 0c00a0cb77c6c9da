#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "animation/web_palette.h"
#include "gif_decoder.h"
#include "imageio/output_formats.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "sketch/convert.h"
#include "test_support.h"
#include "workspace/settings_file.h"

namespace carbonel {
namespace {

using test::quoted;

using test::cli;

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CliConvert, WritesWhatTheLibraryConverts) {
    test::TempDir dir;
    const auto photo = test::dataFile("chelsea.jpg");
    const auto paper = test::dataFile("chelsea-8bit.bmp");
    ASSERT_EQ(
        cli("convert " + quoted(photo) + " " + quoted(dir / "out.bmp") +
            " --style pastel --line 4 --precision 120 --texture " + quoted(paper) + " --threads 2")
            .status,
        0);
    const Raster texture = loadPicture(paper.string());
    ConversionOptions options;
    options.style = PenStyle::Pastel;
    options.line = 4;
    options.precision = 120;
    options.texture = &texture;
    const Raster sketch = convertPhotoReference(loadPicture(photo.string()), options);
    writeSketchFile(sketch, (dir / "expected.bmp").string(), OutputFormat::Bmp, 0, 0);
    EXPECT_TRUE(test::readBytes(dir / "out.bmp") == test::readBytes(dir / "expected.bmp"));

    for (const char* name : {"o.jpg", "o.JPEG", "o.wmf", "o.emf"}) {
        const test::CommandResult result =
            cli("convert " + quoted(photo) + " " + quoted(dir / name));
        EXPECT_EQ(result.status, 0) << name << result.output;
        EXPECT_GT(std::filesystem::file_size(dir / name), 100u) << name;
    }
    EXPECT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "s.bmp") + " --texture " +
                  quoted(paper) + " --stretch")
                  .status,
              0);

    // A WebP is lossless: its pixels are the PNG's, on standard output too.
    for (const char* name : {"l.webp", "l.png"})
        ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / name)).status, 0);
    EXPECT_TRUE(loadPicture((dir / "l.webp").string()) == loadPicture((dir / "l.png").string()));
    ASSERT_EQ(test::runCommand(std::string(CARBONEL_CLI) + " convert " + quoted(photo) +
                               " - --format webp > " + quoted(dir / "piped.webp"))
                  .status,
              0);
    EXPECT_TRUE(test::readBytes(dir / "piped.webp") == test::readBytes(dir / "l.webp"));
}

TEST(CliConvert, BadInputGetsOneLineStatusOneAndNothingWritten) {
    test::TempDir dir;
    const std::string good = test::readBytes(test::dataFile("chelsea.jpg"));
    std::string brokenBmp = test::readBytes(test::dataFile("chelsea-24bit.bmp"));
    brokenBmp[14] = 99;
    test::writeBytes(dir / "empty.jpg", "");
    test::writeBytes(dir / "text.jpg", "hello\n");
    test::writeBytes(dir / "truncated.jpg", good.substr(0, good.size() - 3000));
    test::writeBytes(dir / "broken.bmp", brokenBmp);
    std::string hugeBmp = test::readBytes(test::dataFile("chelsea-24bit.bmp"));
    hugeBmp[18] = static_cast<char>(0x60);  // width 60000
    hugeBmp[19] = static_cast<char>(0xEA);
    hugeBmp[20] = hugeBmp[21] = 0;
    test::writeBytes(dir / "huge.bmp", hugeBmp);
    test::writeBytes(dir / "photo.psd", good);
    test::writeBytes(dir / "afile", "x");
    test::writeBytes(dir / "existing.bmp", "keep me");
    const auto photo = test::dataFile("chelsea.jpg");

    const std::vector<std::pair<std::string, std::string>> cases = {
        {quoted(dir / "missing.jpg") + " " + quoted(dir / "existing.bmp"), "Cannot open file"},
        {quoted(dir / "empty.jpg") + " " + quoted(dir / "existing.bmp"), "JPEG error #"},
        {quoted(dir / "text.jpg") + " " + quoted(dir / "existing.bmp"), "JPEG error #"},
        {quoted(dir / "truncated.jpg") + " " + quoted(dir / "existing.bmp"), "JPEG error #"},
        {quoted(dir / "broken.bmp") + " " + quoted(dir / "existing.bmp"),
         "Bitmap image is not valid"},
        {quoted(dir / "huge.bmp") + " " + quoted(dir / "existing.bmp"), "too large"},
        {quoted(dir / "photo.psd") + " " + quoted(dir / "existing.bmp"),
         "Unknown picture file extension (.psd)"},
        {quoted(photo) + " " + quoted(dir / "nowhere" / "out.jpg"), "Cannot create file"},
        {quoted(photo) + " " + quoted(dir / "afile" / "out.jpg"), "Cannot create file"},
        {quoted(photo) + " " + quoted(dir / "existing.bmp") + " --texture " +
             quoted(dir / "text.jpg"),
         "JPEG error #"},
    };
    for (const auto& [arguments, message] : cases) {
        const test::CommandResult result = cli("convert " + arguments);
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_EQ(lineCount(result.output), 1u) << result.output;
        EXPECT_TRUE(result.output.starts_with("carbonel-cli: ")) << result.output;
        EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
    }
    EXPECT_EQ(test::readBytes(dir / "existing.bmp"), "keep me");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.psd"));
    // Nothing but the files the test made: no partial output, no temporary.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 8);
}

TEST(CliConvert, BadOptionsGetUsageAndStatusTwo) {
    test::TempDir dir;
    const std::string files = quoted(test::dataFile("chelsea.jpg")) + " " + quoted(dir / "o.bmp");
    const std::vector<std::string> badUsages = {
        std::string(""), "convert", "convert " + quoted(test::dataFile("chelsea.jpg")),
        "convert " + files + " --precision 201", "convert " + files + " --precision -1",
        "convert " + files + " --line 0", "convert " + files + " --line 16",
        "convert " + files + " --line 2x", "convert " + files + " --style crayon",
        "convert " + files + " --bogus", "convert " + files + " --stretch",
        "convert " + files + " --threads", "convert " + files + " --quality 0",
        "convert " + files + " --quality=101", "convert " + files + " --format png",
        // An OUTPUT whose extension names no format, or that has none, lists the formats.
        "convert " + quoted(test::dataFile("chelsea.jpg")) + " " + quoted(dir / "out.psd"),
        "convert " + quoted(test::dataFile("chelsea.jpg")) + " " + quoted(dir / "out"),
        "animate " + quoted(dir / "a.mp4") + " " + quoted(test::dataFile("chelsea.jpg")) +
            " --loop 2",
        "convert " + quoted(test::dataFile("chelsea.jpg")) + " - --format tiff", "textures extra",
        "paint " + files};
    // One line naming the problem, then where to look.
    for (const std::string& arguments : badUsages) {
        const test::CommandResult result = cli(arguments);
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_EQ(lineCount(result.output), 2u) << result.output;
        EXPECT_TRUE(result.output.starts_with("carbonel-cli: ")) << result.output;
        EXPECT_TRUE(result.output.ends_with("\nTry 'carbonel-cli --help'.\n")) << result.output;
        if (arguments.find(quoted(dir / "out")) != std::string::npos ||
            arguments.find(quoted(dir / "out.psd")) != std::string::npos) {
            for (const OutputFormatRow& row : outputFormats()) {
                for (std::string_view suffix : row.suffix)
                    EXPECT_NE(result.output.find(suffix), std::string::npos) << result.output;
            }
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    const test::CommandResult help = cli("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--precision", "--line", "--style", "--texture", "--stretch",
                               "--threads", "--quality", "--keep-orientation", "--format", "--out",
                               "--jobs", "--quiet", "--size", "--version", "textures"}) {
        EXPECT_NE(help.output.find(option), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace carbonel

namespace carbonel {
namespace {

TEST(CliGif, BuildsTheAnimationOfItsFrames) {
    test::TempDir dir;
    const Raster first =
        test::makeRaster(30, 20, [](int x, int y) { return x == y ? test::kBlack : test::kWhite; });
    const Raster second = test::makeRaster(30, 20, [](int x, int) {
        return x == 5 ? test::Bgr{0, 0, 255} : test::kWhite;
    });
    writeSketchFile(first, (dir / "1.bmp").string(), OutputFormat::Bmp, 0, 0);
    writeSketchFile(second, (dir / "2.bmp").string(), OutputFormat::Bmp, 0, 0);
    const std::string frames = quoted(dir / "1.bmp") + " " + quoted(dir / "2.bmp");
    ASSERT_EQ(cli("gif " + quoted(dir / "a.gif") + " " + frames).status, 0);
    ASSERT_EQ(cli("gif " + quoted(dir / "b.gif") + " " + frames + " --size 60x10").status, 0);
    const test::DecodedGif natural = test::decodeGif(test::readBytes(dir / "a.gif"));
    ASSERT_TRUE(natural.ok);
    ASSERT_EQ(natural.frames.size(), 2u);
    EXPECT_EQ(natural.frames[0].width, 30);
    EXPECT_EQ(natural.frames[1].indices[5 * 30 + 5], webColorLookup(255, 0, 0));  // red over black
    EXPECT_EQ(natural.frames[1].indices[6 * 30 + 6], 0);                          // black kept
    const test::DecodedGif sized = test::decodeGif(test::readBytes(dir / "b.gif"));
    ASSERT_TRUE(sized.ok);
    EXPECT_EQ(sized.screenWidth, 60);
    EXPECT_EQ(sized.screenHeight, 10);
}

TEST(CliGif, BadFramesSizesAndOutputsWriteNothing) {
    test::TempDir dir;
    writeSketchFile(Raster(8, 8), (dir / "f.bmp").string(), OutputFormat::Bmp, 0, 0);
    test::writeBytes(dir / "text.bmp", "not a bitmap");
    const std::string frame = quoted(dir / "f.bmp");
    const std::string out = quoted(dir / "out.gif");
    const std::vector<std::string> failing = {
        "gif " + out + " " + frame + " " + quoted(dir / "missing.bmp"),
        "gif " + out + " " + quoted(dir / "text.bmp"),
        "gif " + quoted(dir / "nowhere" / "out.gif") + " " + frame,
    };
    for (const std::string& arguments : failing) {
        const test::CommandResult result = cli(arguments);
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_EQ(lineCount(result.output), 1u) << result.output;
        EXPECT_TRUE(result.output.starts_with("carbonel-cli: ")) << result.output;
    }
    for (const char* bad :
         {"", " --speed 3", " --size 0x10", " --size 10x", " --size ten", " --size 10x10x2"}) {
        EXPECT_EQ(cli("gif " + out + (*bad ? " " + frame + bad : std::string())).status, 2) << bad;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

}  // namespace
}  // namespace carbonel

namespace carbonel {
namespace {

TEST(CliBatch, ConvertsATreeAsConvertDoesAndReportsBadFiles) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "src" / "sub");
    std::filesystem::create_directories(dir / "out");
    std::filesystem::copy_file(test::dataFile("chelsea.jpg"), dir / "src" / "a.jpg");
    test::writeBytes(dir / "src" / "b.jpg", "corrupt");
    std::filesystem::copy_file(test::dataFile("chelsea-8bit.bmp"), dir / "src" / "sub" / "c.bmp");
    const std::string options = " --style pastel --line 3";
    const test::CommandResult result =
        cli("batch --out " + quoted(dir / "out") + options + " --jobs 2 " + quoted(dir / "src") +
            " " + quoted(dir / "nothing"));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(
        result.output.find("carbonel-cli: " + (dir / "src" / "b.jpg").string() + ": JPEG error #"),
        std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find((dir / "nothing").string() + ": no such file or folder"),
              std::string::npos);
    // The failures, then the summary.
    EXPECT_TRUE(result.output.ends_with("carbonel-cli: converted 2 of 3 photos into " +
                                        (dir / "out").string() + ", 1 failed\n"))
        << result.output;
    EXPECT_EQ(lineCount(result.output), 3u) << result.output;
    ASSERT_EQ(
        cli("convert " + quoted(dir / "src" / "a.jpg") + " " + quoted(dir / "a.jpg") + options)
            .status,
        0);
    ASSERT_EQ(cli("convert " + quoted(dir / "src" / "sub" / "c.bmp") + " " + quoted(dir / "c.bmp") +
                  options)
                  .status,
              0);
    EXPECT_TRUE(test::readBytes(dir / "out" / "a.jpg") == test::readBytes(dir / "a.jpg"));
    EXPECT_TRUE(test::readBytes(dir / "out" / "c.bmp") == test::readBytes(dir / "c.bmp"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"), {}), 2);

    // Again, with a trailing separator: nothing replaced, the entries' positions inserted.
    EXPECT_EQ(
        cli("batch --out " + quoted(dir / "out") + "/ " + quoted(dir / "src" / "a.jpg")).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "out" / "a0.jpg"));
    EXPECT_TRUE(test::readBytes(dir / "out" / "a.jpg") == test::readBytes(dir / "a.jpg"));
}

// A chain of folders deeper than a path may be long, made and removed through descriptors.
void deepFolders(const std::filesystem::path& top, int levels, bool remove) {
    const std::string name(200, 'd');
    std::vector<int> chain{::open(top.c_str(), O_RDONLY | O_DIRECTORY)};
    for (int level = 0; level < levels; ++level) {
        if (!remove) ::mkdirat(chain.back(), name.c_str(), 0755);
        chain.push_back(::openat(chain.back(), name.c_str(), O_RDONLY | O_DIRECTORY));
    }
    for (int level = levels; level > 0; --level) {
        ::close(chain[std::size_t(level)]);
        if (remove) ::unlinkat(chain[std::size_t(level) - 1], name.c_str(), AT_REMOVEDIR);
    }
    ::close(chain[0]);
}

TEST(CliBatch, EverythingItCannotReadIsReportedAndFailsTheRun) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "src");
    std::filesystem::create_directories(dir / "out");
    std::filesystem::copy_file(test::dataFile("chelsea.jpg"), dir / "src" / "a.jpg");
    deepFolders(dir / "src", 25, false);
    const test::CommandResult result =
        cli("batch --out " + quoted(dir / "out") + " " + quoted(dir / "src"));
    deepFolders(dir / "src", 25, true);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find(": cannot read the folder: File name too long"), std::string::npos)
        << result.output;
    EXPECT_TRUE(std::filesystem::exists(dir / "out" / "a.jpg"));  // the rest is converted

    // A file size limit is a write error that names the file, and leaves nothing behind.
    for (const char* name : {"big.jpg", "big.bmp"}) {
        const test::CommandResult limited =
            test::runCommand("bash -c \"ulimit -f 2; exec " + quoted(CARBONEL_CLI) + " convert " +
                             quoted(dir / "src" / "a.jpg") + " " + quoted(dir / name) + "\"");
        EXPECT_EQ(limited.status, 1);
        EXPECT_NE(limited.output.find((dir / name).string()), std::string::npos);
        EXPECT_NE(limited.output.find("File too large"), std::string::npos) << limited.output;
        EXPECT_FALSE(std::filesystem::exists(dir / name));
    }

    // A texture that fails says it is the texture.
    test::writeBytes(dir / "paper.bmp", "BM");
    const test::CommandResult texture =
        cli("convert " + quoted(dir / "src" / "a.jpg") + " " + quoted(dir / "b.jpg") +
            " --texture " + quoted(dir / "paper.bmp"));
    EXPECT_EQ(texture.output, "carbonel-cli: texture " + (dir / "paper.bmp").string() +
                                  ": Bitmap image is not valid: the file ends in the header\n");
}

TEST(CliBatch, MissingOutputFolderAndBadUsage) {
    test::TempDir dir;
    const test::CommandResult missing =
        cli("batch --out " + quoted(dir / "none") + " " + quoted(test::dataFile("")));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("does not exist"), std::string::npos) << missing.output;
    EXPECT_EQ(lineCount(missing.output), 1u);
    for (const std::string& arguments :
         {std::string("batch ") + quoted(dir.path()), "batch --out " + quoted(dir.path()),
          "batch --out " + quoted(dir.path()) + " --jobs 0 x",
          "batch --out " + quoted(dir.path()) + " --size 3 x"}) {
        EXPECT_EQ(cli(arguments).status, 2) << arguments;
    }
}

}  // namespace
}  // namespace carbonel

namespace carbonel {
namespace {

TEST(CliOptions, FollowTheUsualRules) {
    test::TempDir dir;
    const auto photo = test::dataFile("chelsea.jpg");
    EXPECT_EQ(cli("--version").output, "carbonel-cli " CARBONEL_VERSION "\n");
    // "--opt=value" is "--opt value", and "--" ends the options: a file may look like one.
    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "a.jpg") + " --line 3").status,
              0);
    ASSERT_EQ(cli("convert --line=3 " + quoted(photo) + " " + quoted(dir / "b.jpg")).status, 0);
    std::filesystem::copy_file(photo, dir / "--odd.jpg");
    const test::CommandResult ended =
        cli("convert --line 3 -- " + quoted(dir / "--odd.jpg") + " " + quoted(dir / "c.jpg"));
    ASSERT_EQ(ended.status, 0) << ended.output;
    EXPECT_EQ(test::readBytes(dir / "a.jpg"), test::readBytes(dir / "b.jpg"));
    EXPECT_EQ(test::readBytes(dir / "a.jpg"), test::readBytes(dir / "c.jpg"));

    // --quality: 20 is the default, and another quality is another file.
    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "q20.jpg") + " --quality 20 " +
                  "--line 3")
                  .status,
              0);
    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "q90.jpg") + " --quality 90 " +
                  "--line 3")
                  .status,
              0);
    EXPECT_EQ(test::readBytes(dir / "q20.jpg"), test::readBytes(dir / "a.jpg"));
    EXPECT_GT(std::filesystem::file_size(dir / "q90.jpg"),
              2 * std::filesystem::file_size(dir / "a.jpg"));
}

TEST(CliStreams, StandardInputAndOutputCarryOnlyPictures) {
    test::TempDir dir;
    const auto photo = test::dataFile("chelsea.jpg");
    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "file.jpg")).status, 0);
    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "file.png")).status, 0);
    // Standard error apart: standard output holds the picture and nothing else.
    const std::string tool = std::string(CARBONEL_CLI);
    ASSERT_EQ(test::runCommand("cat " + quoted(photo) + " | " + tool + " convert - - > " +
                               quoted(dir / "piped.jpg") + " 2> " + quoted(dir / "err.txt"))
                  .status,
              0);
    EXPECT_TRUE(test::readBytes(dir / "piped.jpg") == test::readBytes(dir / "file.jpg"));
    EXPECT_EQ(test::readBytes(dir / "err.txt"), "");
    ASSERT_EQ(
        test::runCommand(tool + " convert - - --format png < " +
                         quoted(test::dataFile("chelsea.jpg")) + " > " + quoted(dir / "piped.png"))
            .status,
        0);
    EXPECT_TRUE(test::readBytes(dir / "piped.png") == test::readBytes(dir / "file.png"));
    // A BMP sent through a pipe is whole, though it is written bottom-up.
    ASSERT_EQ(test::runCommand(tool + " convert " + quoted(photo) + " - --format bmp > " +
                               quoted(dir / "piped.bmp"))
                  .status,
              0);
    EXPECT_EQ(loadPicture((dir / "piped.bmp").string()), loadPicture((dir / "file.png").string()));

    const test::CommandResult unknown =
        test::runCommand("echo hello | " + tool + " convert - " + quoted(dir / "x.jpg") + " 2>&1");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.output, "carbonel-cli: standard input: Unknown picture format\n");
}

TEST(CliFiles, PapersByNameAndNoPhotoLostToItsSketch) {
    test::TempDir dir;
    const auto photo = test::dataFile("chelsea.jpg");
    const test::CommandResult names = cli("textures");
    EXPECT_EQ(names.status, 0);
    EXPECT_NE(names.output.find("paper\n"), std::string::npos) << names.output;
    const std::string paperFile =
        (std::filesystem::path(CARBONEL_CLI).parent_path() / "texture" / "paper.bmp").string();
    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "named.bmp") + " --texture paper")
                  .status,
              0);
    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "path.bmp") + " --texture " +
                  quoted(std::filesystem::path(paperFile)))
                  .status,
              0);
    EXPECT_TRUE(test::readBytes(dir / "named.bmp") == test::readBytes(dir / "path.bmp"));
    const test::CommandResult unknown =
        cli("convert " + quoted(photo) + " " + quoted(dir / "x.bmp") + " --texture velvet");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.output.find("textures lists them"), std::string::npos) << unknown.output;

    // The same file, under its own name or another link to it, is refused and left as it was.
    std::filesystem::copy_file(photo, dir / "p.jpg");
    std::filesystem::create_hard_link(dir / "p.jpg", dir / "link.jpg");
    for (const char* output : {"p.jpg", "link.jpg"}) {
        const test::CommandResult same =
            cli("convert " + quoted(dir / "p.jpg") + " " + quoted(dir / output));
        EXPECT_EQ(same.status, 1) << output;
        EXPECT_NE(same.output.find("is the photo itself"), std::string::npos) << same.output;
    }
    EXPECT_TRUE(test::readBytes(dir / "p.jpg") == test::readBytes(photo));
}

TEST(CliBatch, ProgressCountsFailuresAndQuietSilencesIt) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "in");
    std::filesystem::create_directories(dir / "out");
    std::filesystem::copy_file(test::dataFile("chelsea.jpg"), dir / "in" / "a.jpg");
    test::writeBytes(dir / "in" / "b.jpg", "broken");
    // The progress line shows on a terminal, or when asked for.
    const std::string batch = "CARBONEL_PROGRESS=1 " + std::string(CARBONEL_CLI) +
                              " batch --jobs 1 --out " + quoted(dir / "out") + " " +
                              quoted(dir / "in");
    const test::CommandResult shown = test::runCommand(batch);
    EXPECT_NE(shown.output.find("2 of 2, 1 failed"), std::string::npos) << shown.output;
    EXPECT_NE(shown.output.find("converted 1 of 2 photos"), std::string::npos) << shown.output;
    const test::CommandResult quiet = test::runCommand(batch + " -q");
    EXPECT_EQ(quiet.output.find(" of 2, 1 failed"), std::string::npos) << quiet.output;
    EXPECT_NE(quiet.output.find("converted 1 of 2 photos"), std::string::npos) << quiet.output;
}

}  // namespace
}  // namespace carbonel

namespace carbonel {
namespace {

using test::cli;
using test::quoted;
namespace fs = std::filesystem;

// An output that exists keeps its permission bits; one that is a symbolic link has the file it
// points to written, and stays a link. The settings file is written the same way.
TEST(CliFiles, WritingOntoAFileKeepsItsModeAndItsLinks) {
    test::TempDir dir;
    const auto photo = test::dataFile("chelsea.jpg");
    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "expected.jpg")).status, 0);
    test::writeBytes(dir / "kept.jpg", "old");
    fs::permissions(dir / "kept.jpg", fs::perms(0640));
    test::writeBytes(dir / "target.jpg", "old");
    fs::create_symlink("target.jpg", dir / "link.jpg");
    for (const char* output : {"kept.jpg", "link.jpg"})
        ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / output)).status, 0);
    EXPECT_EQ(fs::status(dir / "kept.jpg").permissions(), fs::perms(0640));
    EXPECT_TRUE(test::readBytes(dir / "kept.jpg") == test::readBytes(dir / "expected.jpg"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.jpg"));
    EXPECT_TRUE(test::readBytes(dir / "target.jpg") == test::readBytes(dir / "expected.jpg"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 4);  // nothing else

    test::writeBytes(dir / "settings.ini", "[Form]\nUIStyle=1\n");
    fs::permissions(dir / "settings.ini", fs::perms(0600));
    fs::create_symlink("settings.ini", dir / "carbonel.INI");
    ASSERT_TRUE(writeUiStyleSetting((dir / "carbonel.INI").string(), 3));
    EXPECT_TRUE(fs::is_symlink(dir / "carbonel.INI"));
    EXPECT_EQ(readUiStyleSetting((dir / "settings.ini").string()), 3);
    EXPECT_EQ(fs::status(dir / "settings.ini").permissions(), fs::perms(0600));
}

// A named pipe or a device is written into, never replaced, and a format that seeks is refused
// there; a name of 250 bytes is written (no temporary name extends it); in a sticky folder that
// everyone writes to, a link of another user is refused and the file it points to kept.
TEST(CliFiles, SpecialFilesLongNamesAndLinksInSharedFolders) {
    test::TempDir dir;
    const auto photo = test::dataFile("chelsea.jpg");
    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "expected.jpg")).status, 0);
    const std::string expected = test::readBytes(dir / "expected.jpg");
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "pipe.bmp").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "pipe.webp").c_str(), 0600), 0);
    const test::CommandResult piped = test::runCommand(
        "(cat " + quoted(dir / "pipe.jpg") + " > " + quoted(dir / "got") + " & " + CARBONEL_CLI +
        " convert " + quoted(photo) + " " + quoted(dir / "pipe.jpg") + "; s=$?; wait; exit $s)");
    EXPECT_EQ(piped.status, 0) << piped.output;
    EXPECT_TRUE(test::readBytes(dir / "got") == expected);
    // Refused before the pipe is opened, so without a reader nothing waits (the time limit is
    // only there to end a hang).
    for (const std::string& arguments :
         {"convert " + quoted(photo) + " " + quoted(dir / "pipe.bmp"),
          "animate " + quoted(dir / "pipe.webp") + " " + quoted(photo)}) {
        const test::CommandResult seeking =
            test::runCommand("timeout 60 " + std::string(CARBONEL_CLI) + " " + arguments);
        EXPECT_EQ(seeking.status, 1);
        EXPECT_NE(seeking.output.find("needs a file it can seek in"), std::string::npos)
            << seeking.output;
    }
    EXPECT_EQ(cli("convert " + quoted(photo) + " /dev/null --format jpg").status, 0);
    for (const fs::path& special : {dir / "pipe.jpg", dir / "pipe.bmp", dir / "pipe.webp"})
        EXPECT_TRUE(fs::is_fifo(special));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    const std::string longName = std::string(246, 'n') + ".jpg";
    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / longName)).status, 0);
    EXPECT_TRUE(test::readBytes(dir / longName) == expected);

    if (::geteuid() != 0) GTEST_SKIP() << "links of another user need root to make";
    const uid_t nobody = 65534;
    fs::create_directory(dir / "shared");
    fs::permissions(dir / "shared", fs::perms(01777));
    test::writeBytes(dir / "notes.txt", "mine");
    for (const char* link : {"planted.jpg", "own.jpg"})
        fs::create_symlink(dir / "notes.txt", dir / "shared" / link);
    ASSERT_EQ(::lchown((dir / "shared" / "planted.jpg").c_str(), nobody, nobody), 0);
    const test::CommandResult planted =
        cli("convert " + quoted(photo) + " " + quoted(dir / "shared" / "planted.jpg"));
    EXPECT_EQ(planted.status, 1);
    EXPECT_NE(planted.output.find("belongs to another user"), std::string::npos) << planted.output;
    EXPECT_EQ(test::readBytes(dir / "notes.txt"), "mine");
    // A named pipe planted there would read the sketch: refused the same way.
    ASSERT_EQ(::mkfifo((dir / "shared" / "pipe.jpg").c_str(), 0666), 0);
    ASSERT_EQ(::lchown((dir / "shared" / "pipe.jpg").c_str(), nobody, nobody), 0);
    const test::CommandResult pipe =
        cli("convert " + quoted(photo) + " " + quoted(dir / "shared" / "pipe.jpg"));
    EXPECT_EQ(pipe.status, 1);
    EXPECT_NE(pipe.output.find("belongs to another user"), std::string::npos) << pipe.output;
    // The caller's own link, and one of the folder's owner, are followed as before.
    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "shared" / "own.jpg")).status, 0);
    EXPECT_TRUE(test::readBytes(dir / "notes.txt") == expected);
    ASSERT_EQ(::chown((dir / "shared").c_str(), nobody, nobody), 0);
    test::writeBytes(dir / "notes.txt", "mine");
    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "shared" / "planted.jpg")).status,
              0);
    EXPECT_TRUE(test::readBytes(dir / "notes.txt") == expected);
}

// Every message names the file and says what is wrong with it; standard output that cannot be
// written fails every command; `gif -` is standard output.
TEST(CliFiles, MessagesNameTheFileAndTheReason) {
    test::TempDir dir;
    const auto photo = test::dataFile("chelsea.jpg");
    fs::create_directory(dir / "isdir.jpg");
    test::writeBytes(dir / "afile", "");
    const test::CommandResult folder =
        cli("convert " + quoted(photo) + " " + quoted(dir / "isdir.jpg"));
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.output, "carbonel-cli: Cannot create file " + (dir / "isdir.jpg").string() +
                                 ": is a folder\n");
    const test::CommandResult notFolder =
        cli("batch --out " + quoted(dir / "afile") + " " + quoted(photo));
    EXPECT_EQ(notFolder.status, 1);
    EXPECT_EQ(notFolder.output,
              "carbonel-cli: " + (dir / "afile").string() + ": is not a folder\n");
    for (const char* command : {"textures", "--help", "--version"}) {
        for (const char* output : {"> /dev/full", ">&-"}) {
            const test::CommandResult full = test::runCommand("(" + std::string(CARBONEL_CLI) +
                                                              " " + command + " " + output + ")");
            EXPECT_EQ(full.status, 1) << command << output;
            EXPECT_NE(full.output.find("Cannot write standard output"), std::string::npos);
        }
    }

    ASSERT_EQ(cli("convert " + quoted(photo) + " " + quoted(dir / "f.bmp")).status, 0);
    ASSERT_EQ(cli("gif " + quoted(dir / "file.gif") + " " + quoted(dir / "f.bmp")).status, 0);
    ASSERT_EQ(test::runCommand(std::string(CARBONEL_CLI) + " gif - " + quoted(dir / "f.bmp") +
                               " > " + quoted(dir / "piped.gif"))
                  .status,
              0);
    EXPECT_TRUE(test::readBytes(dir / "piped.gif") == test::readBytes(dir / "file.gif"));
    EXPECT_FALSE(fs::exists(dir / "-"));
    const test::CommandResult png =
        cli("gif " + quoted(dir / "a.png") + " " + quoted(dir / "f.bmp"));
    EXPECT_EQ(png.status, 2);
    EXPECT_NE(png.output.find(".gif"), std::string::npos) << png.output;
    EXPECT_FALSE(fs::exists(dir / "a.png"));
}

}  // namespace
}  // namespace carbonel
