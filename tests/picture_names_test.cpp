#include "imageio/picture_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include "animation/animation_formats.h"
#include "imageio/output_formats.h"
#include "imageio/photo_kinds.h"
#include "sketch/error.h"
#include "test_support.h"

namespace carbonel {
namespace {

TEST(PictureNames, PhotoKindComesFromTheNamesOwnExtension) {
    EXPECT_EQ(photoKindFor("a/b.jpg"), PhotoKind::Jpeg);
    EXPECT_EQ(photoKindFor("B.JPEG"), PhotoKind::Jpeg);
    EXPECT_EQ(photoKindFor("photo.Jpg"), PhotoKind::Jpeg);
    EXPECT_EQ(photoKindFor("x.BMP"), PhotoKind::Bmp);
    EXPECT_EQ(photoKindFor("x.Png"), PhotoKind::Png);
    EXPECT_EQ(photoKindFor("x.TIF"), PhotoKind::Tiff);
    EXPECT_EQ(photoKindFor("x.tiff"), PhotoKind::Tiff);
    EXPECT_EQ(photoKindFor("x.webp"), PhotoKind::Webp);
    EXPECT_EQ(photoKindFor("x.gif"), PhotoKind::Gif);
    // A folder named old.jpg says nothing about the file inside it.
    EXPECT_EQ(photoKindFor("old.jpg/picture.bmp"), PhotoKind::Bmp);
    EXPECT_EQ(test::errorOf([&] { photoKindFor("old.jpg/picture.psd"); }),
              "Unknown picture file extension (.psd)");
    // The kind of a file without a name, told by its first bytes.
    const std::vector<std::pair<std::string, PhotoKind>> starts = {
        {"\xFF\xD8\xFF\xE0", PhotoKind::Jpeg},
        {"BM", PhotoKind::Bmp},
        {"\x89PNG\r\n\x1A\n", PhotoKind::Png},
        {std::string("II*\0", 4), PhotoKind::Tiff},
        {std::string("MM\0*", 4), PhotoKind::Tiff},
        {std::string("RIFF\x10\0\0\0WEBPVP8L", 16), PhotoKind::Webp},
        {"GIF89a", PhotoKind::Gif}};
    for (const auto& [bytes, kind] : starts) {
        EXPECT_EQ(
            photoKindOfBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()),
            kind);
    }
    for (const std::string& bytes :
         {std::string(), std::string("B"), std::string("RIFF\x10\0\0\0WAVE", 12),
          std::string("\x89PNG")}) {
        EXPECT_EQ(test::errorOf([&] {
                      photoKindOfBytes(reinterpret_cast<const unsigned char*>(bytes.data()),
                                       bytes.size());
                  }),
                  "Unknown picture format");
    }
    EXPECT_EQ(test::errorOf([&] { photoKindFor("holiday.jpg.txt"); }),
              "Unknown picture file extension (.txt)");
    EXPECT_EQ(test::errorOf([&] { photoKindFor("old.jpg/README"); }),
              "Unknown picture file extension (.)");
}

TEST(PictureNames, SavingAppendsOnlyAMissingExtension) {
    EXPECT_EQ(saveNameFor("portrait", OutputFormat::Jpeg), "portrait.jpg");
    EXPECT_EQ(saveNameFor("portrait.jpeg", OutputFormat::Jpeg), "portrait.jpeg");
    EXPECT_EQ(saveNameFor("photo.Jpg", OutputFormat::Jpeg), "photo.Jpg");
    EXPECT_EQ(saveNameFor("old.jpg/a", OutputFormat::Jpeg), "old.jpg/a.jpg");
    EXPECT_EQ(saveNameFor("a.jpg", OutputFormat::Bmp), "a.jpg.bmp");
    EXPECT_EQ(saveNameFor("a.BMP", OutputFormat::Bmp), "a.BMP");
    EXPECT_EQ(saveNameFor("a", OutputFormat::Wmf), "a.wmf");
    EXPECT_EQ(saveNameFor("a.EMF", OutputFormat::Wmf), "a.EMF");
    EXPECT_EQ(saveNameFor("a.bmp", OutputFormat::Wmf), "a.bmp.wmf");
    EXPECT_EQ(outputFormatFor("a.WMF"), OutputFormat::Wmf);
    EXPECT_EQ(outputFormatFor("a.emf"), OutputFormat::Emf);
}

TEST(PictureNames, OutputTypeFromTheExtension) {
    EXPECT_EQ(outputFormatFor("o.JPEG"), OutputFormat::Jpeg);
    EXPECT_EQ(outputFormatFor("o.bmp"), OutputFormat::Bmp);
    EXPECT_EQ(outputFormatFor("o.emf"), OutputFormat::Emf);
    EXPECT_EQ(outputFormatFor("o.PNG"), OutputFormat::Png);
    EXPECT_EQ(saveNameFor("o", OutputFormat::Png), "o.png");
    EXPECT_THROW(outputFormatFor("o.tif"), Error);
    EXPECT_THROW(outputFormatFor("dir.bmp/o"), Error);
}

}  // namespace
}  // namespace carbonel

#include "share/mail_message.h"

namespace carbonel {
namespace {

TEST(MailMessage, HandsOverSubjectBodyAndAttachmentButNoRecipient) {
    MailMessage message{"Hi", "line one\nline two", "/tmp/sketch.jpg"};
    EXPECT_EQ(mailClientArguments(message),
              (std::vector<std::string>{"--subject", "Hi", "--body", "line one\nline two",
                                        "--attach", "/tmp/sketch.jpg"}));
    message.attachment.clear();
    message.body.clear();
    EXPECT_EQ(mailClientArguments(message),
              (std::vector<std::string>{"--subject", "Hi", "--body", ""}));
    EXPECT_EQ(mailSubjects().at(kDefaultSubject), "Look! I figure a sketch for you");
    EXPECT_EQ(mailTextLines().size(), 8u);
}

}  // namespace
}  // namespace carbonel

namespace carbonel {
namespace {

std::vector<std::string> linesOf(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The words outside the quotes of a man page's ".BR a ", " b" line: the names it sets in bold.
std::vector<std::string> boldWords(const std::string& line) {
    std::vector<std::string> words;
    std::size_t start = line.find(' ');
    for (bool quoted = false; start != std::string::npos && start < line.size(); quoted = !quoted) {
        const std::size_t end = line.find('"', start);
        const std::string part = line.substr(start, end == std::string::npos ? end : end - start);
        if (!quoted) {
            std::istringstream parts(part);
            for (std::string word; parts >> word;) {
                word = word.substr(0, word.find_first_of(":,"));
                if (!word.empty()) words.push_back(word);
            }
        }
        start = end == std::string::npos ? end : end + 1;
    }
    return words;
}

// Every ".ext" of a text, in order.
std::vector<std::string> extensionsIn(const std::string& text) {
    std::vector<std::string> found;
    const std::regex extension(R"((^|[\s(/&]|\\&)(\.[a-z0-9]+)\b)");
    for (std::sregex_iterator it(text.begin(), text.end(), extension), end; it != end; ++it)
        found.push_back((*it)[2]);
    return found;
}

// The dialogs' filters, made from the tables, keep their words and order; WebP is the Save
// dialog's last.
TEST(FormatTables, DialogFiltersKeepTheirWordsAndOrder) {
    EXPECT_EQ(openDialogFilter(),
              "All (*.jpg *.jpeg *.bmp *.png *.tif *.tiff *.webp *.gif *.heic *.heif *.avif);;"
              "JPEG Image File (*.jpg);;JPEG Image File (*.jpeg);;Bitmaps (*.bmp);;"
              "PNG Image File (*.png);;TIFF Image File (*.tif *.tiff);;WebP Image File (*.webp);;"
              "GIF Image File (*.gif);;HEIF Image File (*.heic *.heif);;AVIF Image File (*.avif)");
    std::vector<std::string> save;
    for (const SaveDialogLine& line : saveDialogLines()) save.push_back(saveFilter(line));
    EXPECT_EQ(save, (std::vector<std::string>{"JPEG Image File (*.jpg)", "Bitmaps (*.bmp)",
                                              "Metafiles (*.wmf)", "PNG Image File (*.png)",
                                              "SVG drawing (*.svg)", "PDF document (*.pdf)",
                                              "WebP image (*.webp)",
                                              "SVG plot, single strokes (*.svg)"}));
}

// The manual and the shell's completion name exactly the formats and photo kinds of the tables.
TEST(FormatTables, ManualAndCompletionNameExactlyTheTablesFormats) {
    std::vector<std::string> names, batchNames, outputSuffixes, photoSuffixes;
    for (const OutputFormatRow& row : outputFormats()) {
        names.emplace_back(row.name);
        if (row.inBatch) batchNames.emplace_back(row.name);
        outputSuffixes.insert(outputSuffixes.end(), row.suffix.begin(), row.suffix.end());
    }
    for (const PhotoKindRow& row : photoKinds())
        photoSuffixes.insert(photoSuffixes.end(), row.suffix.begin(), row.suffix.end());

    const std::vector<std::string> manual =
        linesOf(CARBONEL_SOURCE_DIR "/assets/man/carbonel-cli.1");
    std::string convert;  // the paragraph on convert, from its photo list to its camera sentence
    std::vector<std::string> formatLines;
    for (std::size_t i = 0; i < manual.size(); ++i) {
        if (manual[i].find("(.jpg") == 0) {
            for (std::size_t j = i; j < manual.size() && manual[j].find("A camera") != 0; ++j)
                convert += manual[j] + "\n";
        }
        if (manual[i] == ".BI \\-\\-format \" F\"") {
            for (std::size_t j = i + 1; j < manual.size() && manual[j] != ".TP"; ++j) {
                if (manual[j].starts_with(".BR ") &&
                    std::count(manual[j].begin(), manual[j].end(), '"') >= 4)
                    formatLines.push_back(manual[j]);
            }
        }
    }
    const std::size_t picks = convert.find("picks the format");
    ASSERT_NE(picks, std::string::npos);
    EXPECT_EQ(extensionsIn(convert.substr(0, picks)), photoSuffixes);
    std::vector<std::string> written = extensionsIn(convert.substr(picks));
    std::sort(written.begin(), written.end());
    std::vector<std::string> expected = outputSuffixes;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(written, expected);
    std::vector<std::string> animationNames;
    for (const AnimationFormatRow& row : animationFormats()) animationNames.emplace_back(row.name);
    ASSERT_EQ(formatLines.size(), 3u);
    EXPECT_EQ(boldWords(formatLines[0]), names);
    EXPECT_EQ(boldWords(formatLines[1]), batchNames);
    EXPECT_EQ(boldWords(formatLines[2]), animationNames);

    // The completion offers the animation formats after animate, the output formats elsewhere.
    std::vector<std::vector<std::string>> offered;
    const std::vector<std::string> completion =
        linesOf(CARBONEL_SOURCE_DIR "/assets/completion/carbonel-cli");
    for (std::size_t i = 0; i < completion.size(); ++i) {
        if (completion[i].find("--format)") == std::string::npos) continue;
        for (std::size_t j = i + 1; j < completion.size(); ++j) {
            const std::size_t open = completion[j].find("-W \"");
            if (open != std::string::npos) {
                const std::size_t close = completion[j].find('"', open + 4);
                std::istringstream words(completion[j].substr(open + 4, close - open - 4));
                offered.emplace_back();
                for (std::string word; words >> word;) offered.back().push_back(word);
            }
            if (completion[j].find(";;") != std::string::npos) break;
        }
    }
    const bool completed = offered == std::vector<std::vector<std::string>>{animationNames, names};
    EXPECT_TRUE(completed);
}

}  // namespace
}  // namespace carbonel
