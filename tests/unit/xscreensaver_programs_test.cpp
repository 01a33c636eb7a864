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

// The text with Lumox's entry added; fails the test where it cannot be.
std::string Added(const std::string& text) {
    std::string added;
    EXPECT_TRUE(AddLumoxToPrograms(text, added)) << text;
    return added;
}

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
    const std::string added = Added(kSettingsFile);
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
        "programs:\tqix -root \\\n\nfoo: bar\n",        // an entry continued into an empty line
    };
    for (const std::string& file : files) {
        ASSERT_EQ(FindLumoxInPrograms(file), ProgramsListing::Absent) << file;
        const std::string added = Added(file);
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
    EXPECT_EQ(Added("programs:\tqix -root\n"), "programs:\tqix -root \\n\\\n\t\tGL: lumox --root \\n\n");
    EXPECT_EQ(Added("timeout: 0:10:00"), "timeout: 0:10:00\nprograms:\t\\\n\t\tGL: lumox --root \\n\n");
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

// How the XScreenSaver 6 daemon reads its file: where its programs list
// is, what it holds, and the lines that look like a list but are not read.
struct Reading {
    std::string text;
    ProgramsListing listing;
    const char* unread;
};

TEST(XScreenSaverPrograms, TheListIsTheOneTheDaemonReads) {
    using P = ProgramsListing;
    const Reading cases[] = {
        {"Programs: lumox --root\n", P::Listed, ""},  // the name in any case
        {"PROGRAMS:\tGL: lumox --root \\n\n", P::Listed, ""},
        {"  \tprograms: lumox\n", P::Listed, ""},  // blanks before the name
        {"programs : lumox --root\n", P::Absent, "line 1, \"programs :\""},
        {"*programs: lumox --root\n", P::Absent, "line 1, \"*programs:\""},
        {"timeout: 1\nxscreensaver.programs: lumox\n", P::Absent, "line 2, \"xscreensaver.programs:\""},
        {"XScreenSaver*Programs:\tlumox\n", P::Absent, "line 1, \"XScreenSaver*Programs:\""},
        {"programs : qix\nPrograms: lumox\n", P::Listed, ""},  // a list is read: the other line is moot
        {"programs:\tqix\nprograms\t: lumox\n", P::Absent, ""},
        {"pro\\grams: lumox\n", P::Listed, ""},               // escapes go before the name is read
        {"programs: lumox\nPrograms: qix\n", P::Absent, ""},    // the last list counts
        {"# a comment \\\nprograms: lumox\n", P::Absent, ""},  // a comment continued takes the line in
        {"! programs: lumox\n; programs: lumox\n", P::Absent, ""},
        {"programs: qix \\n lumox\n", P::Listed, ""},
        {"programs: qix \\\\n lumox\n", P::Absent, ""},  // a backslash and "n": one entry, qix's
        {"programs: qix\\tlumox\n", P::Absent, ""},        // a tab parts no entries
        {"programs: qix \\n lumo\\x\n", P::Listed, ""},
        {"programs:\t\\\r\n  lumox --root \\n\r\n", P::Absent, ""},  // CR LF: nothing goes on
        {"\\\nprograms: lumox\n", P::Listed, ""},                  // a line of one backslash goes not on
        {"a:\\\nprograms: lumox\n", P::Absent, ""},                // a longer one does
        {"programs: qix\n \\n lumox\n", P::Absent, ""},
        {"programs: qix \\n lumox\\z", P::Listed, ""},  // at the end: the backslash and the "z" go
        {std::string("programs: lumox\0 \\n qix\nfoo: bar\n", 32), P::Absent, ""},  // cut at the NUL
        {"programs: lumox\0", P::Listed, ""},
        {"programs: -GL: lumox --root \\n\n", P::SwitchedOff, ""},
        {"programs: \"Lumox\n", P::Absent, ""},  // a label to the end: no command
        {"programs: GL:\"L\"lumox\n", P::Listed, ""},
        {"programs: GL \"L\" lumox\n", P::Absent, ""},  // no visual: GL is the command
        {"-programs: lumox\n", P::Absent, ""},
    };
    for (const Reading& c : cases) {
        EXPECT_EQ(FindLumoxInPrograms(c.text), c.listing) << c.text;
        EXPECT_EQ(UnreadProgramsList(c.text), c.unread) << c.text;
    }
}

// What adding makes of a file, to the byte, and where it refuses.
TEST(XScreenSaverPrograms, TheEntryGoesIntoTheListTheDaemonReads) {
    const std::pair<std::string, std::string> cases[] = {
        // The user's list, in capitals, takes it: no second list.
        {"Programs:\tqix -root\nmode: one\n", "Programs:\tqix -root \\n\\\n\t\tGL: lumox --root \\n\nmode: one\n"},
        {"programs:\t\\\n", "programs:\t\\\n\t\tGL: lumox --root \\n\n"},
        {"programs:\tqix \\n\\\n", "programs:\tqix \\n\\\n\t\tGL: lumox --root \\n\n"},
        {"programs: qix", "programs: qix \\n\\\n\t\tGL: lumox --root \\n\n"},
        // A line that a list made of its own would join: empty lines first.
        {"a: x \\\\\n", "a: x \\\\\n\n\nprograms:\t\\\n\t\tGL: lumox --root \\n\n"},
        {"a: x\\", "a: x\\\n\nprograms:\t\\\n\t\tGL: lumox --root \\n\n"},
        {"programs : qix\n", "programs : qix\nprograms:\t\\\n\t\tGL: lumox --root \\n\n"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(Added(text), expected) << text;
        EXPECT_EQ(FindLumoxInPrograms(expected), ProgramsListing::Listed) << expected;
    }
    // At the end of a file without a newline the daemon drops a backslash
    // and the character after it; once a line follows, it reads them.
    for (const char* text : {"a: b\\x", "programs: qix\\x", "programs: qix\\\\x"}) {
        std::string added = "untouched";
        EXPECT_FALSE(AddLumoxToPrograms(text, added)) << text;
        EXPECT_EQ(added, "untouched");
    }
}

}  // namespace
