// ReplacementFile on this platform's files: a commit that is called off,
// and on POSIX the links it follows in shared directories, read-only files,
// the owner of a new file and the temporaries of runs that were killed.
#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "temp_dir.h"

namespace {

std::vector<unsigned char> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::string> Names(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Writes text as the new image of path; the commit's result.
bool Replace(const std::filesystem::path& path, const std::string& text, ReplacementFile& file,
             const std::function<bool()>& beforeRename = nullptr) {
    return file.Begin(path.string().c_str()) && file.Write(text.data(), text.size()) && file.Commit(beforeRename);
}

TEST(ReplacementFile, ACommitCalledOffJustBeforeTheRenameLeavesTheOldFile) {
    TempDir dir;
    const auto path = dir.path() / "file";
    WriteAll(path, Bytes("old"));
    ReplacementFile file;
    int asked = 0;
    EXPECT_FALSE(Replace(path, "new", file, [&] {
        ++asked;
        // The new image is complete by now, beside the old file.
        EXPECT_EQ(Names(dir.path()).size(), 2u);
        return false;
    }));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ReadAll(path), Bytes("old"));
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"file"});
    ReplacementFile again;
    EXPECT_TRUE(Replace(path, "new", again, [] { return true; }));
    EXPECT_EQ(ReadAll(path), Bytes("new"));
}

#ifndef _WIN32
// Another user's id: the tests run as root, which may give links away.
constexpr uid_t kOther = 65534;

struct Shared {
    mode_t mode;   // of the directory that holds the link
    uid_t owner;   // of that directory
    uid_t linkOwner;
    bool followed;
};

TEST(ReplacementFile, LinksAreFollowedWhereTheKernelsProtectedLinksRuleWould) {
    if (geteuid() != 0) GTEST_SKIP() << "links of another user need root";
    const Shared cases[] = {
        {01777, 0, kOther, false},      // another user's link in /tmp's kind of directory
        {01777, 0, 0, true},            // one's own link there
        {01777, kOther, kOther, true},  // the directory owner's link
        {00777, 0, kOther, true},       // not sticky
        {01775, 0, kOther, true},       // sticky, but not writable by all
    };
    for (const Shared& c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.mode << std::dec << " dir of " << c.owner << ", link of "
                                        << c.linkOwner);
        TempDir dir;
        const auto shared = dir.path() / "shared";
        std::filesystem::create_directory(shared);
        ASSERT_EQ(chmod(shared.c_str(), c.mode), 0);
        ASSERT_EQ(chown(shared.c_str(), c.owner, 0), 0);
        const auto victim = dir.path() / "victim";
        WriteAll(victim, Bytes("precious"));
        const auto link = shared / "shot.png";
        std::filesystem::create_symlink(victim, link);
        ASSERT_EQ(lchown(link.c_str(), c.linkOwner, 0), 0);

        ReplacementFile file;
        EXPECT_EQ(Replace(link, "new", file), c.followed) << file.error();
        EXPECT_EQ(ReadAll(victim), Bytes(c.followed ? "new" : "precious"));
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        if (!c.followed) {
            EXPECT_EQ(file.error(), "the symbolic link " + link.string() +
                                        " belongs to another user in a sticky directory anyone may write in; it is "
                                        "not followed");
        }
        EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"shared", "victim"}));
        EXPECT_EQ(Names(shared), std::vector<std::string>{"shot.png"});
    }
}

TEST(ReplacementFile, EveryLinkOnTheWayIsHeldToTheRuleInItsOwnDirectory) {
    if (geteuid() != 0) GTEST_SKIP() << "links of another user need root";
    TempDir dir;
    const auto first = dir.path() / "first", second = dir.path() / "second", real = dir.path() / "real";
    for (const auto& shared : {first, second}) {
        std::filesystem::create_directory(shared);
        ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    }
    std::filesystem::create_directory(real);
    WriteAll(real / "file", Bytes("precious"));

    // One's own link leads to another user's, in another shared directory.
    std::filesystem::create_symlink("../second/planted", first / "mine");
    std::filesystem::create_symlink(real / "file", second / "planted");
    ASSERT_EQ(lchown((second / "planted").c_str(), kOther, 0), 0);
    ReplacementFile file;
    EXPECT_FALSE(Replace(first / "mine", "new", file));
    EXPECT_NE(file.error().find("link " + (second / "planted").string() + " belongs to another user"),
              std::string::npos)
        << file.error();

    // A planted link to a directory on the way to the file.
    std::filesystem::create_symlink(real, first / "directory");
    ASSERT_EQ(lchown((first / "directory").c_str(), kOther, 0), 0);
    ReplacementFile through;
    EXPECT_FALSE(Replace(first / "directory" / "file", "new", through));
    EXPECT_NE(through.error().find("link " + (first / "directory").string() + " belongs"), std::string::npos)
        << through.error();
    EXPECT_EQ(ReadAll(real / "file"), Bytes("precious"));
    EXPECT_EQ(Names(real), std::vector<std::string>{"file"});

    // The same hops, each allowed, lead to the file.
    ASSERT_EQ(lchown((second / "planted").c_str(), 0, 0), 0);
    ReplacementFile allowed;
    EXPECT_TRUE(Replace(first / "mine", "new", allowed)) << allowed.error();
    EXPECT_EQ(allowed.target(), (real / "file").string());
    EXPECT_EQ(ReadAll(real / "file"), Bytes("new"));
}

TEST(ReplacementFile, AReadOnlyFileIsRefusedEvenToRoot) {
    TempDir dir;
    const auto path = dir.path() / "file";
    WriteAll(path, Bytes("old"));
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ReplacementFile file;
    EXPECT_FALSE(Replace(path, "new", file));
    EXPECT_EQ(file.error(), "the file is read-only");
    EXPECT_EQ(ReadAll(path), Bytes("old"));
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"file"});
}

TEST(ReplacementFile, OwnersAreKeptAndANewFileMayGoToTheDirectorysOwner) {
    if (geteuid() != 0) GTEST_SKIP() << "giving files away needs root";
    TempDir dir;
    ASSERT_EQ(chown(dir.path().c_str(), kOther, kOther), 0);
    const auto kept = dir.path() / "kept", given = dir.path() / "given", plain = dir.path() / "plain";
    WriteAll(kept, Bytes("old"));
    ASSERT_EQ(chown(kept.c_str(), kOther, kOther), 0);
    ASSERT_EQ(chmod(kept.c_str(), 0600), 0);
    ReplacementFile replaced, made, root;
    made.GiveNewFileToDirectoryOwner();
    ASSERT_TRUE(Replace(kept, "new", replaced)) << replaced.error();
    ASSERT_TRUE(Replace(given, "new", made)) << made.error();
    ASSERT_TRUE(Replace(plain, "new", root)) << root.error();
    struct Expected {
        std::filesystem::path path;
        uid_t uid;
        gid_t gid;
    };
    for (const Expected& e : {Expected{kept, kOther, kOther}, Expected{given, kOther, kOther}, Expected{plain, 0, 0}}) {
        struct stat info {};
        ASSERT_EQ(stat(e.path.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, e.uid) << e.path;
        EXPECT_EQ(info.st_gid, e.gid) << e.path;
    }
    struct stat info {};
    ASSERT_EQ(stat(kept.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

// A process id that ran and no longer runs.
pid_t GonePid() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

TEST(ReplacementFile, TemporariesOfRunsThatNoLongerRunGoAndNothingElse) {
    TempDir dir;
    const std::string gone = std::to_string(GonePid());
    const auto path = dir.path() / "shot.png";
    WriteAll(path, Bytes("old"));
    enum class Kind { File, Link, Directory, OthersFile };
    struct Left {
        std::string name;
        Kind kind;
    };
    const std::vector<std::string> stale = {"shot.png.new-" + gone + "-0", "shot.png.new-" + gone + "-17"};
    const std::vector<Left> kept = {
        {"shot.png.new-1-0", Kind::File},  // a process that runs
        {"shot.png.new-0-0", Kind::File},  // no process's
        {"shot.png.new-" + gone + "-", Kind::File},
        {"shot.png.new-" + gone + "-0x", Kind::File},
        {"shot.png.new-" + gone, Kind::File},
        {"shot.png.new--0", Kind::File},
        {"shot.png.new-+" + gone + "-0", Kind::File},
        {"shot.png.new-12345678901-0", Kind::File},
        {"shot.png.old-" + gone + "-0", Kind::File},
        {"shot.pn.new-" + gone + "-0", Kind::File},
        {"other.png.new-" + gone + "-0", Kind::File},
        {"xshot.png.new-" + gone + "-0", Kind::File},
        {"shot.png.new-" + gone + "-1", Kind::Link},  // not what a run leaves
        {"shot.png.new-" + gone + "-2", Kind::Directory},
        {"shot.png.new-" + gone + "-3", geteuid() == 0 ? Kind::OthersFile : Kind::Link},
    };
    for (const std::string& name : stale) WriteAll(dir.path() / name, Bytes("left"));
    for (const Left& left : kept) {
        const auto at = dir.path() / left.name;
        switch (left.kind) {
            case Kind::Link: std::filesystem::create_symlink(path, at); break;
            case Kind::Directory: std::filesystem::create_directory(at); break;
            case Kind::File:
            case Kind::OthersFile: WriteAll(at, Bytes("other")); break;
        }
        if (left.kind == Kind::OthersFile) {
            ASSERT_EQ(chown(at.c_str(), kOther, kOther), 0);
        }
    }

    ReplacementFile file;
    ASSERT_TRUE(Replace(path, "new", file)) << file.error();
    std::vector<std::string> expected = {"shot.png"};
    for (const Left& left : kept) expected.push_back(left.name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(dir.path()), expected);
    EXPECT_EQ(ReadAll(path), Bytes("new"));
    EXPECT_EQ(std::filesystem::read_symlink(dir.path() / ("shot.png.new-" + gone + "-1")), path);
}
#endif

}  // namespace
