// ~/.xscreensaver changed by another program while --add-to-xscreensaver
// writes it: the change is not lost. The other program's write falls where
// the hook of AddLumoxToXScreenSaverFile runs, after the new text is
// written beside the file and before the file is replaced.
#include "platform/xscreensaver_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "temp_dir.h"

namespace {

std::string Text(const std::filesystem::path& path) {
    const auto bytes = ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

void Write(const std::filesystem::path& path, const std::string& text) {
    WriteAll(path, std::vector<unsigned char>(text.begin(), text.end()));
}

class XScreenSaverFile : public ::testing::Test {
protected:
    // Runs the addition with meanwhile as the other program; its exit code,
    // and its messages in messages.
    int Add(const std::function<void(int)>& meanwhile) {
        int calls = 0;
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        const int code = AddLumoxToXScreenSaverFile(file.string(), [&] { meanwhile(++calls); });
        testing::internal::GetCapturedStdout();
        messages = testing::internal::GetCapturedStderr();
        this->calls = calls;
        return code;
    }
    // Nothing beside the file: no temporary left.
    bool OnlyTheFile() const {
        size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            ++count;
            if (entry.path() != file) return false;
        }
        return count == 1;
    }

    TempDir dir;
    std::filesystem::path file = dir.path() / ".xscreensaver";
    std::string messages;
    int calls = 0;
};

const char kList[] = "mode:\t\tone\nprograms:\t\\\n\t\tmaze --root \\n\n";
const char kAdded[] = "mode:\t\tone\nprograms:\t\\\n\t\tmaze --root \\n\\\n\t\tGL: lumox --root \\n\n";

// A file left alone is replaced at the first attempt; one changed meanwhile
// is read again and the change kept.
TEST_F(XScreenSaverFile, AChangeMeanwhileIsReadAgainAndKept) {
    struct Case {
        const char* what;
        bool fileBefore;
        std::function<void(int)> change;
        std::string expected;
        int attempts;
    };
    const Case cases[] = {
        {"left alone", true, [](int) {}, kAdded, 1},
        {"written in place", true,
         [&](int call) {
             if (call == 1) Write(file, std::string("selected:\t1\n") + kList);
         },
         std::string("selected:\t1\n") + kAdded, 2},
        {"the same bytes put in its place by a rename", true,
         [&](int call) {
             if (call != 1) return;
             Write(dir.path() / "other", kList);
             std::rename((dir.path() / "other").c_str(), file.c_str());
         },
         kAdded, 2},
        {"made where there was none", false,
         [&](int call) {
             if (call == 1) Write(file, kList);
         },
         kAdded, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(file);
        if (c.fileBefore) Write(file, kList);
        EXPECT_EQ(Add(c.change), 0) << messages;
        EXPECT_EQ(calls, c.attempts);
        EXPECT_EQ(Text(file), c.expected);
        EXPECT_TRUE(OnlyTheFile());
    }
}

TEST_F(XScreenSaverFile, AFileThatKeepsChangingIsLeftAsTheOtherProgramLeftIt) {
    Write(file, kList);
    EXPECT_EQ(Add([&](int call) { Write(file, std::string(kList) + "timeout:\t0:0" + std::to_string(call) + ":00\n"); }),
              1);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(Text(file), std::string(kList) + "timeout:\t0:02:00\n");
    EXPECT_EQ(messages, "lumox: " + file.string() +
                            " was changed by another program while Lumox added its entry, twice; nothing changed "
                            "(close xscreensaver-settings and try again)\n");
    EXPECT_TRUE(OnlyTheFile());
}

}  // namespace
