#include "app/xscreensaver_programs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// As xscreensaver-settings writes it: the list continued over lines, one
// entry switched off, one with a label, other resources around it.
const char kSettingsFile[] =
    "# XScreenSaver Preferences File\n"
    "timeout:\t0:10:00\n"
    "mode:\t\tone\n"
    "selected:\t2\n"
    "textLiteral:\tXScreenSaver \\\n"
    "programs: in a continued value\n"
    "programs:\t\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze -root\t\t\t\t    \\n\\\n"
    "  GL: \t\t\t\tsuperquadrics -root\t\t\t    \\n\\\n"
    "-\t\t\t\tqix -root -solid -segments 100\t\t    \\n\\\n"
    "  GL: \t\t\t\t\"Blinky\" blinkbox -root\t\t    \\n\n"
    "\n"
    "\n"
    "pointerHysteresis:\t10\n";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0, end;
    while ((end = text.find('\n', start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

TEST(XScreenSaverPrograms, EntryGoesLastAndEveryOtherLineStays) {
    ASSERT_EQ(FindLumoxInPrograms(kSettingsFile), ProgramsListing::Absent);
    const std::string added = AddLumoxToPrograms(kSettingsFile);
    EXPECT_EQ(FindLumoxInPrograms(added), ProgramsListing::Listed);

    const auto before = Lines(kSettingsFile), after = Lines(added);
    ASSERT_EQ(after.size(), before.size() + 1);
    const size_t tail = 10;  // the list's last line: "... blinkbox -root ... \n"
    for (size_t i = 0; i < tail; ++i) EXPECT_EQ(after[i], before[i]) << i;
    EXPECT_EQ(after[tail], before[tail] + "\\");
    EXPECT_EQ(after[tail + 1], "\t\tGL: lumox --root \\n");
    for (size_t i = tail + 1; i < before.size(); ++i) EXPECT_EQ(after[i + 1], before[i]) << i;
    // The other entries keep their places: "selected: 2" still means qix.
    EXPECT_LT(added.find("qix -root"), added.find("lumox --root"));
    EXPECT_LT(added.find("blinkbox"), added.find("lumox --root"));
}

TEST(XScreenSaverPrograms, ListsOfEveryShapeTakeTheEntryOnce) {
    const std::vector<std::string> files = {
        "programs:\tqix -root\n",                       // one entry, no "\n" after it
        "programs:\tqix -root \\n\n",                    // one entry ended by "\n"
        "programs:\n",                                   // an empty list
        "programs:\t\\\n",                               // continued into the end
        "programs:\tqix -root \\n\\",                    // the same without a newline
        "timeout: 0:10:00",                              // no list, no final newline
        "textLiteral: x \\",                             // a value continued into the end
        "",
        "programs: maze -root \\n\nprograms: qix -root\n",  // the last list counts
        "programs : qix -root\nfoo: bar\n",
        "programs:\tqix -root \\\n\nfoo: bar\n",        // an entry continued into an empty line
    };
    for (const std::string& file : files) {
        ASSERT_EQ(FindLumoxInPrograms(file), ProgramsListing::Absent) << file;
        const std::string added = AddLumoxToPrograms(file);
        EXPECT_EQ(FindLumoxInPrograms(added), ProgramsListing::Listed) << file << "\n=>\n" << added;
        // No entry was lost or joined to ours.
        for (const char* hack : {"qix -root", "maze -root"}) {
            if (file.find(hack) != std::string::npos) {
                EXPECT_NE(added.find(hack), std::string::npos) << file;
            }
        }
        const size_t first = added.find("lumox");
        EXPECT_EQ(added.find("lumox", first + 1), std::string::npos) << added;
    }
    EXPECT_EQ(AddLumoxToPrograms("programs:\tqix -root\n"), "programs:\tqix -root \\n\\\n\t\tGL: lumox --root \\n\n");
    EXPECT_EQ(AddLumoxToPrograms("timeout: 0:10:00"), "timeout: 0:10:00\nprograms:\t\\\n\t\tGL: lumox --root \\n\n");
    EXPECT_EQ(FindLumoxInPrograms(NewXScreenSaverFile()), ProgramsListing::Listed);
}

TEST(XScreenSaverPrograms, LumoxIsFoundInEveryFormOfEntry) {
    for (const char* entry : {"lumox --root", "GL: lumox --root", "GL: \"Lumox\" lumox --root",
                              "  GL: \t\"Lumox (fast)\" /usr/libexec/xscreensaver/lumox -root -count 5",
                              "default-n: lumox"})
        EXPECT_EQ(FindLumoxInPrograms(std::string("programs: qix \\n\\\n ") + entry + " \\n\n"),
                  ProgramsListing::Listed)
            << entry;
    EXPECT_EQ(FindLumoxInPrograms("programs: -GL: lumox --root \\n\n"), ProgramsListing::SwitchedOff);
    EXPECT_EQ(FindLumoxInPrograms("programs: -GL: lumox \\n lumox -root\n"), ProgramsListing::Listed);
    for (const char* other : {"programs: lumoxish -root\n", "programs: \"lumox\" qix -root\n",
                              "programs: GL: \"lumox --root\n", "# programs: lumox --root\n",
                              "textLiteral: a \\\nprograms: lumox --root\n", "programs: maze\n#lumox --root\n",
                              "programs: lumox --root\nprograms: qix\n"})
        EXPECT_EQ(FindLumoxInPrograms(other), ProgramsListing::Absent) << other;
}

}  // namespace
