#include "imageio/picture_names.h"

#include <gtest/gtest.h>

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
