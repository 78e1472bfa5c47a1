// TGA reading and writing: file bytes, round trips, refused files, and what other programs
// (ImageMagick, ffmpeg) see in the files the writer makes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/fatalerror.h"
#include "core/image.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

// A TGA file image: the 18-byte header, an optional image-ID field, then the pixel bytes.
Bytes tgaFile(uint8_t type, uint32_t width, uint32_t height, uint8_t bits, const Bytes& pixels,
              const Bytes& id = {}, uint8_t colourMapType = 0) {
    Bytes file(18, 0);
    file[0] = static_cast<uint8_t>(id.size());
    file[1] = colourMapType;
    file[2] = type;
    file[12] = width % 256;
    file[13] = width / 256;
    file[14] = height % 256;
    file[15] = height / 256;
    file[16] = bits;
    file.insert(file.end(), id.begin(), id.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool haveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string runAndRead(const std::string& command, const fs::path& out) {
    if (std::system((command + " >" + out.string() + " 2>/dev/null").c_str()) != 0) return "";
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("velmo_image_test_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    // An RGB image, rows bottom first, filled with distinct colours.
    static Image rgbImage(uint32_t width, uint32_t height) {
        Image image;
        image.header[2] = 2;
        image.imageWidth = width;
        image.imageHeight = height;
        image.imageBits = 24;
        image.imageSize = width * height;
        for (uint32_t p = 0; p < width * height * 3; ++p)
            image.imageData.push_back(static_cast<uint8_t>(p * 37 + 11));
        return image;
    }

    // Loads a file, returning what the load printed.
    static std::string load(Image& image, const std::string& file, bool& result) {
        ::testing::internal::CaptureStdout();
        result = image.loadTGA(file);
        return ::testing::internal::GetCapturedStdout();
    }

    static std::string write(Image& image, const std::string& file, bool& result) {
        ::testing::internal::CaptureStdout();
        result = image.writeTGA(file);
        return ::testing::internal::GetCapturedStdout();
    }

    fs::path dir;
};

}  // namespace

TEST_F(ImageFiles, LoadsTrueColourAsRgbWithItsMessages) {
    // Two pixels in file order (B, G, R): red, then a blue-green.
    writeFile(path("a.tga"), tgaFile(2, 2, 1, 24, {0, 0, 255, 200, 100, 0}));
    Image image;
    bool ok = false;
    const std::string out = load(image, path("a.tga"), ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(out, "Image.loadTGA:" + path("a.tga") +
                       "TGA header: 0 0 2 0 0 0 0 0 0 0 0 0 2 0 1 0 24 0 \n"
                       "image width: 2 height: 1\n"
                       "image bits: 24\n");
    EXPECT_EQ(image.imageData, (Bytes{255, 0, 0, 0, 100, 200}));
    EXPECT_EQ(image.format, static_cast<uint32_t>(GL_RGB));
    EXPECT_EQ(image.imageSize, 2u);
}

TEST_F(ImageFiles, LoadsThirtyTwoAndEightBits) {
    writeFile(path("rgba.tga"), tgaFile(2, 1, 2, 32, {1, 2, 3, 4, 5, 6, 7, 8}));
    writeFile(path("grey.tga"), tgaFile(3, 3, 1, 8, {9, 8, 7}));
    Image rgba, grey;
    bool ok = false;
    load(rgba, path("rgba.tga"), ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(rgba.imageData, (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
    EXPECT_EQ(rgba.format, static_cast<uint32_t>(GL_RGBA));
    load(grey, path("grey.tga"), ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(grey.imageData, (Bytes{9, 8, 7}));
    EXPECT_EQ(grey.format, static_cast<uint32_t>(GL_ALPHA));
}

TEST_F(ImageFiles, SkipsTheImageIdOnLoadAndKeepsItOnWrite) {
    const Bytes file = tgaFile(2, 1, 1, 24, {30, 20, 10}, {'v', 'l', 'm'});
    writeFile(path("id.tga"), file);
    Image image;
    bool ok = false;
    load(image, path("id.tga"), ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(image.imageData, (Bytes{10, 20, 30}));
    write(image, path("copy.tga"), ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(readFile(path("copy.tga")), file);
}

TEST_F(ImageFiles, WritesStandardHeaderAndBgrPixels) {
    Image image = rgbImage(2, 1);
    image.imageData = {10, 20, 30, 40, 50, 60};
    bool ok = false;
    const std::string out = write(image, path("w.tga"), ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(out, "...file writing succeeded\n");
    EXPECT_EQ(readFile(path("w.tga")), tgaFile(2, 2, 1, 24, {30, 20, 10, 60, 50, 40}));
}

TEST_F(ImageFiles, WritingLeavesPixelsAloneSoTwoWritesAreEqual) {
    Image image = rgbImage(5, 3);
    const Bytes before = image.imageData;
    bool ok1 = false, ok2 = false;
    write(image, path("1.tga"), ok1);
    write(image, path("2.tga"), ok2);
    ASSERT_TRUE(ok1 && ok2);
    EXPECT_EQ(image.imageData, before);
    EXPECT_EQ(readFile(path("1.tga")), readFile(path("2.tga")));
}

TEST_F(ImageFiles, RoundTripKeepsEverything) {
    for (uint8_t bits : {24, 32, 8}) {
        const uint32_t bpp = bits / 8;
        Image image = rgbImage(7, 4);
        image.imageBits = bits;
        image.header[2] = bits == 8 ? 3 : 2;
        image.imageData.resize(7 * 4 * bpp);
        bool ok = false;
        write(image, path("rt.tga"), ok);
        ASSERT_TRUE(ok) << int(bits);
        Image back;
        load(back, path("rt.tga"), ok);
        ASSERT_TRUE(ok) << int(bits);
        EXPECT_EQ(back.imageData, image.imageData) << int(bits);
        EXPECT_EQ(back.imageWidth, 7u);
        EXPECT_EQ(back.imageHeight, 4u);
        EXPECT_EQ(back.imageBits, bits);
    }
}

TEST_F(ImageFiles, WriteUsesTheRealSizeNotTheTemplates) {
    // Capture in full screen: an 800 x 408 frame goes into the 800 x 340 template.
    writeFile(path("template.tga"), tgaFile(2, 800, 340, 24, Bytes(800 * 340 * 3, 0)));
    Image image;
    bool ok = false;
    load(image, path("template.tga"), ok);
    ASSERT_TRUE(ok);
    image.imageWidth = 800;
    image.imageHeight = 408;
    image.imageSize = 800 * 408;
    image.imageData.assign(800 * 408 * 3, 77);
    write(image, path("frame.tga"), ok);
    ASSERT_TRUE(ok);
    const Bytes file = readFile(path("frame.tga"));
    ASSERT_EQ(file.size(), 18u + 800 * 408 * 3);
    EXPECT_EQ(file[12] + 256 * file[13], 800);
    EXPECT_EQ(file[14] + 256 * file[15], 408);
}

TEST_F(ImageFiles, RefusesSixteenBits) {
    writeFile(path("16.tga"), tgaFile(2, 2, 2, 16, Bytes(8, 1)));
    Image image;
    bool ok = true;
    const std::string out = load(image, path("16.tga"), ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(out.find("image width: 2 height: 2\n"), std::string::npos) << out;
    EXPECT_NE(out.find("TGA_BAD_OR_UNSUPPORTED_BITS: " + path("16.tga") + " has 16 bits\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("image bits:"), std::string::npos);
    EXPECT_TRUE(image.imageData.empty());
}

TEST_F(ImageFiles, RefusesCompressedAndColourMappedFiles) {
    writeFile(path("rle.tga"), tgaFile(10, 2, 2, 24, Bytes(12, 1)));
    writeFile(path("mapped.tga"), tgaFile(1, 2, 2, 8, Bytes(4, 1), {}, 1));
    writeFile(path("mapped2.tga"), tgaFile(2, 2, 2, 24, Bytes(12, 1), {}, 1));
    for (const char* name : {"rle.tga", "mapped.tga", "mapped2.tga"}) {
        Image image;
        bool ok = true;
        const std::string out = load(image, path(name), ok);
        EXPECT_FALSE(ok) << name;
        EXPECT_NE(out.find("TGA_BAD_IMAGE_TYPE: " + path(name) + "\n"), std::string::npos) << out;
        EXPECT_EQ(out.find("image width"), std::string::npos) << out;
        EXPECT_TRUE(image.imageData.empty());
    }
}

TEST_F(ImageFiles, FileShorterThanItsHeaderAnnouncesIsRefusedBeforeAllocating) {
    const Bytes full = tgaFile(2, 4, 4, 24, Bytes(48, 9));
    writeFile(path("cut.tga"), Bytes(full.begin(), full.begin() + 18 + 10));
    // 17 bytes of header announcing 1289 x 65028 pixels: 251 MB for a 17-byte file.
    const Bytes huge = tgaFile(2, 1289, 65028, 24, {});
    writeFile(path("short.tga"), Bytes(huge.begin(), huge.begin() + 17));
    for (const char* name : {"cut.tga", "short.tga"}) {
        Image image;
        bool ok = true;
        const std::string out = load(image, path(name), ok);
        EXPECT_FALSE(ok) << name;
        EXPECT_NE(out.find("TGA_TRUNCATED: " + path(name) + " holds "), std::string::npos) << out;
        EXPECT_EQ(image.imageData.capacity(), 0u) << name;
        EXPECT_THROW(Image{path(name)}, FatalError) << name;
    }

    // A file shorter than the header reads as an all-zero header: image type 0 is refused.
    writeFile(path("tiny.tga"), {0, 0});
    Image tiny;
    bool ok = true;
    const std::string out = load(tiny, path("tiny.tga"), ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(out.find("TGA_BAD_IMAGE_TYPE: "), std::string::npos);
}

TEST_F(ImageFiles, ZeroWidthLoadsWithNoPixels) {
    writeFile(path("empty.tga"), tgaFile(2, 0, 5, 24, {}));
    Image image;
    bool ok = false;
    load(image, path("empty.tga"), ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(image.imageData.empty());
}

TEST_F(ImageFiles, RefusedTemplateIsFatalAndNamesTheFile) {
    writeFile(path("rle.tga"), tgaFile(10, 2, 2, 24, Bytes(12, 1)));
    ::testing::internal::CaptureStdout();
    try {
        Image image(path("rle.tga"));
        ADD_FAILURE() << "no error for a refused file";
    } catch (const FatalError& e) {
        EXPECT_NE(std::string(e.what()).find(path("rle.tga")), std::string::npos) << e.what();
    }
    ::testing::internal::GetCapturedStdout();
}

TEST_F(ImageFiles, HugeSizesAreRefusedNotAllocated) {
    writeFile(path("huge.tga"), tgaFile(2, 65535, 65535, 32, {}));
    Image image;
    bool ok = true;
    load(image, path("huge.tga"), ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(image.imageData.empty());
}

TEST_F(ImageFiles, MissingFileIsFatalAndNamesIt) {
    Image image;
    ::testing::internal::CaptureStdout();
    try {
        image.loadTGA(path("absent.tga"));
        ADD_FAILURE() << "no error for a missing file";
    } catch (const FatalError& e) {
        EXPECT_NE(std::string(e.what()).find(path("absent.tga")), std::string::npos) << e.what();
    }
    ::testing::internal::GetCapturedStdout();
    EXPECT_THROW(Image{path("absent.tga")}, FatalError);
}

TEST_F(ImageFiles, EmptyImageWritesNoFile) {
    Image image;
    bool ok = true;
    const std::string out = write(image, path("none.tga"), ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(out, "No data : imagedata is empty.\n");
    EXPECT_FALSE(fs::exists(path("none.tga")));
}

TEST_F(ImageFiles, EightBitsAreWrittenUnswapped) {
    Image image = rgbImage(3, 1);
    image.imageBits = 8;
    image.header[2] = 3;
    image.imageData = {1, 2, 3};
    bool ok = false;
    const std::string out = write(image, path("8.tga"), ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(out, "...file writing succeeded\n");
    EXPECT_EQ(readFile(path("8.tga")), tgaFile(3, 3, 1, 8, {1, 2, 3}));
}

TEST_F(ImageFiles, HeaderDescribesWhatIsWrittenWhateverItHeld) {
    // No template (all-zero header), a grey template under 24 bits, a colour-mapped one.
    struct Case { uint8_t heldType, heldMap, bits; };
    for (const Case c : {Case{0, 0, 24}, Case{3, 0, 24}, Case{2, 0, 8}, Case{1, 1, 32}}) {
        Image image = rgbImage(3, 2);
        image.header = {};
        image.header[1] = c.heldMap;
        image.header[2] = c.heldType;
        image.header[5] = 7;  // a colour-map length
        image.imageBits = c.bits;
        image.imageData.resize(3 * 2 * c.bits / 8);
        bool ok = false;
        write(image, path("w.tga"), ok);
        ASSERT_TRUE(ok);
        const Bytes file = readFile(path("w.tga"));
        EXPECT_EQ(file[1], 0) << int(c.heldType);
        EXPECT_EQ(file[2], c.bits == 8 ? 3 : 2) << int(c.heldType);
        EXPECT_EQ(file[5], 0) << int(c.heldType);
        EXPECT_EQ(file[17] & 0x0F, c.bits == 32 ? 8 : 0) << int(c.heldType);
        Image back;
        load(back, path("w.tga"), ok);
        ASSERT_TRUE(ok) << int(c.heldType);
        EXPECT_EQ(back.imageData, image.imageData);
    }
}

TEST_F(ImageFiles, ImagesThatCannotBeDescribedWriteNoFile) {
    Image wrongDepth = rgbImage(2, 2);
    wrongDepth.imageBits = 16;
    Image shortData = rgbImage(2, 2);
    shortData.imageData.pop_back();
    Image tooWide = rgbImage(1, 1);
    tooWide.imageWidth = 65536 * 3;  // 16 bits cannot hold it, even if the bytes fit
    tooWide.imageHeight = 1;
    tooWide.imageData.resize(65536 * 9);
    for (Image* image : {&wrongDepth, &shortData, &tooWide}) {
        bool ok = true;
        const std::string out = write(*image, path("no.tga"), ok);
        EXPECT_FALSE(ok) << out;
        EXPECT_EQ(out.find("succeeded"), std::string::npos) << out;
        EXPECT_FALSE(fs::exists(path("no.tga"))) << out;
    }
    bool ok = true;
    EXPECT_EQ(write(wrongDepth, path("no.tga"), ok), "file not saved - wrong imageBits:16\n");
}

TEST_F(ImageFiles, WriteFailuresAreReportedWithTheFileName) {
    Image image = rgbImage(64, 64);
    const Bytes before = image.imageData;
    bool ok = true;
    const std::string noDir = path("no/such/dir.tga");
    std::string out = write(image, noDir, ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(out.find(noDir), std::string::npos) << out;

    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to simulate a full disk";
    ok = true;
    out = write(image, "/dev/full", ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(out.find("/dev/full"), std::string::npos) << out;
    EXPECT_EQ(out.find("succeeded"), std::string::npos) << out;
    EXPECT_EQ(image.imageData, before);
}

TEST_F(ImageFiles, ImageMagickSeesTheColoursPutIn) {
    if (!haveTool("identify") || !haveTool("convert")) GTEST_SKIP() << "ImageMagick not installed";
    // 3 x 2, rows bottom first in memory: bottom row red, green, blue; top row white, grey, black.
    Image image = rgbImage(3, 2);
    image.imageData = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 128, 128, 128, 0, 0, 0};
    bool ok = false;
    write(image, path("im.tga"), ok);
    ASSERT_TRUE(ok);

    const std::string info =
        runAndRead("identify -format '%w %h %z %[orientation]' " + path("im.tga"), dir / "id.txt");
    EXPECT_EQ(info, "3 2 8 BottomLeft");
    // ImageMagick lists rows in file order unless asked to apply the bottom-left origin.
    const std::string text =
        runAndRead("convert " + path("im.tga") + " -auto-orient -depth 8 txt:-", dir / "px.txt");
    EXPECT_NE(text.find("0,0: (255,255,255)"), std::string::npos) << text;
    EXPECT_NE(text.find("1,0: (128,128,128)"), std::string::npos) << text;
    EXPECT_NE(text.find("2,0: (0,0,0)"), std::string::npos) << text;
    EXPECT_NE(text.find("0,1: (255,0,0)"), std::string::npos) << text;
    EXPECT_NE(text.find("1,1: (0,255,0)"), std::string::npos) << text;
    EXPECT_NE(text.find("2,1: (0,0,255)"), std::string::npos) << text;
}

TEST_F(ImageFiles, FfmpegSeesTheColoursPutIn) {
    if (!haveTool("ffmpeg") || !haveTool("ffprobe")) GTEST_SKIP() << "ffmpeg not installed";
    Image image = rgbImage(4, 3);
    bool ok = false;
    write(image, path("ff.tga"), ok);
    ASSERT_TRUE(ok);

    const std::string probe = runAndRead(
        "ffprobe -v error -show_entries stream=width,height -of csv=p=0 " + path("ff.tga"), dir / "probe.txt");
    EXPECT_EQ(probe, "4,3\n");
    ASSERT_EQ(std::system(("ffmpeg -v error -y -i " + path("ff.tga") + " -f rawvideo -pix_fmt rgb24 " +
                           path("ff.rgb"))
                              .c_str()),
              0);
    // ffmpeg gives rows top first; memory holds them bottom first.
    const Bytes raw = readFile(path("ff.rgb"));
    Bytes expected;
    for (int row = 2; row >= 0; --row)
        expected.insert(expected.end(), image.imageData.begin() + row * 12, image.imageData.begin() + row * 12 + 12);
    EXPECT_EQ(raw, expected);
}

TEST(ImagePixels, SwapsExchangeTheirTwoBytes) {
    Image image;
    image.imageBits = 32;
    image.imageSize = 2;
    image.imageData = {1, 2, 3, 4, 5, 6, 7, 8};
    image.swapBR();
    EXPECT_EQ(image.imageData, (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
    image.swapRG();
    EXPECT_EQ(image.imageData, (Bytes{2, 3, 1, 4, 6, 7, 5, 8}));

    image.imageBits = 8;
    ::testing::internal::CaptureStdout();
    image.swapBR();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "can't swap one channel TGA\n");
    EXPECT_EQ(image.imageData, (Bytes{2, 3, 1, 4, 6, 7, 5, 8}));
}

TEST(ImagePixels, ClearFillsEveryPixelByte) {
    Image image;
    ::testing::internal::CaptureStdout();
    image.clear(5);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "TGAbadData in this Image for clear() -- imageData empty\n");

    image.imageBits = 24;
    image.imageSize = 2;
    image.imageData = Bytes(6, 1);
    image.clear(200);
    EXPECT_EQ(image.imageData, Bytes(6, 200));

    image.imageBits = 12;
    ::testing::internal::CaptureStdout();
    image.clear(0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "TGA_Bad imagebits: 12\n");
    EXPECT_EQ(image.imageData, Bytes(6, 200));
}

TEST(ImagePixels, ColorizeSkipsPixelsWithAFullChannel) {
    Image image;
    image.imageBits = 32;
    image.imageSize = 3;
    image.imageData = {10, 10, 10, 99, 255, 0, 0, 98, 0, 0, 254, 97};
    image.colorize(1, 2, 3);
    EXPECT_EQ(image.imageData, (Bytes{1, 2, 3, 99, 255, 0, 0, 98, 1, 2, 3, 97}));

    image.imageBits = 8;
    ::testing::internal::CaptureStdout();
    image.colorize(0, 0, 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "can't colorize 8 bit - one color channel images\n");

    Image empty;
    ::testing::internal::CaptureStdout();
    empty.colorize(0, 0, 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "TGAbadData in this Image for Colorize -- imageData empty\n");
}

TEST(ImagePixels, CheckSizeAcceptsPowersOfTwoUpTo512) {
    Image image;
    int accepted = 0;
    for (int size = -4; size <= 2048; ++size) {
        const bool power = size >= 2 && size <= 512 && (size & (size - 1)) == 0;
        EXPECT_EQ(image.checkSize(size), power) << size;
        accepted += image.checkSize(size);
    }
    EXPECT_EQ(accepted, 9);
}
