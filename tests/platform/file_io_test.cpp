// Checked file access: the loaders read regular files only and never wait on a
// FIFO; the writers say a file they could not write, once, by name and reason,
// and count it.
#include "platform/formats/file_io.h"

#include <sys/stat.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "audio/wave_file.h"
#include "gfx/palette.h"
#include "platform/audio_engine/midi_player.h"
#include "platform/backends/headless/headless_backend.h"
#include "platform/formats/input_script.h"
#include "platform/formats/png_file.h"
#include "platform/formats/wav_writer.h"
#include "platform/system/host_paths.h"
#include "platform/system/presentation.h"
#include "raster/bitmap.h"
#include "shell/trace.h"
#include "support/error_log.h"
#include "test_util.h"

namespace {

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::string fresh_folder(const std::string& name) {
    std::string dir = temp_path(name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace

TEST(FileIo, ReadsWholeRegularFilesWithinTheLimitOnly) {
    std::string ten = fresh_folder("d") + "/ten";
    write_file(ten, "0123456789");
    std::vector<std::uint8_t> bytes;
    std::string why;
    ASSERT_EQ(1, read_file_bytes(ten.c_str(), 10, &bytes, &why)) << why;
    EXPECT_EQ("0123456789", std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(0, read_file_bytes(ten.c_str(), 9, &bytes, &why));
    EXPECT_EQ("larger than 9 bytes", why);
    EXPECT_EQ(10u, bytes.size()) << "a refusal leaves what was read before";
    EXPECT_EQ(0, read_file_bytes((ten + "x").c_str(), 10, &bytes, &why));
    EXPECT_EQ("no such file", why);
#if defined(_WIN32)
    EXPECT_EQ(0, read_file_bytes("NUL", 10, &bytes, &why));  // refused, as a device or unnamed
#else
    EXPECT_EQ(0, read_file_bytes("/dev/zero", 10, &bytes, &why));
    EXPECT_EQ("a device, not a regular file", why);
    if (geteuid() != 0) {  // the superuser reads any file
        chmod(ten.c_str(), 0);
        EXPECT_EQ(0, read_file_bytes(ten.c_str(), 10, &bytes, &why));
        EXPECT_EQ("cannot be opened (" + std::string(std::strerror(EACCES)) + ")", why);
    }
#endif
}

// Names are UTF-8 on every system: a file written under a name outside ASCII
// is read back under it, and is where the file system's own calls find it.
TEST(FileIo, NamesOutsideAsciiAreWrittenAndReadAsUtf8) {
    std::string name = fresh_folder("d") + "/\xc3\xa9t\xc3\xa9-\xe5\x90\x8d.txt";
    OutputFile out;
    ASSERT_TRUE(out.open(name.c_str()));
    ASSERT_TRUE(out.write("\r\n\x1a", 3));  // bytes as they are: no text mode
    ASSERT_TRUE(out.close());
    EXPECT_TRUE(std::filesystem::is_regular_file(path_from_utf8(name)));
    EXPECT_EQ(name, utf8_from_path(path_from_utf8(name)));
    std::vector<std::uint8_t> bytes;
    std::string why;
    ASSERT_EQ(1, read_file_bytes(name.c_str(), 10, &bytes, &why)) << why;
    EXPECT_EQ("\r\n\x1a", std::string(bytes.begin(), bytes.end()));
}

// Each loader says why through its own error path: the error log, or the
// reason it hands back.
TEST(FileIo, EveryLoaderRefusesADirectoryAndAFifoWithoutWaiting) {
    std::string dir = fresh_folder("d");
    std::filesystem::create_directories(dir + "/folder");
#if !defined(_WIN32)
    ASSERT_EQ(0, mkfifo((dir + "/fifo").c_str(), 0600)) << std::strerror(errno);
#endif
    std::filesystem::path back = std::filesystem::current_path();
    std::filesystem::current_path(dir);  // short names: the log cuts long lines
    ASSERT_EQ(1, open_error_file("log.txt"));
    MidiLoader* midi = nullptr;
    ASSERT_EQ(S_OK, midi_loader_create(&midi));
    midi->set_search_directory(dir.c_str());
    struct Case {
        const char* name;
        std::string reason;
    };
    std::vector<Case> kCases = {{"folder", "a directory, not a file"}};
#if !defined(_WIN32)  // Windows has no FIFO in its file system
    kCases.push_back({"fifo", "a FIFO, not a regular file"});
#endif
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        BitmapFile bitmap{};
        EXPECT_EQ(0, load_bitmap_file(&bitmap, c.name));
        PALETTEENTRY entries[256] = {};
        EXPECT_EQ(0, load_palette_file(c.name, entries));
        std::string why;
        WaveSound wave;
        EXPECT_EQ(0, load_wave_file(c.name, &wave, &why));
        EXPECT_EQ(c.reason, why);
        InputScript script;
        EXPECT_EQ(0, load_input_script(c.name, &script, &why));
        EXPECT_EQ(c.reason, why);
        MidiSegment* segment = nullptr;
        EXPECT_EQ(E_FAIL, midi->get_object(c.name, &segment));
        EXPECT_EQ(c.reason, midi->refusal());
    }
    midi->release();
    close_error_file();
    std::string log = read_file("log.txt");
    std::filesystem::current_path(back);
    for (const auto& c : kCases) {
        for (std::string kind : {"bitmap", "palette"})
            EXPECT_NE(std::string::npos, log.find(kind + " refused, " + c.reason + ": " + c.name))
                << log;
    }
}

// /dev/full takes the opening and fails the writes (or only the flush of
// what stdio kept): the trace, the recorder, the WAV and PNG writers and the
// headless frames each say so once and count it.
TEST(FileIo, EveryWriterSaysAndCountsAFileItCouldNotWrite) {
#if defined(_WIN32)
    GTEST_SKIP() << "no /dev/full";
#else
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
#endif
    const std::string said = "cannot write /dev/full: " + std::string(std::strerror(ENOSPC));
    std::string not_a_folder = fresh_folder("d") + "/file";
    write_file(not_a_folder, "x");
    std::uint8_t pixels[64 * 64] = {}, palette[768] = {};
    float stereo[2 * 4096] = {};
    int before = output_failures();

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(1, open_trace("/dev/full"));
    for (int i = 0; i < 40; ++i) write_trace_line();  // more than stdio keeps
    close_trace();
    ScriptRecorder recorder;
    EXPECT_EQ(1, recorder.open("/dev/full"));
    for (int button = 0; button < 3; ++button) recorder.add(ScriptLine{1, {}, 0, 0, button & 1});
    recorder.close();
    WavWriter wav;
    EXPECT_TRUE(wav.open("/dev/full", 44100));
    wav.write(stereo, 4096);
    wav.close();
    EXPECT_EQ(0, write_png8("/dev/full", pixels, 64, 64, 64, palette));
    std::string failure;
    EXPECT_EQ(0, write_png8("/dev/full", pixels, 64, 64, 64, palette, &failure));
    BackendOptions outputs;
    outputs.shots_dir = not_a_folder + "/shots";
    set_backend(make_headless_backend(outputs));
    present_frame(pixels, 64, 64, 64, palette);
    set_backend(nullptr);  // writes the frame kept
    std::string err = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(4, count_of(err, said)) << err;
    EXPECT_EQ(said, failure) << "said by the caller, not on stderr";
    EXPECT_EQ(1, count_of(err, not_a_folder + "/shots/frame_")) << err;
    EXPECT_NE(std::string::npos, err.find(std::strerror(ENOTDIR))) << err;
    EXPECT_EQ(before + 6, output_failures());
}
