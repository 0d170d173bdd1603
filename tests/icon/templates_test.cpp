#include <gtest/gtest.h>

#include <map>
#include <string>

#include "icon/icon_file.h"

namespace icogen::icon {
namespace {

struct TemplateCase {
    std::string name;
    std::span<const std::uint8_t> bytes;
    std::size_t length;
    std::map<std::size_t, std::uint8_t> nonZero;
};

std::vector<TemplateCase> templateCases() {
    return {
        {"template16", template16(), 894,
         {{2, 1}, {4, 1}, {6, 16}, {7, 16}, {14, 0x68}, {15, 0x03}, {18, 22}, {22, 40}, {26, 16},
          {30, 32}, {34, 1}, {36, 24}, {42, 0x40}, {43, 0x03}}},
        {"template32", template32(), 3262,
         {{2, 1}, {4, 1}, {6, 32}, {7, 32}, {14, 0xA8}, {15, 0x0C}, {18, 22}, {22, 40}, {26, 32},
          {30, 64}, {34, 1}, {36, 24}, {42, 0x80}, {43, 0x0C}}},
        {"templateDual", templateDual(), 4150,
         {{2, 1},     {4, 2},      {6, 16},     {7, 16},    {14, 0x68}, {15, 0x03},  {18, 38},
          {22, 32},   {23, 32},    {30, 0xA8},  {31, 0x0C}, {34, 0x8E}, {35, 0x03},  {38, 40},
          {42, 16},   {46, 32},    {50, 1},     {52, 24},   {58, 0x40}, {59, 0x03},  {910, 40},
          {914, 32},  {918, 64},   {922, 1},    {924, 24},  {930, 0x80}, {931, 0x0C}}},
    };
}

TEST(IconTemplates, EveryNonZeroByteIsAHeaderByteListedForItsTemplate) {
    for (const auto& t : templateCases()) {
        SCOPED_TRACE(t.name);
        ASSERT_EQ(t.bytes.size(), t.length);
        std::map<std::size_t, std::uint8_t> found;
        for (std::size_t i = 0; i < t.bytes.size(); ++i)
            if (t.bytes[i] != 0) found[i] = t.bytes[i];
        EXPECT_EQ(found, t.nonZero);
    }
}

TEST(IconTemplates, LieEndToEndInOneBlockAtTheirPositions) {
    ASSERT_EQ(iconTemplates.size(), 8306u);
    EXPECT_EQ(template16().data(), iconTemplates.data());
    EXPECT_EQ(template32().data(), iconTemplates.data() + 894);
    EXPECT_EQ(templateDual().data(), iconTemplates.data() + 4156);
    EXPECT_EQ(transparentFill, (std::array<std::uint8_t, 3>{0, 0, 0}));
}

struct AddressCase {
    const char* name;
    const ImageLayout* image;
    int c, r;
    std::size_t blue;
    std::size_t maskByte;
    std::uint8_t maskValue;
};

TEST(IconAddressing, PixelAndMaskBitOfCornerPixels) {
    const AddressCase cases[] = {
        {"16 top-left", &layout16, 0, 0, 782, 890, 0x80},
        {"16 bottom-left", &layout16, 0, 15, 62, 830, 0x80},
        {"16 top-right", &layout16, 15, 0, 827, 891, 0x01},
        {"16 bottom-right", &layout16, 15, 15, 107, 831, 0x01},
        {"32 top-left", &layout32, 0, 0, 3038, 3258, 0x80},
        {"32 top-right", &layout32, 31, 0, 3131, 3261, 0x01},
        {"32 bottom-right", &layout32, 31, 31, 155, 3137, 0x01},
        {"32 column 24", &layout32, 24, 0, 3038 + 72, 3261, 0x80},
        {"dual 16 top-left", &layoutDual16, 0, 0, 798, 906, 0x80},
        {"dual 32 top-left", &layoutDual32, 0, 0, 3926, 4146, 0x80},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(pixelAddress(*t.image, t.c, t.r), t.blue);
        const MaskBit bit = maskBitAddress(*t.image, t.c, t.r);
        EXPECT_EQ(bit.byte, t.maskByte);
        EXPECT_EQ(bit.value, t.maskValue);
    }
}

TEST(IconAddressing, MaskRowBitNumbersFollowTheByteOrder) {
    const std::pair<int, int> cases[] = {{1, 7},  {8, 0},  {9, 15},  {16, 8},
                                         {17, 23}, {24, 16}, {25, 31}, {32, 24}};
    for (auto [x, bit] : cases) EXPECT_EQ(maskRowBit(x), bit) << "x = " << x;
}

ByteBuffer rows(std::size_t n, std::uint8_t seed) {
    ByteBuffer b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return b;
}

TEST(FillTemplate, PutsPixelRowsAtTheXorBitmapAndNothingElse) {
    const ByteBuffer p16 = rows(768, 3), p32 = rows(3072, 5);
    struct Case {
        const char* name;
        ByteBuffer file;
        std::span<const std::uint8_t> base;
        std::vector<std::pair<std::size_t, const ByteBuffer*>> patches;
    } cases[] = {
        {"16", fillTemplate16(p16), template16(), {{62, &p16}}},
        {"32", fillTemplate32(p32), template32(), {{62, &p32}}},
        {"dual", fillTemplateDual(p16, p32), templateDual(), {{78, &p16}, {950, &p32}}},
    };
    for (auto& t : cases) {
        SCOPED_TRACE(t.name);
        ByteBuffer expected(t.base.begin(), t.base.end());
        for (auto [at, src] : t.patches) std::copy(src->begin(), src->end(), expected.begin() + at);
        EXPECT_EQ(t.file, expected);
    }
}

TEST(FillTemplate, RowsOfTheWrongLengthLeaveTheImageBlack) {
    const ByteBuffer shortRows(100, 0xAB);
    const ByteBuffer file = fillTemplate16(shortRows);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), template16().begin()));
}

TEST(TwoImageAssembly, FreshOneImageFilesGiveTemplateDualByteForByte) {
    ByteBuffer dual = fillTemplateDual(rows(768, 1), rows(3072, 2));  // holds other pixels first
    const ByteBuffer icon16(template16().begin(), template16().end());
    const ByteBuffer icon32(template32().begin(), template32().end());
    putImageBlocks(dual, icon16, icon32);
    EXPECT_TRUE(std::equal(dual.begin(), dual.end(), templateDual().begin(), templateDual().end()));
}

TEST(TwoImageAssembly, CarriesBothImagesPixelsAndMasks) {
    ByteBuffer icon16 = fillTemplate16(rows(768, 9));
    ByteBuffer icon32 = fillTemplate32(rows(3072, 4));
    patchWorkIcon(icon16, 1, 1, 1, true, 0);
    patchWorkIcon(icon32, 2, 1, 32, true, 0);
    ByteBuffer dual(templateDual().begin(), templateDual().end());
    putImageBlocks(dual, icon16, icon32);
    ASSERT_EQ(dual.size(), 4150u);
    EXPECT_TRUE(std::equal(icon16.begin() + 22, icon16.end(), dual.begin() + 38));
    EXPECT_TRUE(std::equal(icon32.begin() + 22, icon32.end(), dual.begin() + 910));
    EXPECT_EQ(dual[906], 0x80);   // 16x16 top-left mask bit
    EXPECT_EQ(dual[4022], 0x80);  // 32x32 bottom-left mask bit
}

TEST(TwoImageAssembly, AOneImageFileIsReplacedByATwoImageFileFirst) {
    ByteBuffer notDual = fillTemplate16(rows(768, 1));
    const ByteBuffer icon16 = fillTemplate16(rows(768, 2));
    const ByteBuffer icon32 = fillTemplate32(rows(3072, 3));
    putImageBlocks(notDual, icon16, icon32);
    EXPECT_TRUE(isTwoImageFile(notDual));
    EXPECT_EQ(notDual, fillTemplateDual(rows(768, 2), rows(3072, 3)));
}

}  // namespace
}  // namespace icogen::icon
