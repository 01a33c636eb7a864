// Where runs of one user meet to share a video source: the directory they
// trust, the lock that elects the owner, and what a killed owner left.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <string>

#include "temp_dir.h"

#include "linux/share_rendezvous.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Touch(const fs::path& path) { std::ofstream(path) << "x"; }

// The directory taken for XDG_RUNTIME_DIR and /tmp as they are, and what a
// planted /tmp/lumox-UID gets. "another user's" is a directory of this
// process's user asked for as uid + 1.
TEST(ShareRendezvous, DirectoryIsThisUsersAloneOrNone) {
    const uid_t me = geteuid();
    struct Case {
        const char* what;
        const char* runtime;  // "rt": the private directory; "rt-open": mode 0755; "file"; else as given
        const char* planted;  // what stands at TMP/lumox-UID first: "", "dir", "open", "link", "file"
        uid_t uid;
        const char* expect;  // "rt", "tmp" or "" (refused)
    };
    const Case cases[] = {
        {"a private runtime directory", "rt", "", me, "rt"},
        {"no runtime directory", nullptr, "", me, "tmp"},
        {"a relative one", "relative", "", me, "tmp"},
        {"one open to others", "rt-open", "", me, "tmp"},
        {"a file", "file", "", me, "tmp"},
        {"another user's runtime directory", "rt", "", me + 1, ""},  // /tmp's then is ours: refused too
        {"/tmp's, made before", nullptr, "dir", me, "tmp"},
        {"/tmp's, open to others", nullptr, "open", me, ""},
        {"/tmp's, a link to a private directory", nullptr, "link", me, ""},
        {"/tmp's, a file", nullptr, "file", me, ""},
        {"/tmp's, another user's", nullptr, "dir", me + 1, ""},
    };
    for (const Case& c : cases) {
        TempDir temp;
        const fs::path rt = temp.path() / "rt", tmp = temp.path() / "tmp";
        fs::create_directories(rt);
        fs::create_directories(tmp);
        chmod(rt.c_str(), 0700);
        std::string runtime = c.runtime ? c.runtime : "";
        if (runtime == "rt-open") chmod(rt.c_str(), 0755);
        if (runtime == "file") Touch(temp.path() / "file");
        if (runtime == "rt" || runtime == "rt-open") runtime = rt.string();
        if (runtime == "file") runtime = (temp.path() / "file").string();
        const fs::path planted = tmp / ("lumox-" + std::to_string(c.uid));
        const std::string kind = c.planted;
        if (kind == "dir" || kind == "open") {
            ASSERT_EQ(mkdir(planted.c_str(), 0700), 0);
            chmod(planted.c_str(), kind == "dir" ? 0700 : 0755);
        }
        if (kind == "link") fs::create_directory_symlink(rt, planted);
        if (kind == "file") Touch(planted);

        std::string problem;
        const std::string got = ShareDirectory(c.runtime ? runtime.c_str() : nullptr, tmp.string(), c.uid, problem);
        const std::string expect = std::string(c.expect) == "rt"    ? (rt / "lumox").string()
                                   : std::string(c.expect) == "tmp" ? planted.string()
                                                                    : "";
        EXPECT_EQ(got, expect) << c.what;
        EXPECT_EQ(problem.empty(), !expect.empty()) << c.what << ": " << problem;
        if (!expect.empty()) {
            struct stat info;
            ASSERT_EQ(lstat(got.c_str(), &info), 0) << c.what;
            EXPECT_TRUE(S_ISDIR(info.st_mode) && (info.st_mode & 0777) == 0700) << c.what;
        }
        // Nothing is made through a link or in someone else's directory.
        if (kind == "link") {
            EXPECT_TRUE(fs::is_empty(rt)) << c.what;
        }
    }
}

TEST(ShareRendezvous, DirectoryTooLongForASocketIsRefused) {
    TempDir temp;
    const fs::path tmp = temp.path() / std::string(100, 'd');
    fs::create_directories(tmp);
    std::string problem;
    EXPECT_EQ(ShareDirectory(nullptr, tmp.string(), geteuid(), problem), "");
    EXPECT_NE(problem.find("too long"), std::string::npos) << problem;
    EXPECT_FALSE(fs::exists(tmp / ("lumox-" + std::to_string(geteuid()))));
}

TEST(ShareRendezvous, NamesFollowTheSource) {
    const ShareNames a = SourceShareNames("/run/user/1000/lumox", "source videotestsrc");
    const ShareNames b = SourceShareNames("/run/user/1000/lumox", "source videotestsrc ");
    EXPECT_EQ(a.lock, SourceShareNames("/run/user/1000/lumox", "source videotestsrc").lock);
    EXPECT_NE(a.lock, b.lock);
    EXPECT_NE(a.socket, b.socket);
    EXPECT_EQ(a.lock.rfind("/run/user/1000/lumox/video-", 0), 0u) << a.lock;
    EXPECT_EQ(a.lock.substr(0, a.lock.size() - 5), a.socket.substr(0, a.socket.size() - 5));
}

// The first taker owns the source until it lets go; its file names it, and
// goes with it.
TEST(ShareRendezvous, LockElectsOneOwner) {
    TempDir temp;
    const ShareNames names = SourceShareNames(temp.str(), "source x");
    int first = -1, second = -1;
    ASSERT_EQ(TakeSourceLock(names, first), SourceLock::Taken);
    EXPECT_EQ(Read(names.lock), std::to_string(getpid()) + "\n");
    EXPECT_EQ(TakeSourceLock(names, second), SourceLock::Held);
    EXPECT_EQ(second, -1);
    DropSourceLock(names, first);
    EXPECT_FALSE(fs::exists(names.lock));
    ASSERT_EQ(TakeSourceLock(names, second), SourceLock::Taken);
    DropSourceLock(names, second);

    // A lock file that is a link is not followed, nor is a FIFO waited on.
    fs::create_symlink(temp.path() / "elsewhere", names.lock);
    EXPECT_EQ(TakeSourceLock(names, first), SourceLock::Failed);
    EXPECT_FALSE(fs::exists(temp.path() / "elsewhere"));
    fs::remove(names.lock);
    ASSERT_EQ(mkfifo(names.lock.c_str(), 0600), 0);
    EXPECT_EQ(TakeSourceLock(names, first), SourceLock::Failed);
}

// An owner that ended without letting go (killed, here a child that just
// exits): the next taker removes its socket and its segments, and nothing
// of a process that still runs. Once with the owner reaped, once while it
// is a zombie.
TEST(ShareRendezvous, TakerClearsWhatAKilledOwnerLeft) {
    for (const bool reaped : {true, false}) {
        TempDir temp;
        const fs::path shm = temp.path() / "shm";
        fs::create_directories(shm);
        const ShareNames names = SourceShareNames(temp.str(), "source x");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int fd = -1;
            if (TakeSourceLock(names, fd, shm.string()) != SourceLock::Taken) _exit(1);
            char segment[64];
            std::snprintf(segment, sizeof segment, "shmpipe.%5d.%5d", static_cast<int>(getpid()), 0);
            std::ofstream(shm / segment) << "frames";
            std::ofstream(names.socket) << "";
            _exit(0);
        }
        int status = 0;
        if (reaped) {
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_EQ(status, 0);
        } else {
            // A zombie: ended, its files closed, not yet reaped.
            siginfo_t info{};
            ASSERT_EQ(waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT), 0);
        }
        char own[64], live[64];
        std::snprintf(own, sizeof own, "shmpipe.%5d.%5d", static_cast<int>(child), 1);
        std::snprintf(live, sizeof live, "shmpipe.%5d.%5d", static_cast<int>(getppid()), 0);
        std::ofstream(shm / own) << "";
        std::ofstream(shm / live) << "";
        fs::create_directory(shm / "shmpipe.99999.    9");  // not a segment

        int fd = -1;
        ASSERT_EQ(TakeSourceLock(names, fd, shm.string()), SourceLock::Taken) << reaped;
        EXPECT_EQ(Read(names.lock), std::to_string(getpid()) + "\n");
        EXPECT_FALSE(fs::exists(names.socket)) << reaped;
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(shm)) left.push_back(entry.path().filename());
        EXPECT_EQ(left.size(), 2u) << reaped;
        EXPECT_TRUE(fs::exists(shm / live));
        DropSourceLock(names, fd);
        if (!reaped) waitpid(child, &status, 0);
    }
}

TEST(ShareRendezvous, OwnerPidAndSegmentNamesAreReadStrictly) {
    const std::pair<const char*, pid_t> pids[] = {
        {"1234\n", 1234}, {"1234", 1234}, {"2147483647\n", INT_MAX}, {"", 0},      {"\n", 0},
        {"0\n", 0},       {"-1\n", 0},    {"12a\n", 0},              {" 12\n", 0}, {"12\n\n", 0},
        {"2147483648", 0}, {"99999999999", 0}, {"0012\n", 0}};
    for (const auto& [text, pid] : pids) EXPECT_EQ(ParseOwnerPid(text, std::strlen(text)), pid) << text;
    EXPECT_EQ(ParseOwnerPid("12\0""3", 4), 0);

    const std::pair<const char*, pid_t> segments[] = {
        {"shmpipe. 9923.    0", 9923}, {"shmpipe.123456.    1", 123456}, {"shmpipe.9923.0", 9923},
        {"shmpipe.    1.   12", 1},    {"shmpipe. 9923.", 0},            {"shmpipe.    .    0", 0},
        {"shmpipe. 9923.    0x", 0},   {"shmpipx. 9923.    0", 0},       {"shmpipe. 9923.    0 ", 0},
        {"shmpipe.-9923.    0", 0},    {"shmpipe. 0.    0", 0},          {"shmpipe", 0},
        {"shmpipe.09923.    0", 0}};
    for (const auto& [name, pid] : segments) EXPECT_EQ(SegmentWriterPid(name), pid) << name;
}

}  // namespace
