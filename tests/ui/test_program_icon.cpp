// The program's icon: every window carries it once the first page is painted, in each size the
// generator draws; the desktop's icon theme is asked first; the desktop entry the running program
// names is the one that is installed, with the same icon.
#include "tests/support/GuiSessionTest.h"
#include "ui/Button.h"
#include "ui/Private.h"
#include "ui/PropertyPage.h"
#include "ui/PropertySheet.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdlib>

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

QString SourcePath(const QString& relative) {
    return QString::fromLocal8Bit(std::getenv("PELMORA_SOURCE_DIR")) + "/" + relative;
}

// Both in the format a pixmap keeps (premultiplied), so equal pictures give
// equal pixels.
QImage DrawnIcon(int size) {
    const QImage image(
        SourcePath(QString("resources/icons/hicolor/%1x%1/apps/pelmora.png").arg(size)));
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage Shown(const QIcon& icon, int size) {
    return icon.pixmap(QSize(size, size))
        .toImage()
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// How many pixels of two pictures differ; -1 when their sizes do.
int DifferentPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return count;
}

class ProgramIconTest : public GuiSessionTest {
protected:
    void SetUp() override {
        m_searchPaths = QIcon::themeSearchPaths();
        m_theme = QIcon::themeName();
        ASSERT_TRUE(m_themes.isValid());
    }
    void TearDown() override {
        QIcon::setThemeSearchPaths(m_searchPaths);
        QIcon::setThemeName(m_theme);
    }

    // No theme to be found but the test's own: what the desktop has
    // installed (perhaps Pelmora itself) stays out.
    void SearchOnlyTheTestsThemes() { QIcon::setThemeSearchPaths({m_themes.path()}); }

    // A theme named "pelmora-test" in the search path whose 48-pixel
    // "pelmora" is one colour.
    void InstallThemeIcon(const QColor& colour) {
        QDir root(m_themes.path());
        ASSERT_TRUE(root.mkpath("pelmora-test/48x48/apps"));
        QFile index(root.filePath("pelmora-test/index.theme"));
        ASSERT_TRUE(index.open(QIODevice::WriteOnly | QIODevice::Text));
        QTextStream(&index) << "[Icon Theme]\nName=pelmora-test\nDirectories=48x48/apps\n\n"
                               "[48x48/apps]\nSize=48\nType=Fixed\n";
        index.close();
        QImage image(48, 48, QImage::Format_ARGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(root.filePath("pelmora-test/48x48/apps/pelmora.png")));
        QIcon::setThemeName("pelmora-test");
    }

    QTemporaryDir m_themes;
    QStringList m_searchPaths;
    QString m_theme;
};

class OnePageSheet : public CPropertySheet {
public:
    OnePageSheet() : CPropertySheet("Icon test") {
        AddPage(&m_page);
        SetWizardMode();
    }

private:
    class Page : public CPropertyPage {
    public:
        Page() : CPropertyPage(201) {}
        void CreateControls() override { m_button.Create(this, 1001); }

    private:
        CButton m_button;
    };
    Page m_page;
};

TEST_F(ProgramIconTest, EverySizeTheGeneratorDrawsIsEmbeddedAsDrawn) {
    SearchOnlyTheTestsThemes();
    const QIcon icon = uiimpl::ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> available = icon.availableSizes();
    for (const int size : kSizes) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(available.contains(QSize(size, size)));
        const QImage drawn = DrawnIcon(size);
        ASSERT_EQ(drawn.size(), QSize(size, size));
        // Not scaled from a neighbouring size: the very pixels of the file.
        EXPECT_EQ(DifferentPixels(Shown(icon, size), drawn), 0);
    }
}

TEST_F(ProgramIconTest, EveryWindowCarriesTheProgramIconOnceTheFirstPageIsPainted) {
    // Looking the icon up in the theme is off the way to the first page: the
    // sheet's window gets it right after its first painting (from the
    // installed theme, or embedded, as the program's icon is now), and every
    // window opened later has it.
    OnePageSheet sheet;
    ASSERT_TRUE(sheet.Create());
    QWidget* window = sheet.GetWidget();
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < 100 && QApplication::windowIcon().isNull(); ++i)
        uitest::ProcessEvents(10);
    const QIcon windowIcon = window->windowIcon();
    ASSERT_FALSE(windowIcon.isNull());
    for (const int size : {16, 48})
        EXPECT_EQ(DifferentPixels(Shown(windowIcon, size), Shown(uiimpl::ProgramIcon(), size)), 0)
            << size;
    sheet.EndDialog(IDCANCEL);
    EXPECT_FALSE(QWidget().windowIcon().isNull());
}

TEST_F(ProgramIconTest, TheDesktopThemesIconComesFirst) {
    SearchOnlyTheTestsThemes();
    InstallThemeIcon(QColor(0xFF, 0x00, 0x00));
    const QImage themed = Shown(uiimpl::ProgramIcon(), 48);
    ASSERT_FALSE(themed.isNull());
    EXPECT_EQ(themed.pixelColor(24, 24), QColor(0xFF, 0x00, 0x00));
    EXPECT_GT(DifferentPixels(themed, DrawnIcon(48)), 0);
}

TEST_F(ProgramIconTest, TheRunningProgramNamesItsInstalledDesktopEntry) {
    EXPECT_EQ(QGuiApplication::desktopFileName(), QString(uiimpl::kDesktopEntryName));
    QFile entry(SourcePath(QString("packaging/%1.desktop").arg(uiimpl::kDesktopEntryName)));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text))
        << entry.fileName().toStdString();
    const QStringList lines = QString::fromUtf8(entry.readAll()).split('\n');
    EXPECT_TRUE(lines.contains("Icon=pelmora"));
    EXPECT_TRUE(lines.contains("Exec=pelmora"));
}

} // namespace
