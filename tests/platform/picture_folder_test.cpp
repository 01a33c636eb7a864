// A folder of pictures on Linux: which of its entries are listed (without
// opening any), and which picture a run's seed shows, passing over what is
// not a picture, within the bounds of what a run looks at.
#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "bitmap_bytes.h"
#include "temp_dir.h"
#include "platform/file_io.h"
#include "video/picture_file.h"

namespace {

namespace fs = std::filesystem;

// A 1 x 1 24-bit bitmap of one colour.
Bytes Dot(unsigned char red) {
    Bytes file = Header(1, 1);
    Append(file, {0, 0, red, 0});
    return file;
}

std::vector<std::string> Listed(const fs::path& folder, size_t maxEntries = kMaxFolderEntries) {
    std::vector<std::string> names{"left over"};
    if (!ListFolderFiles(folder.c_str(), maxEntries, names)) return {"(no folder)"};
    std::sort(names.begin(), names.end());
    return names;
}

TEST(PictureFolder, OnlyRegularFilesAreListedAndNoneIsOpened) {
    TempDir dir;
    const fs::path folder = dir.path() / "pictures";
    fs::create_directory(folder);
    WriteAll(folder / "a.bmp", Dot(1));
    fs::create_symlink(folder / "a.bmp", folder / "b-link.bmp");
    fs::create_directory(folder / "sub.bmp");
    fs::create_directory_symlink(folder / "sub.bmp", folder / "sub-link");
    ASSERT_EQ(mkfifo((folder / "fifo.bmp").c_str(), 0644), 0);
    fs::create_symlink(folder / "fifo.bmp", folder / "fifo-link.bmp");
    fs::create_symlink("/dev/null", folder / "device.bmp");
    fs::create_symlink(folder / "gone.bmp", folder / "dangling.bmp");
    WriteAll(folder / ".hidden.bmp", Dot(2));
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (folder / "socket.bmp").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    EXPECT_EQ(Listed(folder), (std::vector<std::string>{"a.bmp", "b-link.bmp"}));
    // A link to a folder lists that folder (here an empty one); a trailing slash changes nothing.
    EXPECT_EQ(Listed(folder / "sub-link"), std::vector<std::string>{});
    EXPECT_EQ(Listed(folder.string() + "/"), (std::vector<std::string>{"a.bmp", "b-link.bmp"}));
    // What is no folder: refused at once, a FIFO without a writer too.
    for (const fs::path& other : {folder / "a.bmp", folder / "fifo.bmp", folder / "gone", folder / "device.bmp"})
        EXPECT_EQ(Listed(other), std::vector<std::string>{"(no folder)"}) << other;
    close(sock);
}

TEST(PictureFolder, AtMostMaxEntriesAreLookedAt) {
    TempDir dir;
    for (int i = 0; i < 50; ++i) WriteAll(dir.path() / ("p" + std::to_string(i)), Dot(1));
    for (int i = 0; i < 20; ++i) WriteAll(dir.path() / (".h" + std::to_string(i)), Dot(1));
    EXPECT_EQ(Listed(dir.path(), 10).size(), 10u);
    EXPECT_EQ(Listed(dir.path(), 50).size(), 50u);
    EXPECT_EQ(Listed(dir.path(), 0).size(), 0u);
}

// The red channel of the picture a seed shows; -1 for none.
int Shown(const fs::path& folder, uint32_t seed) {
    testing::internal::CaptureStderr();
    Record image(ReadGivenPicture(folder.string(), seed));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "") << "a folder's files are passed over without a word";
    return image ? Texel(*image, 0, 0)[0] : -1;
}

TEST(PictureFolder, TheSeedPicksAPictureAndWhatIsNoPictureIsPassedOver) {
    TempDir dir;
    const fs::path folder = dir.path();
    WriteAll(folder / "b.bmp", Dot(10));
    WriteAll(folder / "d.bmp", Dot(20));
    WriteAll(folder / "a.txt", Bytes{'n', 'o', 't', 'e', 's'});
    WriteAll(folder / "c.png", Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 1, 2, 3});  // broken
    WriteAll(folder / "e.bmp", Header(4, 4));  // cut short
    ASSERT_EQ(mkfifo((folder / "f.png").c_str(), 0644), 0);
    fs::create_directory(folder / "g");
    // Sorted, the files are a.txt b.bmp c.png d.bmp e.bmp: a start at a
    // file that is no picture goes on to the next picture, round the end.
    const int after[] = {10, 10, 20, 20, 10};
    std::set<int> seen;
    for (uint32_t seed = 0; seed < 64; ++seed) {
        SCOPED_TRACE(seed);
        const int shown = Shown(folder, seed);
        EXPECT_EQ(shown, after[FolderStart(seed, 5)]);
        EXPECT_EQ(Shown(folder, seed), shown) << "the same seed, another picture";
        seen.insert(shown);
    }
    EXPECT_EQ(seen, (std::set<int>{10, 20}));

    // Without a picture: none, and nothing said.
    fs::remove(folder / "b.bmp");
    fs::remove(folder / "d.bmp");
    EXPECT_EQ(Shown(folder, 1), -1);
    TempDir empty;
    EXPECT_EQ(Shown(empty.path(), 1), -1);
}

TEST(PictureFolder, AtMostMaxFolderTriesFilesAreRead) {
    TempDir dir;
    const size_t others = kMaxFolderTries + 10;
    for (size_t i = 0; i < others; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "t%03zu.txt", i);
        WriteAll(dir.path() / name, Bytes{'x'});
    }
    WriteAll(dir.path() / "z.bmp", Dot(30));  // the last of the sorted names
    const size_t count = others + 1;
    uint32_t near = 0, far = 0;
    bool haveNear = false, haveFar = false;
    for (uint32_t seed = 0; seed < 10000 && !(haveNear && haveFar); ++seed) {
        const size_t start = FolderStart(seed, count);
        // Reaching the picture takes count - start reads from there.
        if (!haveNear && count - start <= kMaxFolderTries) near = seed, haveNear = true;
        if (!haveFar && count - start > kMaxFolderTries) far = seed, haveFar = true;
    }
    ASSERT_TRUE(haveNear && haveFar);
    EXPECT_EQ(Shown(dir.path(), near), 30);
    EXPECT_EQ(Shown(dir.path(), far), -1);
}

TEST(PictureFolder, SeedsSpreadOverTheFiles) {
    for (size_t count : {1u, 2u, 7u, 100u}) {
        std::set<size_t> starts;
        for (uint32_t seed = 0; seed < 1000; ++seed) {
            const size_t start = FolderStart(seed, count);
            ASSERT_LT(start, count);
            starts.insert(start);
        }
        EXPECT_EQ(starts.size(), count) << count;
    }
    EXPECT_EQ(FolderStart(5, 0), 0u);
}

}  // namespace
