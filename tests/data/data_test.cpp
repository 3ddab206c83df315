// Resource paths, file names, whole-file reads, and the state file's encoding.

#include <cerrno>

#include "tests/data/scratch_dir.h"

namespace {

// A host whose framework paths resolve like the GLFW host's, against a chosen directory.
struct PathGame : KtGame {
    String appPath = String("/nonexistent"), internalPath;
    String PathToFilePath(String path) override {
        return kt_data_ResolvePath(path, appPath, internalPath);
    }
};

String units(std::initializer_list<Char> u) {
    return String(u.begin(), static_cast<int>(u.size()));
}

using DataDir = InScratchDir;

// A ":/" after a directory separator is part of a name, not a scheme.
TEST(Paths, BareNamesGoToDataAndEachAreaMapsBelowTheAppDirectory) {
    for (auto [path, fixed] : {std::pair{"gfx/tiles.png", "vantor://data/gfx/tiles.png"},
                               {"a/b:/c", "vantor://data/a/b:/c"},
                               {"./x.png", "./x.png"},
                               {"/x.png", "/x.png"},
                               {"vantor://internal/x", "vantor://internal/x"}})
        EXPECT_EQ(kt_data_FixDataPath(String(path)).ToUtf8(), fixed);
    String app("/games/cv"), internal;
    for (auto [path, resolved] : {std::pair{"vantor://data/f.png", "/games/cv/data/f.png"},
                                  {"vantor://internal/s.txt", "/games/cv/internal/s.txt"},
                                  {"vantor://external/e.txt", "/games/cv/external/e.txt"},
                                  {"vantor://cache/x", ""},
                                  {"./.vantorstate", "./.vantorstate"},
                                  {"vantorx/y", "vantorx/y"}})
        EXPECT_EQ(kt_data_ResolvePath(String(path), app, internal).ToUtf8(), resolved);
    EXPECT_EQ(internal.ToUtf8(), "/games/cv/internal");
}

// Surrogate pairs and non-UTF-8 bytes round-trip; unresolvable paths and NULs are refused.
TEST_F(DataDir, FileNamesConvertToUtf8AndBackAndOpenFileRefusesWhatCannotBeNamed) {
    std::string out;
    const String name = units({'a', 0xE9, 0x20AC, 0xD83D, 0xDE00});
    ASSERT_TRUE(kt_data_ToFileName(name, out));
    EXPECT_EQ(out, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(kt_data_FromFileName(out.data(), static_cast<int>(out.size())), name);
    const std::string odd = "x\xE9y\xC0\xAF\xED\xA0\x80z";
    ASSERT_TRUE(kt_data_ToFileName(kt_data_FromFileName(odd.data(), int(odd.size())), out));
    EXPECT_EQ(out, odd);
    EXPECT_FALSE(kt_data_ToFileName(units({'a', 0, 'b'}), out));
    PathGame paths;
    const String file = String((dir + "/").c_str()) + name;
    std::FILE *f = paths.OpenFile(file, String("wb"));
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(fs::exists(dir + "/a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"));
    errno = 0;
    EXPECT_EQ(paths.OpenFile(String("vantor://cache/x"), String("rb")), nullptr);
    EXPECT_EQ(errno, 0);
    EXPECT_EQ(paths.OpenFile(file + units({0}) + String(".txt"), String("rb")), nullptr);
}

// Whole files across chunk boundaries; a directory opens but cannot be read: an error.
TEST_F(DataDir, LoadDataAndLoadStateReadWholeFilesAndTheStateRoundTripsPerCodeUnit) {
    KtGame game;
    int length = -1;
    for (int size : {0, 4095, 4097, 70000}) {
        std::string bytes(size, '\0');
        for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 4096);
        write_file("f.bin", bytes);
        unsigned char *data = game.LoadData(String("./f.bin"), &length);
        EXPECT_EQ(data ? std::string(reinterpret_cast<char *>(data), length) : "-", bytes) << size;
        std::free(data);
    }
    EXPECT_TRUE(!game.LoadData(String("./missing"), &length) &&
                !game.LoadData(String(dir.c_str()), &length));
    // The state file: each UTF-16 unit encoded alone, no temporary file left, all of it decoded.
    EXPECT_EQ(game.LoadState().Length(), 0) << "no state file is a first start";
    const String pair = units({'A', 0xD83D, 0xDE00});
    ASSERT_EQ(game.SaveState(pair), 0);
    EXPECT_EQ(read_file(kState), "A\xED\xA0\xBD\xED\xB8\x80");
    EXPECT_EQ(game.LoadState(), pair);
    ASSERT_EQ(game.SaveState(String()), 0);
    EXPECT_EQ(names(), std::vector<std::string>({kState, "f.bin"})) << read_file(kState);
    EXPECT_EQ(fs::file_size(kState), 0u);
    write_file(kState, std::string(4500, 'x') + "\xE9" + std::string(499, 'x'));
    const String text = game.LoadState();
    EXPECT_EQ(std::make_pair(text.Length(), int(text[4500])), std::make_pair(5000, 0xE9));
}

}  // namespace
