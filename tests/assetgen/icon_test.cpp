// The desktop icon: every size is square, opaque and shows the hero; the files
// land where the icon theme looks and say their size.
#include "icon.h"

#include <filesystem>

#include "palette.h"
#include "test_util.h"

namespace {

// width and height from a PNG file's header, or (0, 0) when it is not one
std::pair<int, int> png_size(const std::string& path) {
    std::string b = read_file(path);
    if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
    auto be32 = [&](std::size_t at) {
        return (static_cast<unsigned char>(b[at]) << 24) |
               (static_cast<unsigned char>(b[at + 1]) << 16) |
               (static_cast<unsigned char>(b[at + 2]) << 8) | static_cast<unsigned char>(b[at + 3]);
    };
    return {static_cast<int>(be32(16)), static_cast<int>(be32(20))};
}

}  // namespace

TEST(Icon, EverySizeIsOpaqueAndShowsTheHeroBeforeTheDoor) {
    build_palette();
    for (int size : ICON_SIZES) {
        Canvas c = icon_picture(size);
        ASSERT_EQ(size, c.width);
        ASSERT_EQ(size, c.height);
        int transparent = 0, tunic = 0, ground = 0;
        for (std::uint8_t p : c.pixels) {
            transparent += p == PAL_TRANSPARENT;
            tunic += p >= RAMP_CLOTH.first && p < RAMP_CLOTH.first + RAMP_CLOTH.count;
            ground += p == PAL_GROUND;
        }
        EXPECT_EQ(0, transparent) << size;
        EXPECT_GT(tunic, 0) << size;
        EXPECT_GT(ground, size / 2) << size;
    }
    EXPECT_EQ(0, icon_picture(15).width);
}

TEST(Icon, FilesGoIntoTheHicolorFoldersAtTheirSizes) {
    std::string dir = temp_path("icons");
    std::filesystem::remove_all(dir);
    std::string failed;
    ASSERT_EQ(1, write_icons(dir, &failed)) << failed;
    for (int size : ICON_SIZES) {
        std::string n = std::to_string(size);
        std::string path = dir + "/hicolor/" + n + "x" + n + "/apps/vantorel17.png";
        EXPECT_EQ(std::make_pair(size, size), png_size(path)) << path;
    }
    // a file where a folder must go
    std::string blocked = temp_path("blocked");
    std::filesystem::remove_all(blocked);
    write_file(blocked, "x");
    EXPECT_EQ(0, write_icons(blocked, &failed));
    EXPECT_NE(std::string::npos, failed.find("16x16")) << failed;
}
