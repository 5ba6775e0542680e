// The pictures the build decodes into the program (embed_pictures.py) are the
// generator's PNG files, pixel for pixel, every one of them; the decoder reads
// the kinds of PNG file the pictures are as another writer (Qt's) makes them,
// with every row filter, and refuses any other file, naming it; the image
// list cuts bitmap 188 into its three icons with the mask colour made clear.
#include "tests/support/GuiSessionTest.h"
#include "ui/ImageList.h"
#include "ui/Private.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdlib>
#include <set>
#include <vector>

namespace {

QString ImagesDir() {
    return QString::fromLocal8Bit(std::getenv("PELMORA_SOURCE_DIR")) + "/resources/images";
}

class EmbeddedPictures : public GuiSessionTest {};

struct Decoded {
    int exitCode = -1;
    QString errors;
    QString table; // the source it wrote, "" when it wrote none
};

// Runs the build's decoder on `files` as the build does.
Decoded RunDecoder(const QTemporaryDir& dir, const QStringList& files) {
    const QString out = dir.filePath("EmbeddedPictures.cpp");
    QFile::remove(out);
    QProcess process;
    process.start(PELMORA_PYTHON, QStringList{PELMORA_EMBED_PICTURES, out} + files);
    Decoded decoded;
    if (!process.waitForFinished(60000))
        return decoded;
    decoded.exitCode = process.exitCode();
    decoded.errors = QString::fromUtf8(process.readAllStandardError());
    QFile table(out);
    if (table.open(QIODevice::ReadOnly))
        decoded.table = QString::fromLatin1(table.readAll());
    return decoded;
}

// The pixels the table holds for picture number `n`, in its order.
std::vector<unsigned> TablePixels(const QString& table, int n) {
    const qsizetype begin = table.indexOf(QString("kPixels%1[] = {").arg(n));
    const qsizetype end = table.indexOf("};", begin);
    std::vector<unsigned> pixels;
    if (begin < 0 || end < 0)
        return pixels;
    static const QRegularExpression hex("0x([0-9A-F]{8}),");
    auto it = hex.globalMatch(table.mid(begin, end - begin));
    while (it.hasNext())
        pixels.push_back(it.next().captured(1).toUInt(nullptr, 16));
    return pixels;
}

// The colour type of a PNG file and the row filters its image data use,
// inflated by Qt's zlib (qUncompress wants the size in front).
std::set<int> RowFilters(const QByteArray& png, int* colourType) {
    *colourType = static_cast<unsigned char>(png[25]);
    const int width = qFromBigEndian<quint32>(png.constData() + 16);
    const int height = qFromBigEndian<quint32>(png.constData() + 20);
    const int stride = 1 + width * (*colourType == 6 ? 4 : 3);
    QByteArray idat;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const qsizetype length = qFromBigEndian<quint32>(png.constData() + at);
        if (png.mid(at + 4, 4) == "IDAT")
            idat += png.mid(at + 8, length);
        at += 12 + length;
    }
    QByteArray sized(4, '\0');
    qToBigEndian<quint32>(stride * height, sized.data());
    const QByteArray raw = qUncompress(sized + idat);
    std::set<int> filters;
    for (int y = 0; y < height && (y + 1) * stride <= raw.size(); ++y)
        filters.insert(static_cast<unsigned char>(raw[y * stride]));
    return filters;
}

// PNG's CRC-32 of `bytes`, to keep a changed chunk well-formed.
quint32 Crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (crc & 1u ? 0xEDB88320u : 0u);
    }
    return ~crc;
}

// A picture whose rows ask the writer for each row filter in turn: noise
// (None or any), samples that are the mean of their left and upper
// neighbours (Average), small values that jump from pixel to pixel under a
// row of other values (None), a ramp (Sub), the ramp again (Up), and a
// drawing with edges (Paeth).
QImage Drawing(QImage::Format format, int width, int height) {
    QImage image(width, height, format);
    unsigned noise = 12345;
    std::vector<int> previous(4 * width, 0);
    std::vector<int> row(4 * width, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c) {
                int& v = row[4 * x + c];
                switch (y % 7) {
                case 0:
                    noise = noise * 1103515245u + 12345u;
                    v = static_cast<int>(noise >> 16) & 0xFF;
                    break;
                case 1:
                    v = ((x > 0 ? row[4 * (x - 1) + c] : 0) + previous[4 * x + c]) >> 1;
                    break;
                case 2:
                    v = x % 2 == 0 ? 0 : 2;
                    break;
                case 3:
                    v = (x * (3 + c) + 17) & 0xFF;
                    break;
                case 4:
                    v = previous[4 * x + c];
                    break;
                default:
                    v = c == 3 ? (x * 13 + y * 5) & 0xFF : ((x * y) >> c) & 0xFF;
                }
            }
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgba(row[4 * x], row[4 * x + 1], row[4 * x + 2],
                                 format == QImage::Format_ARGB32 ? row[4 * x + 3] : 255));
        previous = row;
    }
    return image;
}

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

TEST_F(EmbeddedPictures, TheDecoderReadsTheFilesAnotherWriterMakes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Truecolour and truecolour with alpha at 8 bits, as the pictures are.
    const QImage rgb = Drawing(QImage::Format_RGB888, 61, 47);
    const QImage argb = Drawing(QImage::Format_ARGB32, 53, 40);
    ASSERT_TRUE(rgb.save(dir.filePath("bitmap_7.png"), "PNG"));
    ASSERT_TRUE(argb.save(dir.filePath("icon_8.png"), "PNG"));
    std::set<int> filters;
    for (const auto& [file, type] : {std::pair{"bitmap_7.png", 2}, std::pair{"icon_8.png", 6}}) {
        QFile png(dir.filePath(file));
        ASSERT_TRUE(png.open(QIODevice::ReadOnly));
        int colourType = -1;
        const std::set<int> used = RowFilters(png.readAll(), &colourType);
        EXPECT_EQ(colourType, type) << file;
        filters.insert(used.begin(), used.end());
    }
    // Every row filter PNG has: None, Sub, Up, Average, Paeth.
    EXPECT_EQ(filters, (std::set<int>{0, 1, 2, 3, 4}));

    const Decoded decoded =
        RunDecoder(dir, {dir.filePath("bitmap_7.png"), dir.filePath("icon_8.png")});
    ASSERT_EQ(decoded.exitCode, 0) << decoded.errors.toStdString();
    EXPECT_TRUE(decoded.table.contains("{false, 7, 61, 47, kPixels0}"));
    EXPECT_TRUE(decoded.table.contains("{true, 8, 53, 40, kPixels1}"));
    EXPECT_TRUE(decoded.table.contains("kEmbeddedPictureCount = 2;"));
    EXPECT_TRUE(decoded.table.contains("kProgramIconCount = 0;"));
    // The program's icon of a size goes to its own table, after the pictures;
    // a file of that name in a folder of unequal sides is no size of it.
    ASSERT_TRUE(QDir(dir.path()).mkpath("53x53/apps") && QDir(dir.path()).mkpath("53x40/apps"));
    ASSERT_TRUE(argb.copy(0, 0, 53, 53).save(dir.filePath("53x53/apps/pelmora.png"), "PNG"));
    ASSERT_TRUE(argb.save(dir.filePath("53x40/apps/pelmora.png"), "PNG"));
    const Decoded program =
        RunDecoder(dir, {dir.filePath("bitmap_7.png"), dir.filePath("53x53/apps/pelmora.png")});
    ASSERT_EQ(program.exitCode, 0) << program.errors.toStdString();
    EXPECT_TRUE(program.table.contains("{true, 53, 53, 53, kPixels1}"));
    EXPECT_TRUE(program.table.contains("kEmbeddedPictureCount = 1;"));
    EXPECT_TRUE(program.table.contains("kProgramIconCount = 1;"));
    EXPECT_EQ(RunDecoder(dir, {dir.filePath("53x40/apps/pelmora.png")}).exitCode, 1);
    int n = 0;
    for (const QImage& written : {rgb, argb}) {
        SCOPED_TRACE(n);
        const std::vector<unsigned> pixels = TablePixels(decoded.table, n++);
        ASSERT_EQ(pixels.size(), static_cast<std::size_t>(written.width() * written.height()));
        int different = 0;
        for (int y = 0; y < written.height(); ++y)
            for (int x = 0; x < written.width(); ++x)
                different += pixels[y * written.width() + x] != written.pixel(x, y) ? 1 : 0;
        EXPECT_EQ(different, 0);
    }
}

TEST_F(EmbeddedPictures, TheDecoderRefusesAnyOtherFileNamingItAndWritesNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString good = dir.filePath("bitmap_1.png");
    ASSERT_TRUE(Drawing(QImage::Format_ARGB32, 20, 12).save(good, "PNG"));
    QFile goodFile(good);
    ASSERT_TRUE(goodFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = goodFile.readAll();
    const auto write = [&](const QString& name, const QByteArray& content) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return dir.filePath(name);
    };
    // A byte of the image data changed: the chunk's CRC no longer holds.
    QByteArray flipped = bytes;
    const qsizetype idat = flipped.indexOf("IDAT");
    ASSERT_GT(idat, 0);
    flipped[idat + 10] = static_cast<char>(flipped[idat + 10] ^ 0x20);
    // The same file marked interlaced, its header's CRC made right again.
    QByteArray interlaced = bytes;
    interlaced[28] = 1; // IHDR: width, height, depth, colour, compression, filter, interlace
    qToBigEndian<quint32>(Crc32(interlaced.mid(12, 17)), interlaced.data() + 29);
    // Kinds of PNG the pictures are not, as Qt writes them.
    ASSERT_TRUE(QImage(Drawing(QImage::Format_ARGB32, 20, 12))
                    .convertToFormat(QImage::Format_Grayscale8)
                    .save(dir.filePath("bitmap_4.png"), "PNG"));
    ASSERT_TRUE(Drawing(QImage::Format_ARGB32, 20, 12)
                    .convertToFormat(QImage::Format_RGBA64)
                    .save(dir.filePath("bitmap_5.png"), "PNG"));
    const struct {
        QString file;
        const char* reason;
    } refused[] = {
        {write("bitmap_2.png", flipped), "CRC"},
        {write("bitmap_3.png", bytes.left(bytes.size() / 2)), "ends inside"},
        {write("bitmap_8.png", interlaced), "interlaced"},
        {dir.filePath("bitmap_4.png"), "colour type 0 at 8 bits"},
        {dir.filePath("bitmap_5.png"), "colour type 6 at 16 bits"},
        {write("bitmap_9.png", "\x89PNG\r\n\x1a\n broken"), "ends inside"},
        {write("icon_6.png", "GIF89a"), "no PNG signature"},
        // Of another name: no picture of the program.
        {write("logo.png", bytes), "is no icon_<id>.png, bitmap_<id>.png or"},
    };
    for (const auto& [file, reason] : refused) {
        SCOPED_TRACE(file.toStdString());
        // After a good picture: the good one is not written alone.
        const Decoded decoded = RunDecoder(dir, {good, file});
        EXPECT_EQ(decoded.exitCode, 1);
        EXPECT_TRUE(decoded.errors.contains(file)) << decoded.errors.toStdString();
        EXPECT_TRUE(decoded.errors.contains(reason)) << decoded.errors.toStdString();
        EXPECT_TRUE(decoded.table.isEmpty());
    }
    EXPECT_EQ(RunDecoder(dir, {good}).exitCode, 0);
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
