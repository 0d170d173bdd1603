// Picking a picture and converting it, driven through the real main window.
#include <QEvent>
#include <QGuiApplication>
#include <span>

#include "icon/icon_file.h"
#include "picture/picture.h"
#include "platform/icon_conversion.h"
#include "ui/main_window_fixture.h"

namespace icogen::test::mainwin {
namespace {

constexpr std::uint32_t red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF,
                        yellow = 0xFFFFFF00;

const QString warning = QStringLiteral("警告");
const QString noPicture = QStringLiteral("你还未载入图像文件！");
const QString notAPicture = QStringLiteral("不是本程序能读取的图像文件！");
const QString tooLarge = QStringLiteral("图像太大，无法读取！");

using Conversion = MainWindowFixture;

// Decodes a one-image icon with the program's own decoder and checks it shows exactly what the
// board shows.
void expectIconShowsBoard(const ByteBuffer& oneImageIcon, const platform::DrawingBoard& board) {
    const auto decoded = picture::decodePicture(oneImageIcon);
    ASSERT_TRUE(decoded) << picture::failureName(decoded.failure);
    const picture::Picture& p = *decoded.picture;
    ASSERT_EQ(p.pixelWidth, static_cast<std::uint32_t>(board.raster().width()));
    ASSERT_EQ(p.pixelHeight, static_cast<std::uint32_t>(board.raster().height()));
    for (std::uint32_t y = 0; y < p.pixelHeight; ++y)
        for (std::uint32_t x = 0; x < p.pixelWidth; ++x) {
            const std::uint32_t argb = p.pixels[y * p.pixelWidth + x];
            ASSERT_EQ(argb >> 24, 0xFFu) << "every pixel of a converted icon is opaque";
            ASSERT_EQ(shown(argb), board.raster().pixel(static_cast<int>(x), static_cast<int>(y)))
                << "pixel " << x << "," << y;
        }
}

// ---- the format matrix over every kind of picture ------------------------------------------

struct MatrixCase {
    PictureKind kind;
    Format format;
};

void PrintTo(const MatrixCase& c, std::ostream* os) {
    *os << kindName(c.kind) << " as " << formatName(c.format);
}

class FormatMatrix : public MainWindowFixture, public ::testing::WithParamInterface<MatrixCase> {};

// The colour each quadrant of the test picture must show at its centre on a fresh result board.
std::array<Color, 4> expectedQuadrants(PictureKind kind) {
    Color corner = shown(yellow);
    if (kind == PictureKind::Png) corner = rgb(255, 255, 255);  // over white, then opaque
    if (kind == PictureKind::Gif || kind == PictureKind::Ico) corner = themeBackColor;  // board
    return {shown(red), shown(green), shown(blue), corner};
}

void expectQuadrants(const platform::DrawingBoard& board, PictureKind kind) {
    const int s = board.raster().width();
    const auto expected = expectedQuadrants(kind);
    const int tolerance = kind == PictureKind::Jpeg ? 8 : 0;
    const std::array<std::pair<int, int>, 4> centres{
        {{s / 4, s / 4}, {3 * s / 4, s / 4}, {s / 4, 3 * s / 4}, {3 * s / 4, 3 * s / 4}}};
    for (std::size_t q = 0; q < 4; ++q) {
        const Color got = board.raster().pixel(centres[q].first, centres[q].second);
        EXPECT_NEAR(redOf(got), redOf(expected[q]), tolerance) << "quadrant " << q;
        EXPECT_NEAR(greenOf(got), greenOf(expected[q]), tolerance) << "quadrant " << q;
        EXPECT_NEAR(blueOf(got), blueOf(expected[q]), tolerance) << "quadrant " << q;
    }
}

TEST_P(FormatMatrix, ConvertsThePictureIntoTheCheckedFormat) {
    const auto [kind, format] = GetParam();
    const TestImage image =
        quadrantImage(64, 48, red, green, blue, yellow, keepsTransparency(kind));
    const ByteBuffer bytes = encode(kind, image);
    convert(format, bytes);

    EXPECT_TRUE(desktop.messages().empty()) << desktop.lastMessage().text.toStdString();
    EXPECT_EQ(window->位图画板1->backgroundPicture(), bytes);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the busy cursor is put back";

    const bool has16 = format != Format::Size32, has32 = format != Format::Size16;
    EXPECT_EQ(state.pixels16.size(), has16 ? 768u : 0u);
    EXPECT_EQ(state.pixels32.size(), has32 ? 3072u : 0u);
    EXPECT_EQ(window->图标画板1->isVisibleTo(window.get()), has16);
    EXPECT_EQ(window->标签1->isVisibleTo(window.get()), has16);
    EXPECT_EQ(window->图标画板2->isVisibleTo(window.get()), has32);
    EXPECT_EQ(window->标签2->isVisibleTo(window.get()), has32);

    // The pixel rows are the tail of the board's snapshot, and the icon is the template with
    // exactly those rows in it (mask untouched, so fully opaque).
    if (has16) {
        EXPECT_EQ(state.pixels16, platform::lastBytes(window->图标画板1->snapshot(), 768));
        expectQuadrants(*window->图标画板1, kind);
        expectIconShowsBoard(icon::fillTemplate16(state.pixels16), *window->图标画板1);
    }
    if (has32) {
        EXPECT_EQ(state.pixels32, platform::lastBytes(window->图标画板2->snapshot(), 3072));
        expectQuadrants(*window->图标画板2, kind);
        expectIconShowsBoard(icon::fillTemplate32(state.pixels32), *window->图标画板2);
    }
    switch (format) {
        case Format::Size16:
            ASSERT_EQ(state.outputIcon.size(), 894u);
            EXPECT_EQ(state.outputIcon, icon::fillTemplate16(state.pixels16));
            expectIconShowsBoard(state.outputIcon, *window->图标画板1);
            break;
        case Format::Size32:
            ASSERT_EQ(state.outputIcon.size(), 3262u);
            EXPECT_EQ(state.outputIcon, icon::fillTemplate32(state.pixels32));
            expectIconShowsBoard(state.outputIcon, *window->图标画板2);
            break;
        case Format::Dual:
            ASSERT_EQ(state.outputIcon.size(), 4150u);
            EXPECT_EQ(state.outputIcon, icon::fillTemplateDual(state.pixels16, state.pixels32));
            // Both images come from 位图画板1's picture, which 位图画板2 now holds too.
            EXPECT_EQ(window->位图画板2->backgroundPicture(), bytes);
            break;
    }
}

std::vector<MatrixCase> matrixCases() {
    std::vector<MatrixCase> cases;
    for (PictureKind k : {PictureKind::Bmp, PictureKind::Png, PictureKind::Jpeg, PictureKind::Gif,
                          PictureKind::Ico, PictureKind::Pcx})
        for (Format f : {Format::Size16, Format::Size32, Format::Dual}) cases.push_back({k, f});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryKindEveryFormat, FormatMatrix, ::testing::ValuesIn(matrixCases()),
                         [](const auto& info) {
                             return std::string(kindName(info.param.kind)) + "_" +
                                    formatName(info.param.format);
                         });

// ---- the open dialog -----------------------------------------------------------------------

TEST_F(Conversion, OpenDialogSettingsAndTheFileNameCarriedBetweenDialogs) {
    const QString first = pictureFile("a.bmp", encodeBmp(TestImage(4, 4, red)));
    choose(first);
    // A cancelled save empties the name; a confirmed one leaves the saved icon's path.
    desktop.cancelFileDialog();
    window->保存->click();
    chooseCancelled();
    desktop.confirmFileDialog(path("saved"));
    window->保存->click();
    choose(first);
    chooseCancelled();

    const auto& d = desktop.fileDialogs();
    ASSERT_EQ(d.size(), 6u);
    for (std::size_t i : {0u, 2u, 4u, 5u}) {
        EXPECT_EQ(d[i].kind, platform::FileDialogComponent::Kind::Open);
        EXPECT_EQ(d[i].filter, QStringLiteral("图像文件|*.bmp;*.jpg;*.gif;*.tif;*.pcx;*.ico;*.cur;"
                                              "*.png|所有文件(*.*)|*.*"));
        EXPECT_TRUE(d[i].defaultExtension.isEmpty());
    }
    EXPECT_TRUE(d[0].fileName.isEmpty()) << "empty before the first choice";
    EXPECT_TRUE(d[2].fileName.isEmpty()) << "the cancelled save emptied it";
    EXPECT_EQ(d[4].fileName, path("saved.ico")) << "the confirmed save left its path";
    EXPECT_EQ(d[5].fileName, first) << "the confirmed open left its path";
    EXPECT_EQ(desktop.readPaths(), (std::vector<QString>{first, first}))
        << "a cancelled dialog reads nothing";
}

// ---- runConversion's steps -----------------------------------------------------------------

TEST_F(Conversion, CancelBeforeAnyPictureWarnsAndChangesNothing) {
    chooseCancelled();
    ASSERT_EQ(desktop.messages().size(), 1u);
    EXPECT_EQ(desktop.lastMessage().text, noPicture);
    EXPECT_EQ(desktop.lastMessage().title, warning);
    EXPECT_EQ(desktop.lastMessage().icon, platform::MessageIcon::Warning);
    EXPECT_EQ(desktop.lastMessage().buttons, platform::MessageButtons::Ok);
    EXPECT_TRUE(window->图标画板1->isVisibleTo(window.get()));
    EXPECT_TRUE(window->图标画板2->isVisibleTo(window.get()));
    EXPECT_FALSE(window->标签1->isVisibleTo(window.get()));
    EXPECT_FALSE(window->标签2->isVisibleTo(window.get()));
    EXPECT_TRUE(plain(*window->图标画板1));
    EXPECT_TRUE(plain(*window->图标画板2));
    EXPECT_TRUE(state.outputIcon.empty());
}

// Records the result boards and labels being hidden and shown, in order.
class VisibilityLog : public QObject {
  public:
    explicit VisibilityLog(ui::MainWindow& w) {
        for (QWidget* widget :
             std::initializer_list<QWidget*>{w.图标画板1, w.图标画板2, w.标签1, w.标签2})
            widget->installEventFilter(this);
    }
    std::vector<std::string> log;

  protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::HideToParent)
            log.push_back("hide " + o->objectName().toStdString());
        if (e->type() == QEvent::ShowToParent)
            log.push_back("show " + o->objectName().toStdString());
        return false;
    }
};

TEST_F(Conversion, HidesEverythingFirstThenShowsTheFormatsBoardsAndLabelsInOrder) {
    window->show();
    const ByteBuffer bytes = encodeBmp(TestImage(8, 8, red));
    convert(Format::Size16, bytes);
    VisibilityLog log(*window);
    setFormat(Format::Dual);
    chooseCancelled();  // converts the loaded picture again, now as two sizes
    EXPECT_EQ(log.log, (std::vector<std::string>{"hide 图标画板1", "hide 标签1", "show 图标画板1",
                                                 "show 标签1", "show 图标画板2", "show 标签2"}));
    log.log.clear();
    setFormat(Format::Size32);
    chooseCancelled();
    EXPECT_EQ(log.log, (std::vector<std::string>{"hide 图标画板1", "hide 图标画板2", "hide 标签1",
                                                 "hide 标签2", "show 图标画板2", "show 标签2"}));
}

TEST_F(Conversion, AWidePictureIsSqueezedOverTheWholeBoard) {
    // 100 x 50: left half red, right half blue; nothing is letterboxed.
    TestImage image(100, 50, red);
    image.fill(50, 0, 100, 50, blue);
    convert(Format::Size16, encodeBmp(image));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(window->图标画板1->raster().pixel(x, y), shown(x < 8 ? red : blue))
                << x << "," << y;
}

TEST_F(Conversion, PixelRowsAreStoredBottomUpInBlueGreenRed) {
    TestImage image(16, 16, green);
    image.at(0, 0) = 0xFF102030;   // top-left
    image.at(0, 15) = 0xFF405060;  // bottom-left
    convert(Format::Size16, encodeBmp(image));
    ASSERT_EQ(state.pixels16.size(), 768u);
    EXPECT_EQ((ByteBuffer{state.pixels16[720], state.pixels16[721], state.pixels16[722]}),
              (ByteBuffer{0x30, 0x20, 0x10}));
    EXPECT_EQ((ByteBuffer{state.pixels16[0], state.pixels16[1], state.pixels16[2]}),
              (ByteBuffer{0x60, 0x50, 0x40}));
    // In the file the top-left pixel of the 16x16 image sits at 62 + 720.
    EXPECT_EQ(state.outputIcon[782], 0x30);
}

TEST_F(Conversion, TwoSizeFileOffsetsOfTheTopLeftPixels) {
    TestImage image(32, 32, green);
    image.fill(0, 0, 2, 2, 0xFF112233);
    convert(Format::Dual, encodeBmp(image));
    ASSERT_EQ(state.outputIcon.size(), 4150u);
    EXPECT_EQ((ByteBuffer(state.outputIcon.begin() + 798, state.outputIcon.begin() + 801)),
              (ByteBuffer{0x33, 0x22, 0x11}));
    EXPECT_EQ((ByteBuffer(state.outputIcon.begin() + 3926, state.outputIcon.begin() + 3929)),
              (ByteBuffer{0x33, 0x22, 0x11}));
}

TEST_F(Conversion, ChangingTheFormatAloneChangesNothingUntilTheNextSelection) {
    const TestImage a = quadrantImage(32, 32, red, green, blue, yellow);
    convert(Format::Size16, encodeBmp(a));
    const ByteBuffer pixels16 = state.pixels16;
    const ByteBuffer icon16 = state.outputIcon;

    setFormat(Format::Size32);
    EXPECT_EQ(state.outputIcon, icon16);

    chooseCancelled();
    EXPECT_TRUE(desktop.messages().empty());
    EXPECT_FALSE(window->图标画板1->isVisibleTo(window.get()));
    EXPECT_FALSE(window->标签1->isVisibleTo(window.get()));
    EXPECT_TRUE(window->图标画板2->isVisibleTo(window.get()));
    EXPECT_TRUE(window->标签2->isVisibleTo(window.get()));
    EXPECT_EQ(state.outputIcon.size(), 3262u);
    EXPECT_EQ(state.pixels16, pixels16) << "the 16x16 rows of the earlier conversion stay";
    expectQuadrants(*window->图标画板2, PictureKind::Bmp);
}

TEST_F(Conversion, TwoSizesTakeBothImagesFromThePictureOnTheFirstPreview) {
    // B converted as two sizes leaves B on 位图画板2; A converted as 16x16 replaces only
    // 位图画板1. Converting again as two sizes must not mix B's 32x32 image with A's 16x16 one.
    const ByteBuffer a = encodeBmp(quadrantImage(32, 32, red, green, blue, yellow));
    const ByteBuffer b = encodeBmp(TestImage(32, 32, 0xFF808080));
    convert(Format::Dual, b, "b.bmp");
    convert(Format::Size16, a, "a.bmp");
    EXPECT_EQ(window->位图画板2->backgroundPicture(), b);

    setFormat(Format::Dual);
    chooseCancelled();
    EXPECT_TRUE(desktop.messages().empty());
    EXPECT_EQ(window->位图画板2->backgroundPicture(), a);
    expectQuadrants(*window->图标画板1, PictureKind::Bmp);
    expectQuadrants(*window->图标画板2, PictureKind::Bmp);
    const auto expected = platform::convertPicture(*platform::decodeForConversion(a).picture,
                                                   platform::IconSizes::Dual);
    EXPECT_EQ(state.outputIcon, expected.icon);
}

TEST_F(Conversion, TwoSizesAfterASingleSizeWithNothingOnTheSecondPreview) {
    const ByteBuffer a = encodeBmp(quadrantImage(32, 32, red, green, blue, yellow));
    convert(Format::Size16, a);
    EXPECT_TRUE(window->位图画板2->backgroundPicture().empty());
    setFormat(Format::Dual);
    chooseCancelled();
    EXPECT_FALSE(plain(*window->图标画板2)) << "the 32x32 image is A's, not an empty board";
    expectQuadrants(*window->图标画板2, PictureKind::Bmp);
}

TEST_F(Conversion, TransparentIconPixelsKeepWhatTheResultBoardShowed) {
    convert(Format::Size16, encodeBmp(TestImage(16, 16, 0xFF204060)), "solid.bmp");
    const TestImage withHole = quadrantImage(16, 16, red, green, blue, yellow, true);
    convert(Format::Size16, encodeIco(withHole), "hole.ico");
    EXPECT_EQ(window->图标画板1->raster().pixel(12, 12), shown(0xFF204060));
    EXPECT_EQ(window->图标画板1->raster().pixel(4, 4), shown(red));

    window->清除->click();
    convert(Format::Size16, encodeIco(withHole), "hole2.ico");
    EXPECT_EQ(window->图标画板1->raster().pixel(12, 12), themeBackColor);
}

TEST_F(Conversion, TheKindIsToldFromTheBytesNotTheName) {
    convert(Format::Size32, encodePng(TestImage(8, 8, blue)), "looks-like.bmp");
    EXPECT_TRUE(desktop.messages().empty());
    EXPECT_EQ(window->图标画板2->raster().pixel(16, 16), shown(blue));
}

// ---- pictures that cannot be used ------------------------------------------------------------

struct Unusable {
    const char* name;
    ByteBuffer bytes;
    QString message;
};

void PrintTo(const Unusable& c, std::ostream* os) {
    *os << c.name;
}

class UnusablePicture : public MainWindowFixture, public ::testing::WithParamInterface<Unusable> {};

ByteBuffer hugeBmpHeader() {
    // A header declaring 70,000 x 1 pixels: beyond the decoder's limits.
    ByteBuffer b = encodeBmp(TestImage(1, 1, red));
    b[18] = 0x70;
    b[19] = 0x11;
    b[20] = 0x01;
    b[21] = 0x00;
    return b;
}

TEST_P(UnusablePicture, WarnsAndKeepsTheEarlierIcon) {
    const Unusable& c = GetParam();
    window->show();
    const ByteBuffer good = encodeBmp(quadrantImage(32, 32, red, green, blue, yellow));
    convert(Format::Size16, good, "good.bmp");
    const ProgramState before = state;
    const auto board1 = boardPixels(*window->图标画板1);
    const auto board2 = boardPixels(*window->图标画板2);

    convert(Format::Dual, c.bytes, c.name);
    ASSERT_EQ(desktop.messages().size(), 1u);
    EXPECT_EQ(desktop.lastMessage().text, c.message);
    EXPECT_EQ(desktop.lastMessage().title, warning);
    EXPECT_EQ(desktop.lastMessage().icon, platform::MessageIcon::Warning);
    EXPECT_EQ(state.outputIcon, before.outputIcon);
    EXPECT_EQ(state.pixels16, before.pixels16);
    EXPECT_EQ(state.pixels32, before.pixels32);
    EXPECT_EQ(boardPixels(*window->图标画板1), board1);
    EXPECT_EQ(boardPixels(*window->图标画板2), board2);
    EXPECT_TRUE(window->图标画板1->isVisibleTo(window.get()));
    EXPECT_TRUE(window->标签1->isVisibleTo(window.get()));
    EXPECT_FALSE(window->图标画板2->isVisibleTo(window.get()));
    EXPECT_FALSE(window->标签2->isVisibleTo(window.get()));

    // The preview drops bytes it cannot show once it repaints; the loaded picture is then gone.
    window->位图画板1->grab();
    EXPECT_TRUE(window->位图画板1->backgroundPicture().empty());
    chooseCancelled();
    EXPECT_EQ(desktop.lastMessage().text, noPicture);
    EXPECT_EQ(state.outputIcon, before.outputIcon) << "the earlier icon can still be saved";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnusablePicture,
    ::testing::Values(Unusable{"text", ByteBuffer{'h', 'e', 'l', 'l', 'o', '\n'}, notAPicture},
                      Unusable{"tiff", ByteBuffer{'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0}, notAPicture},
                      Unusable{"truncated_png",
                               ByteBuffer{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0},
                               notAPicture},
                      Unusable{"too_large", hugeBmpHeader(), tooLarge},
                      Unusable{"empty", ByteBuffer{}, noPicture}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Conversion, NotAPictureOnAFreshWindowLeavesItFresh) {
    convert(Format::Size32, ByteBuffer{'x', 'y', 'z'});
    EXPECT_EQ(desktop.lastMessage().text, notAPicture);
    EXPECT_TRUE(state.outputIcon.empty());
    EXPECT_TRUE(state.pixels32.empty());
    EXPECT_TRUE(plain(*window->图标画板2));
    EXPECT_FALSE(window->标签2->isVisibleTo(window.get()));
}

TEST_F(Conversion, AnUnreadableFileBlanksThePreviewAndKeepsTheIcon) {
    const ByteBuffer good = encodeBmp(TestImage(8, 8, red));
    convert(Format::Size32, good);
    const ByteBuffer icon = state.outputIcon;
    desktop.failNextRead();
    choose(pictureFile("unreadable.bmp", good));
    EXPECT_EQ(desktop.lastMessage().text, noPicture);
    EXPECT_TRUE(window->位图画板1->backgroundPicture().empty());
    EXPECT_EQ(state.outputIcon, icon);
    EXPECT_TRUE(window->标签2->isVisibleTo(window.get()));
}

}  // namespace
}  // namespace icogen::test::mainwin
