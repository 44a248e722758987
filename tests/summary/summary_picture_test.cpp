#include "summary_picture.h"

#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zarn {
namespace {

QRgb Opaque(std::uint32_t rgb) {
    return 0xFF000000u | rgb;
}

QImage Render(const std::vector<Bar>& bars, const PictureScale& scale, int top, int height) {
    QImage image(scale.pixelWidth, height, QImage::Format_ARGB32_Premultiplied);
    RenderBars(image, bars, scale, top);
    return image;
}

// Bars cover (x1, r - 1) to (x2, r): at 4 pixels per unit and 10 per row, exact pixel edges.
TEST(RenderBars, BarCoversItsUnitsAndRowExactly) {
    const QImage image = Render({{5, 8, 2, 0xFF0000}}, {50, 5, 200, 50}, 0, 50);
    EXPECT_EQ(image.pixel(20, 10), Opaque(0xFF0000)); // top left corner
    EXPECT_EQ(image.pixel(31, 19), Opaque(0xFF0000)); // bottom right corner
    EXPECT_EQ(image.pixel(19, 15), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(32, 15), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(25, 9), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(25, 20), qRgb(0, 0, 0));
    // Later bars cover earlier ones.
    const QImage over = Render({{0, 10, 1, 0xFF0000}, {4, 6, 1, 0x0000FF}}, {10, 1, 10, 1}, 0, 1);
    EXPECT_EQ(over.pixel(3, 0), Opaque(0xFF0000));
    EXPECT_EQ(over.pixel(5, 0), Opaque(0x0000FF));
    EXPECT_EQ(over.pixel(6, 0), Opaque(0xFF0000));
    // An empty scale puts every bar on pixel 0 at most, and does not crash.
    EXPECT_EQ(Render({{0, 10, 1, 0xFF0000}}, {0, 0, 20, 20}, 0, 20).pixel(0, 0), qRgb(0, 0, 0));
}

TEST(RenderBars, TinyBarsKeepOnePixelAndEdgesAreClipped) {
    // 2000 units and 1999 rows into 400 x 300 pixels: a one-unit bar on the last row still shows.
    const QImage small = Render({{1000, 1001, 1999, 0x00FFFF}}, {2000, 1999, 400, 300}, 0, 300);
    EXPECT_EQ(small.pixel(200, 299), Opaque(0x00FFFF));
    // Starting before the segment: clipped at the left edge; past the right edge: clipped there.
    const QImage wide = Render({{-50, 5, 1, 0x808000}, {95, 400, 2, 0x800000}, {-9, -3, 3, 0xFFFFFF}},
                               {100, 3, 100, 3}, 0, 3);
    EXPECT_EQ(wide.pixel(0, 0), Opaque(0x808000));
    EXPECT_EQ(wide.pixel(4, 0), Opaque(0x808000));
    EXPECT_EQ(wide.pixel(5, 0), qRgb(0, 0, 0));
    EXPECT_EQ(wide.pixel(99, 1), Opaque(0x800000));
    for (int x = 0; x < 100; ++x)
        ASSERT_EQ(wide.pixel(x, 2), qRgb(0, 0, 0)) << "a bar wholly left of the picture leaks in at " << x;
}

TEST(RenderBars, PartOfATallPicture) {
    // Rows of 6 pixels; the image shows rows 101..110 (pixels 600..659).
    std::vector<Bar> bars;
    for (int r = 1; r <= 1999; ++r)
        bars.push_back({0, 10, r, r == 101 ? 0xFF0000u : r == 110 ? 0x0000FFu : 0x00FF00u});
    const QImage image = Render(bars, {10, 1999, 10, 1999 * 6}, 600, 60);
    EXPECT_EQ(image.pixel(5, 0), Opaque(0xFF0000));
    EXPECT_EQ(image.pixel(5, 5), Opaque(0xFF0000));
    EXPECT_EQ(image.pixel(5, 6), Opaque(0x00FF00));
    EXPECT_EQ(image.pixel(5, 59), Opaque(0x0000FF));
}

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        picture.resize(200, 100);
        picture.SetScale(100, 10);
        picture.SetBars({{10, 20, 3, 0xFF0000}});
        picture.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&picture));
        picture.repaint();
    }
    QImage Screen() {
        QImage image(picture.size(), QImage::Format_ARGB32_Premultiplied);
        picture.render(&image);
        return image;
    }
    SummaryPicture picture;
};

TEST_F(PictureTest, OverlaysMoveWithoutRedrawingTheBars) {
    const int renders = picture.RenderCount();
    ASSERT_GE(renders, 1);
    picture.L_T1.at = 10;
    picture.L_T1.visible = true;
    picture.L_T2.at = 20;
    picture.L_T2.visible = true;
    picture.L_ChnlA.at = 2;
    picture.L_ChnlA.visible = true;
    picture.L_ChnlB.at = 10; // bottom edge of the last row stays in view
    picture.L_ChnlB.visible = true;
    picture.UpdateOverlays();
    picture.repaint();
    QImage screen = Screen();
    EXPECT_EQ(screen.pixel(20, 50), qRgb(0, 0, 255));
    EXPECT_EQ(screen.pixel(40, 50), qRgb(255, 0, 0));
    EXPECT_EQ(screen.pixel(100, 20), qRgb(255, 255, 255));
    EXPECT_EQ(screen.pixel(100, 99), qRgb(255, 255, 255));
    EXPECT_EQ(screen.pixel(30, 25), qRgb(255, 0, 0)); // the bar under the lines

    picture.L_T1.at = 50;
    picture.Shape1 = {10, 2, 20, 3, Qt::white, true};
    picture.UpdateOverlays();
    picture.repaint();
    screen = Screen();
    EXPECT_EQ(screen.pixel(100, 50), qRgb(0, 0, 255));
    EXPECT_EQ(screen.pixel(20, 50), qRgb(0, 0, 0));       // the old place is bars again
    EXPECT_EQ(screen.pixel(30, 20), qRgb(255, 255, 255)); // shape's top edge
    EXPECT_EQ(screen.pixel(30, 25), qRgb(255, 0, 0));     // inside the outline
    EXPECT_EQ(picture.RenderCount(), renders);

    picture.SetBars({{10, 20, 4, 0x00FF00}});
    picture.repaint();
    EXPECT_EQ(picture.RenderCount(), renders + 1);
    EXPECT_EQ(Screen().pixel(30, 35), qRgb(0, 255, 0));
    picture.resize(300, 100);
    picture.repaint();
    EXPECT_EQ(picture.RenderCount(), renders + 2);
    EXPECT_EQ(Screen().pixel(45, 35), qRgb(0, 255, 0));
}

TEST_F(PictureTest, MouseGivesPictureUnitsOfThePixelUnderIt) {
    std::vector<std::tuple<int, double, double>> presses;
    std::vector<std::pair<double, double>> moves;
    int doubles = 0;
    picture.onPress = [&](int b, double x, double y) { presses.emplace_back(b, x, y); };
    picture.onMove = [&](double x, double y) { moves.emplace_back(x, y); };
    picture.onDoubleClick = [&] { ++doubles; };

    QTest::mousePress(&picture, Qt::LeftButton, {}, QPoint(20, 30));
    QTest::mouseRelease(&picture, Qt::LeftButton, {}, QPoint(20, 30));
    QTest::mousePress(&picture, Qt::RightButton, {}, QPoint(199, 99));
    QTest::mouseRelease(&picture, Qt::RightButton, {}, QPoint(199, 99));
    QTest::mouseMove(&picture, QPoint(40, 29));
    QTest::mouseDClick(&picture, Qt::LeftButton, {}, QPoint(20, 30));
    QCoreApplication::processEvents();

    ASSERT_GE(presses.size(), 2u);
    EXPECT_EQ(std::get<0>(presses[0]), 1);
    EXPECT_DOUBLE_EQ(std::get<1>(presses[0]), 10.25);
    // The top pixel line of row 4 reads as row 4, not as the bottom edge of row 3.
    EXPECT_EQ(RowOfY(std::get<2>(presses[0]), 10), 4);
    EXPECT_EQ(std::get<0>(presses[1]), 2);
    EXPECT_EQ(RowOfY(std::get<2>(presses[1]), 10), 10);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(RowOfY(moves.back().second, 10), 3);
    EXPECT_DOUBLE_EQ(moves.back().first, 20.25);
    EXPECT_EQ(doubles, 1);
}

// A picture of 1999 rows at 6 pixels each inside a 120-pixel viewport, moved up to scroll: only
// the part in view is drawn, and it is drawn again only when the view moves.
TEST(SummaryPictureScroll, CachesOnlyTheVisiblePart) {
    QWidget viewport;
    viewport.resize(100, 120);
    SummaryPicture picture(&viewport);
    picture.setGeometry(0, 0, 100, 1999 * 6);
    picture.SetScale(100, 1999);
    std::vector<Bar> bars;
    for (int r = 1; r <= 1999; ++r)
        bars.push_back({0, 100, r, r % 2 ? 0xFF0000u : 0x0000FFu});
    picture.SetBars(std::move(bars));
    viewport.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewport));
    viewport.repaint();
    const int renders = picture.RenderCount();
    ASSERT_GE(renders, 1);
    EXPECT_LE(picture.Cache().height(), 120);

    picture.move(0, -6 * 1000); // row 1001 at the top
    viewport.repaint();
    EXPECT_EQ(picture.RenderCount(), renders + 1);
    EXPECT_LE(picture.Cache().height(), 120);
    QImage shown(viewport.size(), QImage::Format_ARGB32_Premultiplied);
    viewport.render(&shown);
    EXPECT_EQ(shown.pixel(50, 0), qRgb(255, 0, 0));   // row 1001, odd
    EXPECT_EQ(shown.pixel(50, 6), qRgb(0, 0, 255));   // row 1002
    EXPECT_EQ(shown.pixel(50, 119), qRgb(0, 0, 255)); // row 1020

    picture.L_T1 = {true, 30, Qt::blue, true};
    picture.UpdateOverlays();
    viewport.repaint();
    EXPECT_EQ(picture.RenderCount(), renders + 1);
}

} // namespace
} // namespace zarn
