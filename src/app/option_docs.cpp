#include "app/option_docs.h"

#include "app/command_line.h"
#include "settings/settings.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

const char kSummary[] =
    "Lumox draws a figure of pulsing, tumbling quads textured with live video from a webcam over a feedback "
    "tunnel: each frame redraws the previous one slightly enlarged, so that the figure leaves trails rushing "
    "outward, and an optional radial blur makes it stream light.";

// When lumox.cfg is written, as the man page and the README tell it.
const char kSettingsFileWrites[] =
    "It is written in two cases only: when the configuration dialog is confirmed (OK or Enter), and when a run "
    "full screen, in a window or in a preview (-s, --window, /p) ends because it cannot read its picture; it then "
    "saves the settings with an empty picture path (the defaults, if there was no file), as the Windows saver "
    "does. A hack (--root, --window-id), which draws on without the picture, and a snapshot never write it, and "
    "settings given as options never change it.";

const char kStillPicture[] =
    "Without a camera, with the camera switched off (--no-camera, or \"Use the camera\" cleared in XScreenSaver's "
    "settings panel), or when the camera is busy or fails, the quads show a still picture: the one --picture "
    "names (a PNG, JPEG, GIF, TIFF or 24-bit BMP file, or a folder, one of whose pictures shows at each run), else "
    "lumox.bmp in the settings directory, else the installed default picture. With the camera off no video "
    "source is made at all: no device is opened and the camera's light stays off.";

// The screen-saver switches, read as on Windows after the long options.
struct SaverSwitch {
    const char* usage;
    const char* roff;
    const char* help;
};
const SaverSwitch kSaverSwitches[] = {
    {"(none), /c", "(none), \\fB/c\\fP", "the configuration dialog (/c:ID: owned by window ID); OK saves lumox.cfg"},
    {"-s, /s", "\\fB\\-s\\fP, \\fB/s\\fP", "run the saver full screen; Escape or a moving mouse ends it"},
    {"/p ID", "\\fB/p\\fP \\fIID\\fP", "run the saver on the X window ID (decimal), like the Windows preview"},
};

// The record without a settings file. ApplyDefaultSettings works on the
// process's record, which is given back as it was.
SaverSettings Defaults() {
    const SaverSettings kept = saverSettings;
    saverSettings = SaverSettings{};
    ApplyDefaultSettings();
    const SaverSettings defaults = saverSettings;
    saverSettings = kept;
    return defaults;
}

std::string Number(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Range(const OptionSpec& spec) {
    return Number(spec.low, spec.decimals) + " to " + Number(spec.high, spec.decimals);
}

// "(default 10)", "(default on)": the value without a settings file.
std::string DefaultNote(const OptionSpec& spec, const SaverSettings& defaults) {
    const double value = SettingValue(*spec.setting, defaults);
    if (spec.kind == OptionKind::Flag) return value != 0 ? "on" : "off";
    return Number(value, spec.decimals);
}

bool HasDefault(const OptionSpec& spec) {
    return spec.group == OptionGroup::Setting && (spec.kind == OptionKind::Flag || spec.kind == OptionKind::Number);
}

// "--speed N", "--[no-]blur".
std::string Synopsis(const OptionSpec& spec) {
    std::string text = spec.kind == OptionKind::Flag ? std::string("--[no-]") + spec.name : std::string("--") + spec.name;
    if (spec.valueName) text += std::string(" ") + spec.valueName;
    return text;
}

std::string HelpLine(const OptionSpec& spec, const SaverSettings& defaults) {
    std::string text = spec.help;
    if (spec.kind == OptionKind::Number && spec.group == OptionGroup::Setting) text += ", " + Range(spec);
    if (HasDefault(spec)) text += " (default " + DefaultNote(spec, defaults) + ")";
    return text;
}

// text's words from column on (after what the line already holds), the
// lines that follow indented by indent, none past 79 columns.
std::string Wrap(const std::string& text, size_t column, size_t indent) {
    constexpr size_t kWidth = 79;
    std::string out;
    bool lineHasWord = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (lineHasWord && column + 1 + word.size() > kWidth) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (lineHasWord) {
            out += ' ';
            ++column;
        }
        lineHasWord = true;
        out += word;
        column += word.size();
        start = end + 1;
    }
    return out + "\n";
}

// "  --name VALUE        help", the help in a column of its own.
void AddColumns(std::string& out, const std::string& left, const std::string& right) {
    constexpr size_t kIndent = 24;
    out += "  " + left;
    out += left.size() + 2 < kIndent ? std::string(kIndent - 2 - left.size(), ' ') : "\n" + std::string(kIndent, ' ');
    out += Wrap(right, kIndent, kIndent);
}

// Roff text: backslashes and minus signs escaped, no line taken for a
// request.
std::string Roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

// A help line as a sentence of the man page.
std::string Sentence(std::string text) {
    if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text + ".";
}

std::string Xml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string Attribute(const char* name, const std::string& value) { return std::string(" ") + name + "=\"" + Xml(value) + "\""; }

std::string PanelControlXml(const OptionSpec& spec, const SaverSettings& defaults) {
    const PanelControl& panel = spec.panel;
    std::string arg = std::string("--") + spec.name;
    std::string line = "    <";
    if (spec.kind == OptionKind::Number) {
        line += "number" + Attribute("id", panel.id) + Attribute("type", "slider") + Attribute("arg", arg + " %") +
                Attribute("_label", panel.label) + Attribute("_low-label", panel.lowLabel) +
                Attribute("_high-label", panel.highLabel) + Attribute("low", Number(spec.low, spec.decimals)) +
                Attribute("high", Number(spec.high, spec.decimals)) +
                Attribute("default", Number(SettingValue(*spec.setting, defaults), spec.decimals));
        if (panel.invert) line += Attribute("convert", "invert");
    } else if (spec.kind == OptionKind::Flag) {
        // The check box writes a switch only to leave the default.
        const bool on = SettingValue(*spec.setting, defaults) != 0;
        line += "boolean" + Attribute("id", panel.id) + Attribute("_label", panel.label) +
                (on ? Attribute("arg-unset", std::string("--no-") + spec.name) : Attribute("arg-set", arg));
    } else if (spec.kind == OptionKind::Switch) {
        line += "boolean" + Attribute("id", panel.id) + Attribute("_label", panel.label) + Attribute("arg-set", arg);
    } else {
        const bool file = std::strcmp(spec.valueName, "FILE") == 0;
        line += std::string(file ? "file" : "string") + Attribute("id", panel.id) + Attribute("_label", panel.label) +
                Attribute("arg", arg + " %");
    }
    return line + "/>\n";
}

}  // namespace

std::string UsageText() {
    const SaverSettings defaults = Defaults();
    size_t count = 0;
    const OptionSpec* table = OptionTable(count);
    std::string out = "Usage: lumox [OPTION]...\n";
    out += Wrap(kSummary, 0, 0) + "\nThe screen-saver switches, as on Windows:\n";
    for (const SaverSwitch& s : kSaverSwitches) AddColumns(out, s.usage, s.help);
    out += "\nOptions (one or two leading dashes):\n";
    for (size_t i = 0; i < count; ++i)
        if (table[i].group != OptionGroup::Setting) AddColumns(out, Synopsis(table[i]), HelpLine(table[i], defaults));
    out += "\nSettings for this run; they replace those of lumox.cfg and never change it:\n";
    for (size_t i = 0; i < count; ++i)
        if (table[i].group == OptionGroup::Setting) AddColumns(out, Synopsis(table[i]), HelpLine(table[i], defaults));
    out +=
        "\nSettings are read from $XDG_CONFIG_HOME/lumox/lumox.cfg (else ~/.config/lumox),\n"
        "the picture from lumox.bmp there (else the installed default picture).\n"
        "Exit status: 0 on success, 255 (-1) for a command line it does not take, 1 when\n"
        "a run cannot start.\n";
    return out;
}

std::string ManPage(const char* version) {
    const SaverSettings defaults = Defaults();
    size_t count = 0;
    const OptionSpec* table = OptionTable(count);
    std::string out;
    out += std::string(".TH LUMOX 6x \"\" \"lumox ") + Roff(version) + "\" \"XScreenSaver\"\n";
    out += ".SH NAME\nlumox \\- live video on pulsing quads over a feedback tunnel\n";
    out += ".SH SYNOPSIS\n.B lumox\n[\\fB\\-\\-root\\fP] [\\fB\\-\\-window\\-id\\fP \\fIID\\fP] [\\fB\\-\\-fps\\fP] "
           "[\\fIsetting\\fP...]\n.br\n.B lumox\n\\fB\\-\\-window\\fP | \\fB\\-s\\fP | \\fB/p\\fP \\fIID\\fP "
           "[\\fB\\-\\-fps\\fP] [\\fIsetting\\fP...]\n.br\n.B lumox\n\\fB\\-\\-snapshot\\fP \\fIFILE.png\\fP "
           "[\\fIsnapshot option\\fP...] [\\fIsetting\\fP...]\n.br\n.B lumox\n[\\fB/c\\fP | "
           "\\fB\\-\\-add\\-to\\-xscreensaver\\fP | \\fB\\-\\-help\\fP | \\fB\\-\\-version\\fP]\n";
    out += ".SH DESCRIPTION\n" + Roff(kSummary) + "\n.PP\n" + Roff(kStillPicture) + "\n.PP\n" +
           Roff("As an XScreenSaver hack it runs as \"lumox --root\" from /usr/libexec/xscreensaver; "
                "xscreensaver-settings shows its settings panel, whose controls write the options below. "
                "Run \"lumox --add-to-xscreensaver\" once to put it into the programs list of ~/.xscreensaver. "
                "Without an option, lumox opens its own configuration dialog, which edits lumox.cfg.") +
           "\n";
    out += ".SH OPTIONS\nEvery option takes one or two leading dashes. The screen-saver switches are read as "
           "on Windows:\n";
    for (const SaverSwitch& s : kSaverSwitches) out += std::string(".TP\n") + s.roff + "\n" + Roff(Sentence(s.help)) + "\n";
    for (size_t i = 0; i < count; ++i) {
        const OptionSpec& spec = table[i];
        if (spec.group == OptionGroup::Setting && (i == 0 || table[i - 1].group != OptionGroup::Setting))
            out += ".PP\n" +
                   Roff("The settings below replace those of lumox.cfg for the run they start and never change "
                        "the file. A value out of range, or not a number, ends the program with a message and exit "
                        "status 255.") +
                   "\n";
        out += ".TP\n";
        if (spec.kind == OptionKind::Flag)
            out += "\\fB\\-\\-" + Roff(spec.name) + "\\fP, \\fB\\-\\-no\\-" + Roff(spec.name) + "\\fP\n";
        else
            out += "\\fB\\-\\-" + Roff(spec.name) + "\\fP" + (spec.valueName ? " \\fI" + Roff(spec.valueName) + "\\fP" : "") +
                   "\n";
        out += Roff(Sentence(HelpLine(spec, defaults))) + "\n";
    }
    out += ".SH FILES\n.TP\n.I $XDG_CONFIG_HOME/lumox/lumox.cfg\n" +
           Roff(std::string("The settings (else ~/.config/lumox/lumox.cfg): 1348 bytes, the same file as the "
                            "Windows saver's; without it the defaults apply. ") +
                kSettingsFileWrites) +
           "\n.TP\n.I $XDG_CONFIG_HOME/lumox/lumox.bmp\n" +
           Roff("The user's still picture, an uncompressed 24-bit bitmap (else ~/.config/lumox/lumox.bmp).") +
           "\n.TP\n.I /usr/share/lumox/lumox.bmp\n" + Roff("The default still picture.") +
           "\n.TP\n.I ~/.xscreensaver\n" +
           Roff("XScreenSaver's settings, whose programs list --add-to-xscreensaver extends.") +
           "\n.TP\n.I /usr/share/xscreensaver/config/lumox.xml\n" +
           Roff("The settings panel of xscreensaver-settings.") + "\n";
    out += ".SH ENVIRONMENT\n.TP\n.B XSCREENSAVER_WINDOW\n" +
           Roff("The window --root draws on (hexadecimal 0x... or decimal), set by XScreenSaver.") +
           "\n.TP\n.B DISPLAY\n" + Roff("The X display of every run but --snapshot.") +
           "\n.TP\n.B XDG_CONFIG_HOME\n" + Roff("Where the settings directory lumox is; else ~/.config.") +
           "\n.TP\n.B HOME\n" + Roff("Where ~/.config and ~/.xscreensaver are.") +
           "\n.TP\n.B LUMOX_VIDEO_SOURCE\n" +
           Roff("A gst-launch description of a video source that replaces the camera, such as "
                "\"videotestsrc pattern=ball is-live=true\".") +
           "\n.TP\n.B LUMOX_FRAME_TRACE\n" +
           Roff("A file that receives a line per frame drawn (viewport, window, centre pixel).") + "\n";
    out += ".SH EXIT STATUS\n.TP\n.B 0\n" +
           Roff("The run ended as asked (Escape, q, the window's close, SIGTERM), or the option's work is done.") +
           "\n.TP\n.B 1\n" +
           Roff("A run could not start (no display, no OpenGL, no still picture outside a hack) or a file could "
                "not be written.") +
           "\n.TP\n.B 255\n" + Roff("The command line is not one lumox takes (-1, as on Windows).") + "\n";
    out += ".SH SEE ALSO\n.BR xscreensaver (1),\n.BR xscreensaver\\-settings (1)\n";
    return out;
}

std::string XScreenSaverXml() {
    const SaverSettings defaults = Defaults();
    size_t count = 0;
    const OptionSpec* table = OptionTable(count);
    std::string sliders, checks, others;
    for (size_t i = 0; i < count; ++i) {
        const OptionSpec& spec = table[i];
        if (spec.panel.id.empty()) continue;
        const std::string control = PanelControlXml(spec, defaults);
        if (spec.kind == OptionKind::Number)
            sliders += control;
        else if (spec.kind == OptionKind::Flag)
            checks += control;
        else
            others += control;
    }
    std::string out = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\n";
    out += "<screensaver name=\"lumox\" _label=\"Lumox\" gl=\"yes\">\n\n  <command arg=\"--root\"/>\n\n";
    out += "  <hgroup>\n   <vgroup>\n" + sliders + "   </vgroup>\n   <vgroup>\n" + checks + "   </vgroup>\n  </hgroup>\n\n";
    out += others;
    out += "\n  <_description>\n" + Xml(kSummary) + "\n\n" + Xml(kStillPicture) +
           "\n\nA control left at its default writes no option: the run takes that setting from the "
           "configuration dialog (run lumox), and no control ever changes the dialog's file. The camera is no "
           "setting of the dialog: it is on unless \"Use the camera\" is cleared here.\n  </_description>\n</screensaver>\n";
    return out;
}
