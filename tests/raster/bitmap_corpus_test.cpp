// Bitmaps as paint programs write them: Pillow and ImageMagick write small
// pictures of every kind into the test's scratch folder, with a few run-length
// and masked files coded by hand, and each is loaded and compared with what
// Pillow reads from the same file: indices and colour table of 1- to 8-bit
// files, the colour of every pixel in the display's 16-bit formats for the
// others. Skipped where Pillow (or, for its part, ImageMagick) is not installed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/display.h"
#include "raster/bitmap.h"
#include "test_util.h"

namespace {

// Writes the pictures with Pillow (and convert, when its path is given) and,
// beside each, the picture that Pillow reads from it.
const char* kCorpusScript = R"py(
# cases.txt: one line per file: its name, then "index", "colour", "refused"
# (Pillow cannot read it) or "unusual" (Pillow cannot read its masks).
# name.ref: width and height (int32), then for "index" the indices, the colour
# of every pixel and the colour table, for "colour" the colour of every pixel
# (red, green, blue bytes).
import os, struct, subprocess, sys
from PIL import Image

out, convert = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else ""
W, H = 13, 7
cases = []

def picture(colours, mode="RGB"):  # mode "P": the colours are its palette
    im = Image.new(mode, (W, H))
    n = len(colours)
    if mode == "P":
        im.putpalette([v for c in colours for v in c])
        colours = list(range(n))
    im.putdata([colours[(3 * x + 5 * y + x * y) % n] for y in range(H) for x in range(W)])
    return im

def spread(n, seed):
    return [((i * 97 + seed) % 256, (i * 57 + 3 * seed) % 256, (i * 31 + 7 * seed) % 256) for i in range(n)]

def ref(name, unusual=False):  # unusual: masks Pillow does not read
    path = os.path.join(out, name)
    try:
        im = Image.open(path)
        im.load()
    except Exception:
        cases.append(name + (" unusual" if unusual else " refused"))
        return
    head = struct.pack("<ii", *im.size)
    rgb = im.convert("RGB").tobytes()
    if im.mode in ("P", "L", "1"):
        idx = bytes(v // 255 if im.mode == "1" else v for v in im.getdata())
        table = bytes(im.getpalette() or []) if im.mode == "P" else b""
        data, kind = head + idx + rgb + table, "index"
    else:
        data, kind = head + rgb, "colour"
    open(path + ".ref", "wb").write(data)
    cases.append(name + " " + kind)

def save(im, name, **kw):
    im.save(os.path.join(out, name), **kw)
    ref(name)

def stream_bmp(name, bits, coding, stream, colours, masks=b""):
    table = masks + b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    off = 14 + 40 + len(table)
    head = struct.pack("<IiiHHIIiiII", 40, W, H, 1, bits, coding, len(stream), 2835, 2835, len(colours), 0)
    data = b"BM" + struct.pack("<IHHI", off + len(stream), 0, 0, off) + head + table + stream
    open(os.path.join(out, name), "wb").write(data)
    ref(name)

def rle(rows, four):  # rows bottom first; runs, literal stretches, row ends, the end mark
    s = bytearray()
    for row in rows:
        x = 0
        while x < len(row):
            n = 1
            while x + n < len(row) and n < 255 and row[x + n] == row[x]: n += 1
            if n >= 2 or len(row) - x < 3:
                s += bytes((n, row[x] * 17 if four else row[x]))
            else:
                n = min(len(row) - x, 6)
                lit = row[x:x + n]
                if four:
                    lit = lit + [0] * (n % 2)
                    body = bytes(lit[i] << 4 | lit[i + 1] for i in range(0, n, 2))
                else:
                    body = bytes(lit)
                s += bytes((0, n)) + body + b"\0" * (len(body) % 2)
            x += n
        s += b"\0\0"
    return bytes(s + b"\0\1")

sixteen, many, full = spread(16, 5), spread(200, 11), spread(W * H, 23)
rows16 = [[(3 * x + 5 * y + x * y) % 16 for x in range(W)] for y in reversed(range(H))]
rows200 = [[(3 * x + 5 * y + x * y) % 200 for x in range(W)] for y in reversed(range(H))]
stream_bmp("rle4.bmp", 4, 2, rle(rows16, True), sixteen)
stream_bmp("rle8.bmp", 8, 1, rle(rows200, False), many)
pixels = [full[(3 * x + 5 * y + x * y) % len(full)] for y in reversed(range(H)) for x in range(W)]
def rows_of(pixel, size):  # stored rows, each padded to four bytes
    row = lambda y: b"".join(pixel(*c) for c in pixels[y * W:(y + 1) * W])
    return b"".join(row(y) + b"\0" * (-W * size % 4) for y in range(H))
five55 = lambda r, g, b: struct.pack("<H", r >> 3 << 10 | g >> 3 << 5 | b >> 3)
stream_bmp("plain16.bmp", 16, 0, rows_of(five55, 2), [])
stream_bmp("xbgr32.bmp", 32, 3, rows_of(lambda r, g, b: bytes((0, b, g, r)), 4), [],
           struct.pack("<III", 0xFF000000, 0xFF0000, 0xFF00))

save(picture(spread(2, 1)).convert("1"), "pil_1.bmp")
save(picture(spread(9, 3)).convert("L"), "pil_L.bmp")
save(picture(many).quantize(200), "pil_P.bmp")
save(picture(full), "pil_RGB.bmp")
save(picture([c + (i * 40 % 256,) for i, c in enumerate(full)], "RGBA"), "pil_RGBA.bmp")

if convert:
    sources = {"two": spread(2, 1), "sixteen": sixteen, "many": many, "full": full}
    for key, colours in sources.items():
        picture(colours, "P" if len(colours) <= 200 else "RGB").save(os.path.join(out, key + ".png"))
    picture([c + (i * 40 % 256,) for i, c in enumerate(full)], "RGBA").save(os.path.join(out, "alpha.png"))
    runs = [
        ("two", [], "im_two"), ("two", ["BMP3:"], "im_two3"), ("two", ["BMP2:"], "im_two2"),
        ("sixteen", [], "im_sixteen"), ("sixteen", ["-compress", "RLE"], "im_sixteen_rle"),
        ("sixteen", ["-colors", "16", "BMP3:"], "im_sixteen3"), ("sixteen", ["BMP2:"], "im_sixteen2"),
        ("many", [], "im_many"), ("many", ["-compress", "None"], "im_many_plain"),
        ("many", ["BMP3:"], "im_many3"), ("many", ["BMP2:"], "im_many2"),
        ("full", [], "im_full"), ("full", ["BMP3:"], "im_full3"), ("full", ["BMP2:"], "im_full2"),
        ("full", ["-colors", "16"], "im_full_16"),
        ("full", ["-colors", "16", "-compress", "RLE"], "im_full_16rle"),
        ("full", ["-depth", "4"], "im_full_d4"), ("full", ["-type", "palette"], "im_full_pal"),
        ("full", ["-type", "grayscale"], "im_full_grey"),
        ("full", ["-define", "bmp:subtype=RGB565"], "im_565"),
        ("full", ["-define", "bmp:subtype=RGB555"], "im_555"),
        ("full", ["-define", "bmp:subtype=RGB565", "BMP3:"], "im_565_3"),
        ("alpha", [], "im_alpha"), ("alpha", ["-define", "bmp:subtype=ARGB1555"], "im_1555"),
        ("alpha", ["-define", "bmp:subtype=ARGB4444"], "im_4444"), ("alpha", ["BMP3:"], "im_alpha3"),
    ]
    for key, opts, name in runs:
        prefix = opts[-1] if opts and opts[-1].endswith(":") else ""
        args = [o for o in opts if not o.endswith(":")]
        # the truecolour source stays truecolour unless colours, depth or type are asked for
        keep = key == "full" and not {"-colors", "-depth", "-type"} & set(args)
        extra = ["-type", "truecolor"] if keep else []
        source, target = os.path.join(out, key + ".png"), prefix + os.path.join(out, name + ".bmp")
        subprocess.run([convert, source] + extra + args + [target], check=True)
        ref(name + ".bmp", name == "im_4444")  # masks Pillow does not read

open(os.path.join(out, "cases.txt"), "w").write("\n".join(cases) + "\n")
)py";

std::string python_with_pillow() {
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        if (run_command(std::string(python) + " -c 'import PIL'").exit_code == 0) return python;
    }
    return "";
}

std::string image_magick() {
    for (const char* convert : {"/usr/bin/convert", "convert"}) {
        RunResult r = run_command(std::string(convert) + " -version");
        if (r.exit_code == 0 && r.output.find("Version: ImageMagick") != std::string::npos)
            return convert;
    }
    return "";
}

struct Case {
    std::string name, kind;
};

// Runs the script into a fresh folder; the cases it wrote, empty on failure.
std::vector<Case> write_corpus(const std::string& python, const std::string& dir,
                               const std::string& convert) {
    run_command("rm -rf '" + dir + "' && mkdir -p '" + dir + "'");
    write_file(dir + "/corpus.py", kCorpusScript);
    RunResult r = run_command(python + " '" + dir + "/corpus.py' '" + dir + "' '" + convert + "'");
    EXPECT_EQ(0, r.exit_code) << r.output;
    std::vector<Case> cases;
    std::istringstream lines(read_file(dir + "/cases.txt"));
    for (Case c; lines >> c.name >> c.kind;) cases.push_back(c);
    return cases;
}

// Loads one file at the given pixel format; the buffer's bytes, empty when refused.
std::vector<std::uint8_t> load_at(const std::string& path, int format, BitmapFile* file) {
    std::int32_t saved = pixel_format;
    pixel_format = format;
    int ok = load_bitmap_file(file, path.c_str());
    pixel_format = saved;
    if (!ok) return {};
    return {file->buffer, file->buffer + file->info_header.biSizeImage};
}

// What differs between our load of one file and Pillow's; empty when nothing.
std::string compare(const std::string& dir, const Case& c) {
    std::string path = dir + "/" + c.name;
    BitmapFile file{};
    std::vector<std::uint8_t> ours = load_at(path, 16, &file);
    std::ostringstream diff;
    if (c.kind == "refused") {
        if (!ours.empty()) diff << "loaded a file Pillow refuses";
    } else if (ours.empty()) {
        diff << "refused";
    } else if (c.kind == "unusual") {
        if (file.info_header.biBitCount != 16 || file.info_header.biWidth != 13) diff << "sides";
    } else {
        std::string ref = read_file(path + ".ref");
        std::int32_t w = 0, h = 0;
        std::memcpy(&w, ref.data(), 4);
        std::memcpy(&h, ref.data() + 4, 4);
        const auto* px = reinterpret_cast<const std::uint8_t*>(ref.data() + 8);
        const int n = w * h;
        const BITMAPINFOHEADER& ih = file.info_header;
        if (ih.biWidth != w || ih.biHeight != h)
            diff << "sides " << ih.biWidth << "x" << ih.biHeight;
        bool indexed = c.kind == "index";
        if (ih.biBitCount != (indexed ? 8 : 16)) diff << " depth " << ih.biBitCount;
        if (!diff.str().empty()) return diff.str();
        std::vector<std::uint8_t> at555 = indexed ? ours : load_at(path, 15, &file);
        for (int i = 0; i < n && diff.str().empty(); ++i) {
            const std::uint8_t* rgb = px + (indexed ? n : 0) + 3 * i;
            if (indexed) {
                const PALETTEENTRY& e = file.palette[ours[i]];
                if (ours[i] != px[i] || e.peRed != rgb[0] || e.peGreen != rgb[1] ||
                    e.peBlue != rgb[2])
                    diff << "pixel " << i << ": index " << int(ours[i]) << ", Pillow "
                         << int(px[i]);
                continue;
            }
            std::uint16_t w565, w555;
            std::memcpy(&w565, &ours[2 * i], 2);
            std::memcpy(&w555, &at555[2 * i], 2);
            if (w565 != rgb16_565(rgb[0], rgb[1], rgb[2]) ||
                w555 != rgb16_555(rgb[0], rgb[1], rgb[2]))
                diff << "pixel " << i << ": " << std::hex << w565 << " " << w555 << std::dec
                     << ", Pillow " << int(rgb[0]) << "," << int(rgb[1]) << "," << int(rgb[2]);
        }
        // The colour table as stored, as far as Pillow gives it.
        const std::size_t table = indexed ? ref.size() - 8 - 4 * n : 0;
        const auto* entries = px + 4 * n;
        for (std::size_t k = 0; k < table / 3 && k < 256 && diff.str().empty(); ++k) {
            const PALETTEENTRY& e = file.palette[k];
            if (e.peRed != entries[3 * k] || e.peGreen != entries[3 * k + 1] ||
                e.peBlue != entries[3 * k + 2])
                diff << "colour table entry " << k;
        }
    }
    unload_bitmap_file(&file);
    return diff.str();
}

void check_all(const std::string& dir, const std::vector<Case>& cases, const std::string& prefix) {
    int checked = 0;
    for (const Case& c : cases) {
        if (c.name.compare(0, prefix.size(), prefix) != 0) continue;
        EXPECT_EQ("", compare(dir, c)) << c.name << " (" << c.kind << ")";
        ++checked;
    }
    EXPECT_GT(checked, 5);
}

}  // namespace

TEST(BitmapCorpus, PillowAndHandCodedFilesLoadAsPillowReadsThem) {
    std::string python = python_with_pillow();
    if (python.empty()) GTEST_SKIP() << "Pillow (python3-pil) is not installed";
    std::string dir = temp_path("corpus");
    std::vector<Case> cases = write_corpus(python, dir, "");
    check_all(dir, cases, "");
}

TEST(BitmapCorpus, ImageMagickFilesLoadAsPillowReadsThem) {
    std::string python = python_with_pillow(), convert = image_magick();
    if (python.empty()) GTEST_SKIP() << "Pillow (python3-pil) is not installed";
    if (convert.empty()) GTEST_SKIP() << "ImageMagick (imagemagick) is not installed";
    std::string dir = temp_path("corpus");
    std::vector<Case> cases = write_corpus(python, dir, convert);
    check_all(dir, cases, "im_");
}
