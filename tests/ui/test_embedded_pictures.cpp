// The pictures the build decodes into the program (embed_pictures) are the
// generator's PNG files, pixel for pixel, every one of them; the image list
// cuts bitmap 188 into its three icons with the mask colour made clear.
#include "tests/support/GuiSessionTest.h"
#include "ui/ImageList.h"
#include "ui/Private.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QRegularExpression>

#include <cstdlib>

namespace {

QString ImagesDir() {
    return QString::fromLocal8Bit(std::getenv("PELMORA_SOURCE_DIR")) + "/resources/images";
}

class EmbeddedPictures : public GuiSessionTest {};

TEST_F(EmbeddedPictures, EveryPictureFileIsEmbeddedAsDrawn) {
    const QStringList files = QDir(ImagesDir()).entryList({"*.png"}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 9);
    const QRegularExpression name("^(icon|bitmap)_(\\d+)\\.png$");
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const QRegularExpressionMatch match = name.match(file);
        ASSERT_TRUE(match.hasMatch());
        const bool icon = match.captured(1) == "icon";
        const int id = match.captured(2).toInt();
        const QImage drawn =
            QImage(ImagesDir() + "/" + file).convertToFormat(QImage::Format_ARGB32);
        const QImage embedded = uiimpl::ResourceImage(icon, id);
        ASSERT_EQ(embedded.size(), drawn.size());
        ASSERT_EQ(embedded.format(), QImage::Format_ARGB32);
        int different = 0;
        bool oneColour = true;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x) {
                different += embedded.pixel(x, y) != drawn.pixel(x, y) ? 1 : 0;
                oneColour = oneColour && drawn.pixel(x, y) == drawn.pixel(0, 0);
            }
        EXPECT_EQ(different, 0);
        // A drawing, so equal pixels say something.
        EXPECT_FALSE(oneColour);
        EXPECT_FALSE(uiimpl::ResourcePixmap(icon, id).isNull());
    }
}

TEST_F(EmbeddedPictures, AnUnknownIdHasNoPicture) {
    EXPECT_TRUE(uiimpl::ResourceImage(false, 4242).isNull());
    EXPECT_TRUE(uiimpl::ResourcePixmap(true, 188).isNull()); // 188 is a bitmap
    CImageList list;
    EXPECT_FALSE(list.Create(4242, 16, 0, 0x808000));
}

TEST_F(EmbeddedPictures, TheImageListClearsTheMaskColourInItsOwnCopy) {
    CImageList list;
    ASSERT_TRUE(list.Create(188, 16, 0, 0x808000));
    EXPECT_EQ(list.GetImageCount(), 3);
    EXPECT_EQ(list.GetImageSize().cx, 16);
    // The strip itself is still as drawn: the list changed a copy.
    const QImage strip = uiimpl::ResourceImage(false, 188);
    const QImage drawn =
        QImage(ImagesDir() + "/bitmap_188.png").convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(strip.pixel(0, 0), drawn.pixel(0, 0));
}

} // namespace
