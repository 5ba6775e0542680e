// Build tool: decodes the program's pictures (resources/images/icon_<id>.png
// and bitmap_<id>.png) once at build time and writes them as a C++ table of
// 32-bit ARGB pixels, so the running program shows them without decoding a
// PNG (the first decoding also has the toolkit look through its image format
// plugins, milliseconds on the way to the first page).
//
//   embed_pictures OUT.cpp PICTURE.png...
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Entry {
    bool icon = false;
    int id = 0;
    QImage image;
};

bool Parse(const QString& path, Entry& entry) {
    static const QRegularExpression name(QStringLiteral("^(icon|bitmap)_(\\d+)\\.png$"));
    const QRegularExpressionMatch match = name.match(QFileInfo(path).fileName());
    if (!match.hasMatch())
        return false;
    entry.icon = match.captured(1) == QStringLiteral("icon");
    entry.id = match.captured(2).toInt();
    entry.image = QImage(path).convertToFormat(QImage::Format_ARGB32);
    return !entry.image.isNull();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: embed_pictures OUT.cpp PICTURE.png...\n");
        return 2;
    }
    std::vector<Entry> entries;
    for (int i = 2; i < argc; ++i) {
        Entry entry;
        if (!Parse(QString::fromLocal8Bit(argv[i]), entry)) {
            std::fprintf(stderr, "embed_pictures: %s is no icon_<id>.png or bitmap_<id>.png\n",
                         argv[i]);
            return 1;
        }
        entries.push_back(entry);
    }
    const std::string out = argv[1];
    std::ofstream file(out + ".part", std::ios::binary);
    file << "// Made by embed_pictures from resources/images: do not edit.\n"
            "#include \"ui/pictures/EmbeddedPictures.h\"\n\n"
            "namespace uiimpl {\n\nnamespace {\n\n";
    for (std::size_t n = 0; n < entries.size(); ++n) {
        const QImage& image = entries[n].image;
        // As the toolkit keeps 32-bit ARGB: one 0xAARRGGBB value a pixel.
        file << "const unsigned int kPixels" << n << "[] = {";
        char text[16];
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if ((y * image.width() + x) % 8 == 0)
                    file << "\n   ";
                std::snprintf(text, sizeof text, " 0x%08X,", static_cast<unsigned>(line[x]));
                file << text;
            }
        }
        file << "\n};\n\n";
    }
    file << "} // namespace\n\nconst EmbeddedPicture kEmbeddedPictures[] = {\n";
    for (std::size_t n = 0; n < entries.size(); ++n)
        file << "    {" << (entries[n].icon ? "true" : "false") << ", " << entries[n].id << ", "
             << entries[n].image.width() << ", " << entries[n].image.height() << ", kPixels" << n
             << "},\n";
    file << "};\n\nconst int kEmbeddedPictureCount = " << entries.size()
         << ";\n\n} // namespace uiimpl\n";
    file.close();
    if (!file || std::rename((out + ".part").c_str(), out.c_str()) != 0) {
        std::fprintf(stderr, "embed_pictures: %s cannot be written\n", out.c_str());
        return 1;
    }
    return 0;
}
