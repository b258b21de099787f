#include "platform/formats/png_file.h"

#include <png.h>

#include <filesystem>

#include "test_util.h"

namespace {

// Reads a PNG back as 8-bit RGB; empty when it cannot.
std::vector<std::uint8_t> read_rgb(const std::string& path, int* w, int* h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    *w = static_cast<int>(image.width);
    *h = static_cast<int>(image.height);
    return rgb;
}

}  // namespace

TEST(PngFile, IndexedFramesRoundTripThroughTheirPalette) {
    std::uint8_t pixels[2 * 32] = {};  // 3 x 2 pixels in rows 32 bytes apart
    pixels[0] = 1;
    pixels[2] = 2;
    pixels[32 + 1] = 255;
    std::uint8_t palette[768] = {};
    palette[3] = 10, palette[4] = 20, palette[5] = 30;
    palette[6] = 200;
    palette[765] = 1, palette[766] = 2, palette[767] = 3;
    std::string path = temp_path("f.png");
    ASSERT_EQ(1, write_png8(path.c_str(), pixels, 32, 3, 2, palette));
    int w = 0, h = 0;
    std::vector<std::uint8_t> rgb = read_rgb(path, &w, &h);
    ASSERT_EQ(3, w);
    ASSERT_EQ(2, h);
    EXPECT_EQ(
        (std::vector<std::uint8_t>{10, 20, 30, 0, 0, 0, 200, 0, 0, 0, 0, 0, 1, 2, 3, 0, 0, 0}),
        rgb);
    EXPECT_EQ(0, write_png8("/nonexistent-dir/f.png", pixels, 32, 3, 2, palette));
    EXPECT_EQ(0, write_png8(path.c_str(), pixels, 2, 3, 2, palette));
}

TEST(PngFile, HeadlessRunWritesEveryNthPresentedFrame) {
    std::string dir = temp_path("shots");
    std::filesystem::remove_all(dir);
    RunResult r = run_game("--headless --frames 4 --shots " + dir + " --shot-every 3");
    ASSERT_EQ(0, r.exit_code) << r.output;
    // Frames 0 to 5 (4, the one that sees Escape, the one that takes WM_DESTROY).
    for (int n : {0, 3}) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06d.png", n);
        int w = 0, h = 0;
        std::vector<std::uint8_t> rgb = read_rgb(dir + name, &w, &h);
        EXPECT_EQ(1280, w) << name;
        EXPECT_EQ(1024, h);
        EXPECT_EQ(std::vector<std::uint8_t>(rgb.size(), 0), rgb) << "a cleared black frame";
    }
    std::size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) files += e.is_regular_file();
    EXPECT_EQ(2u, files);
    EXPECT_EQ(2, run_game("--headless --frames 2 --shots " + dir + " --shot-every 0").exit_code);
}

// Each kept frame is written once, whether or not a trace reads the screen
// after every frame: the count the run reports is the count of files.
TEST(PngFile, EveryKeptFrameIsWrittenOnceWithOrWithoutTrace) {
    for (const char* trace : {"", " --trace /dev/null"}) {
        std::string dir = temp_path("shots_once");
        std::filesystem::remove_all(dir);
        RunResult r = run_game("--headless --frames 10 --shots " + dir + trace);
        ASSERT_EQ(0, r.exit_code) << r.output;
        std::size_t files = 0;
        for (auto& e : std::filesystem::directory_iterator(dir)) files += e.is_regular_file();
        EXPECT_EQ(12u, files) << trace;  // passes 0..11: 10, then Escape's two
        // the folder as the game names it: absolute by the system's rules
        std::string shown = std::filesystem::absolute(dir).string();
        EXPECT_NE(std::string::npos, r.output.find("wrote 12 frames to " + shown)) << r.output;
    }
}
