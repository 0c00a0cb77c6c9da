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
    // A folder named old.jpg says nothing about the file inside it.
    EXPECT_EQ(photoKindFor("old.jpg/picture.bmp"), PhotoKind::Bmp);
    EXPECT_EQ(test::errorOf([&] { photoKindFor("old.jpg/picture.png"); }),
              "Unknown picture file extension (.png)");
    EXPECT_EQ(test::errorOf([&] { photoKindFor("holiday.jpg.txt"); }),
              "Unknown picture file extension (.txt)");
    EXPECT_EQ(test::errorOf([&] { photoKindFor("old.jpg/README"); }),
              "Unknown picture file extension (.)");
}

TEST(PictureNames, SavingAppendsOnlyAMissingExtension) {
    EXPECT_EQ(saveNameFor("portrait", SaveType::Jpeg), "portrait.jpg");
    EXPECT_EQ(saveNameFor("portrait.jpeg", SaveType::Jpeg), "portrait.jpeg");
    EXPECT_EQ(saveNameFor("photo.Jpg", SaveType::Jpeg), "photo.Jpg");
    EXPECT_EQ(saveNameFor("old.jpg/a", SaveType::Jpeg), "old.jpg/a.jpg");
    EXPECT_EQ(saveNameFor("a.jpg", SaveType::Bmp), "a.jpg.bmp");
    EXPECT_EQ(saveNameFor("a.BMP", SaveType::Bmp), "a.BMP");
    EXPECT_EQ(saveNameFor("a", SaveType::Metafile), "a.wmf");
    EXPECT_EQ(saveNameFor("a.EMF", SaveType::Metafile), "a.EMF");
    EXPECT_EQ(saveNameFor("a.bmp", SaveType::Metafile), "a.bmp.wmf");
    EXPECT_EQ(metafileKindFor("a.WMF"), MetafileKind::Wmf);
    EXPECT_EQ(metafileKindFor("a.emf"), MetafileKind::Emf);
}

TEST(PictureNames, OutputTypeFromTheExtension) {
    EXPECT_EQ(saveTypeForOutput("o.JPEG"), SaveType::Jpeg);
    EXPECT_EQ(saveTypeForOutput("o.bmp"), SaveType::Bmp);
    EXPECT_EQ(saveTypeForOutput("o.emf"), SaveType::Metafile);
    EXPECT_THROW(saveTypeForOutput("o.png"), Error);
    EXPECT_THROW(saveTypeForOutput("dir.bmp/o"), Error);
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
