#include "app/saver_command.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SaverCommandLine, ProgramNameIsSkippedQuotedOrNot) {
    EXPECT_STREQ(SkipProgramName("\"C:\\Program Files\\lumox.scr\" /s"), "/s");
    EXPECT_STREQ(SkipProgramName("C:\\WINDOWS\\lumox.scr /p 1234"), "/p 1234");
    EXPECT_STREQ(SkipProgramName("lumox.scr"), "");
    EXPECT_STREQ(SkipProgramName("\"lumox.scr\""), "");
    // An unterminated quote takes the whole line as the name.
    EXPECT_STREQ(SkipProgramName("\"C:\\a b\\lumox.scr /s"), "");
    // Text right after the closing quote is already the arguments.
    EXPECT_STREQ(SkipProgramName("\"lumox.scr\"/c"), "/c");
    // Blanks and control characters after the name go; bytes above 127 are
    // part of an unquoted name.
    EXPECT_STREQ(SkipProgramName("lumox.scr \t\x01\x1f /c"), "/c");
    EXPECT_STREQ(SkipProgramName("l\xe9mox.scr /s"), "/s");
    EXPECT_STREQ(SkipProgramName(""), "");
}

TEST(SaverCommandLine, QuotedNameAdvancesByTheGivenCharacterStep) {
    // A double-byte character whose second byte is a quote does not end the
    // name when the step knows the code page.
    auto doubleByteStep = [](const char* text) -> const char* {
        return text + (static_cast<unsigned char>(*text) == 0x81 && text[1] ? 2 : 1);
    };
    const char* line = "\"a\x81\"b\" /s";
    EXPECT_STREQ(SkipProgramName(line, doubleByteStep), "/s");
    EXPECT_STREQ(SkipProgramName(line), "b\" /s");
}

TEST(SaverCommandLine, EveryFirstByteHasItsResult) {
    for (int byte = 1; byte < 256; ++byte) {
        const char text[2] = {static_cast<char>(byte), '\0'};
        const SaverCommand nt = ParseSaverCommand(text, false);
        const SaverCommand w9x = ParseSaverCommand(text, true);
        SaverMode expected = SaverMode::Refused;
        switch (byte) {
            case ' ': case '-': case '/': expected = SaverMode::ConfigDialog; break;
            case 'S': case 's': expected = SaverMode::FullScreen; break;
            case 'P': case 'p': case 'L': case 'l': expected = SaverMode::Preview; break;
            case 'C': case 'c': expected = SaverMode::ConfigDialogForOwner; break;
            default: break;
        }
        EXPECT_EQ(nt.mode, expected) << "byte " << byte;
        if (byte == 'A' || byte == 'a')
            EXPECT_EQ(w9x.mode, SaverMode::ChangePassword) << "byte " << byte;
        else
            EXPECT_EQ(w9x.mode, expected) << "byte " << byte;
    }
    EXPECT_EQ(ParseSaverCommand("", false).mode, SaverMode::ConfigDialog);
}

TEST(SaverCommandLine, FirstRecognisedLetterDecides) {
    for (const char* text : {"/s", "-s", "s", "S", "   s", " /S", "--s", "/-/ s", "/s /p 12", "/sx", "/Sc"})
        EXPECT_EQ(ParseSaverCommand(text, false).mode, SaverMode::FullScreen) << text;
    for (const char* text : {"/x", "\t/s", "\x01/s", "x /s", "?", "\xff", "/ \ts"})
        EXPECT_EQ(ParseSaverCommand(text, false).mode, SaverMode::Refused) << text;
    EXPECT_EQ(ParseSaverCommand("  --/  ", false).mode, SaverMode::ConfigDialog);
}

TEST(SaverCommandLine, PreviewHandleOnlyAfterSpaces) {
    SaverCommand spaced = ParseSaverCommand("/p 1234", false);
    ASSERT_EQ(spaced.mode, SaverMode::Preview);
    EXPECT_EQ(ParseWindowHandle(spaced.argument), 1234u);

    SaverCommand colon = ParseSaverCommand("/p:1234", false);
    ASSERT_EQ(colon.mode, SaverMode::Preview);
    EXPECT_EQ(ParseWindowHandle(colon.argument), 0u);  // ends with -1

    SaverCommand bare = ParseSaverCommand("/p", false);
    ASSERT_EQ(bare.mode, SaverMode::Preview);
    EXPECT_STREQ(bare.argument, "");
    EXPECT_EQ(ParseWindowHandle(bare.argument), 0u);

    EXPECT_EQ(ParseWindowHandle(ParseSaverCommand("/l    77 junk", false).argument), 77u);
    EXPECT_EQ(ParseWindowHandle(ParseSaverCommand("P12", false).argument), 12u);
    // Only spaces come between the letter and the number.
    EXPECT_EQ(ParseWindowHandle(ParseSaverCommand("/p\t12", false).argument), 0u);
}

TEST(SaverCommandLine, ConfigOwnerOnlyAfterAColon) {
    EXPECT_EQ(ParseSaverCommand("/c:1234", false).owner, 1234u);
    EXPECT_EQ(ParseSaverCommand("/C:99x", false).owner, 99u);
    for (const char* text : {"/c 1234", "/c:0", "/c:abc", "/c", "/c:", "/c::5"}) {
        const SaverCommand command = ParseSaverCommand(text, false);
        EXPECT_EQ(command.mode, SaverMode::ConfigDialogForOwner) << text;
        EXPECT_EQ(command.owner, 0u) << text;
    }
    EXPECT_EQ(ParseSaverCommand("", false).owner, 0u);
}

TEST(SaverCommandLine, PasswordChangeOnlyOnTheWindows95Family) {
    EXPECT_EQ(ParseSaverCommand("/a", false).mode, SaverMode::Refused);
    EXPECT_EQ(ParseSaverCommand("/A 5", false).mode, SaverMode::Refused);
    const SaverCommand change = ParseSaverCommand("/a  5678", true);
    ASSERT_EQ(change.mode, SaverMode::ChangePassword);
    EXPECT_EQ(ParseWindowHandle(change.argument), 5678u);
}

TEST(SaverCommandLine, WindowHandleIsDecimalAndNeverWraps) {
    EXPECT_EQ(ParseWindowHandle("1234"), 1234u);
    EXPECT_EQ(ParseWindowHandle("12ab"), 12u);
    EXPECT_EQ(ParseWindowHandle("0"), 0u);
    EXPECT_EQ(ParseWindowHandle(""), 0u);
    EXPECT_EQ(ParseWindowHandle("abc"), 0u);
    EXPECT_EQ(ParseWindowHandle(" 12"), 0u);
    EXPECT_EQ(ParseWindowHandle("-5"), 0u);
    EXPECT_EQ(ParseWindowHandle("0x1f"), 0u);
    EXPECT_EQ(ParseWindowHandle("000000000000000000000000042"), 42u);
    EXPECT_EQ(ParseWindowHandle("4294967295"), 0xFFFFFFFFu);
    // Past the largest handle: no window, not the wrapped remainder.
    EXPECT_EQ(ParseWindowHandle("4294967296"), 0u);
    EXPECT_EQ(ParseWindowHandle("4294967297"), 0u);
    EXPECT_EQ(ParseWindowHandle("18446744073709551617"), 0u);
    EXPECT_EQ(ParseWindowHandle(std::string(400, '9').c_str()), 0u);
}

}  // namespace
