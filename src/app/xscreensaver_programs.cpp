#include "app/xscreensaver_programs.h"

#include <cctype>
#include <vector>

namespace {

// A line of the file: [begin, end) without its newline.
struct Line {
    size_t begin, end;
    bool newline;
};

std::vector<Line> SplitLines(const std::string& text) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back({start, text.size(), false});
            break;
        }
        lines.push_back({start, end, true});
        start = end + 1;
    }
    return lines;
}

// What one read of a line gives the daemon: the line with its newline, cut
// at a NUL byte as the C string it reads it into.
std::string Piece(const std::string& text, const Line& line) {
    std::string piece = text.substr(line.begin, line.end - line.begin) + (line.newline ? "\n" : "");
    const size_t nul = piece.find('\0');
    if (nul != std::string::npos) piece.resize(nul);
    return piece;
}

std::string Unescape(const std::string& in) {
    std::string out;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (++i == in.size()) break;
        switch (in[i]) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            default: out += in[i]; break;
        }
    }
    return out;
}

bool IsStripped(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Strip(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsStripped(text[begin])) ++begin;
    while (end > begin && IsStripped(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool SameIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

// One resource as the daemon reads it, and the lines it spans.
struct Resource {
    size_t first, last;
    std::string name;      // before the colon, as written
    std::string rawValue;  // after the colon, not stripped (the daemon strips it)
    bool IsPrograms() const { return SameIgnoringCase(name, "programs"); }
};

// Whether the daemon reads on after buffer (a line cut short, or ending in
// a backslash); a backslash that ends it goes, with the character after it.
bool ReadsOn(std::string& buffer) {
    if (buffer.size() <= 2 || (buffer.back() == '\n' && buffer[buffer.size() - 2] != '\\')) return false;
    if (buffer[buffer.size() - 2] == '\\') buffer.resize(buffer.size() - 2);
    return true;
}

// Reads the logical line that starts at line i into buffer, as the daemon
// joins it; the index of the line after it. readsOn: the file ended while
// the line went on.
size_t ReadLogicalLine(const std::string& text, const std::vector<Line>& lines, size_t i, std::string& buffer,
                       bool& readsOn) {
    buffer = Piece(text, lines[i++]);
    while ((readsOn = ReadsOn(buffer)) && i < lines.size()) buffer += Piece(text, lines[i++]);
    return i;
}

std::vector<Resource> ReadResources(const std::string& text, const std::vector<Line>& lines) {
    std::vector<Resource> resources;
    for (size_t i = 0; i < lines.size();) {
        const size_t first = i;
        std::string buffer;
        bool readsOn = false;
        i = ReadLogicalLine(text, lines, i, buffer, readsOn);
        // Without the newline that ends the line, which no backslash
        // escapes, the value's own last newline ("\n") shows.
        if (!readsOn && !buffer.empty() && buffer.back() == '\n') buffer.pop_back();
        std::string key = Unescape(buffer);
        size_t start = 0;
        while (start < key.size() && IsStripped(key[start])) ++start;
        key.erase(0, start);
        if (key.empty() || key[0] == '#' || key[0] == '!' || key[0] == ';') continue;
        const size_t colon = key.find(':');
        if (colon == std::string::npos) continue;  // the daemon: "unparsable line"
        resources.push_back({first, i - 1, key.substr(0, colon), key.substr(colon + 1)});
    }
    return resources;
}

// The index of the programs list the daemon reads (the last), or npos.
size_t ProgramsIndex(const std::vector<Resource>& resources) {
    for (size_t i = resources.size(); i-- > 0;)
        if (resources[i].IsPrograms()) return i;
    return std::string::npos;
}

struct Entry {
    bool enabled = true;
    std::string visual, label, command;
    bool operator==(const Entry& other) const {
        return enabled == other.enabled && visual == other.visual && label == other.label && command == other.command;
    }
};

// The command with runs of blanks made one space, until a quote or a
// backslash, after which it is taken as it is; no blanks at its end.
std::string FormatCommand(const std::string& in) {
    std::string out;
    for (size_t i = 0; i < in.size();) {
        const char c = in[i];
        if (c == '\'' || c == '"' || c == '`' || c == '\\') {
            out += in.substr(i);
            break;
        }
        if (c == ' ' || c == '\t') {
            while (i < in.size() && (in[i] == ' ' || in[i] == '\t')) ++i;
            out += ' ';
        } else {
            out += c;
            ++i;
        }
    }
    while (!out.empty() && IsSpace(out.back())) out.pop_back();
    return out;
}

Entry ParseEntry(const std::string& line) {
    Entry entry;
    size_t i = 0;
    const size_t n = line.size();
    while (i < n && IsSpace(line[i])) ++i;
    if (i < n && line[i] == '-') {
        entry.enabled = false;
        ++i;
        while (i < n && IsSpace(line[i])) ++i;
    }
    const size_t visual = i;
    while (i < n && line[i] != ':' && line[i] != '"' && !IsSpace(line[i])) ++i;
    if (i < n && line[i] == ':') {
        entry.visual = line.substr(visual, i - visual);
        ++i;
        while (i < n && IsSpace(line[i])) ++i;
    } else {
        i = visual;
    }
    if (i < n && line[i] == '"') {
        const size_t label = ++i;
        while (i < n && line[i] != '"') ++i;
        entry.label = line.substr(label, i - label);
        if (i < n) ++i;
        while (i < n && IsSpace(line[i])) ++i;
    }
    entry.command = FormatCommand(line.substr(i));
    return entry;
}

std::vector<Entry> Entries(const Resource& resource) {
    const std::string value = Strip(resource.rawValue);
    std::vector<Entry> entries;
    for (size_t start = 0; start < value.size();) {
        while (start < value.size() && (value[start] == ' ' || value[start] == '\t' || value[start] == '\n')) ++start;
        size_t end = start;
        while (end < value.size() && value[end] != '\n') ++end;
        entries.push_back(ParseEntry(value.substr(start, end - start)));
        start = end + 1;
    }
    return entries;
}

bool RunsLumox(const Entry& entry) {
    size_t end = 0;
    while (end < entry.command.size() && !IsSpace(entry.command[end])) ++end;
    std::string program = entry.command.substr(0, end);
    const size_t slash = program.rfind('/');
    if (slash != std::string::npos) program.erase(0, slash + 1);
    return program == "lumox";
}

// Whether the daemon reads added as it reads text, but for the programs
// list, which ends in Lumox's entry.
bool ReadsAsAdded(const std::string& text, const std::string& added) {
    const std::vector<Resource> before = ReadResources(text, SplitLines(text));
    const std::vector<Resource> after = ReadResources(added, SplitLines(added));
    const size_t list = ProgramsIndex(before);
    const size_t newList = ProgramsIndex(after);
    const bool appended = list == std::string::npos;
    if (after.size() != before.size() + (appended ? 1 : 0) ||
        newList != (appended ? before.size() : list))
        return false;
    for (size_t i = 0; i < before.size(); ++i) {
        if (after[i].name != before[i].name) return false;
        if (i != list && Strip(after[i].rawValue) != Strip(before[i].rawValue)) return false;
    }
    std::vector<Entry> expected = appended ? std::vector<Entry>{} : Entries(before[list]);
    expected.push_back(ParseEntry(kLumoxProgramsEntry));
    return Entries(after[newList]) == expected;
}

const char kEntryLine[] = "\t\tGL: lumox --root \\n";

}  // namespace

ProgramsListing FindLumoxInPrograms(const std::string& text) {
    const std::vector<Resource> resources = ReadResources(text, SplitLines(text));
    const size_t list = ProgramsIndex(resources);
    if (list == std::string::npos) return ProgramsListing::Absent;
    ProgramsListing found = ProgramsListing::Absent;
    for (const Entry& entry : Entries(resources[list])) {
        if (!RunsLumox(entry)) continue;
        if (entry.enabled) return ProgramsListing::Listed;
        found = ProgramsListing::SwitchedOff;
    }
    return found;
}

std::string UnreadProgramsList(const std::string& text) {
    const std::vector<Resource> resources = ReadResources(text, SplitLines(text));
    if (ProgramsIndex(resources) != std::string::npos) return "";
    for (const Resource& resource : resources) {
        // The name a reader sees: without blanks before the colon, nor an
        // X resource's "*" or "class." in front.
        std::string name = resource.name;
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
        const size_t cut = name.find_last_of("*.");
        if (cut != std::string::npos) name.erase(0, cut + 1);
        while (!name.empty() && (name[0] == ' ' || name[0] == '\t')) name.erase(0, 1);
        if (SameIgnoringCase(name, "programs"))
            return "line " + std::to_string(resource.first + 1) + ", \"" + resource.name + ":\"";
    }
    return "";
}

bool AddLumoxToPrograms(const std::string& text, std::string& added) {
    const std::vector<Line> lines = SplitLines(text);
    const std::vector<Resource> resources = ReadResources(text, lines);
    const size_t list = ProgramsIndex(resources);
    std::string candidate;
    if (list != std::string::npos) {
        // The list's last line leads on to the new entry: it gains the
        // continuation, and the "\n" that ends its own entry when it has
        // none.
        std::string value = resources[list].rawValue;
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
            value.pop_back();
        const bool entryEnded = value.empty() || value.back() == '\n';
        const Line& tail = lines[resources[list].last];
        const std::string before = text.substr(0, tail.end) + (entryEnded ? "" : " \\n");
        const std::string after = kEntryLine + (tail.newline ? text.substr(tail.end) : "\n");
        // A list continued into the end of the file has its continuation.
        if (entryEnded && tail.newline && tail.end > tail.begin && text[tail.end - 1] == '\\' &&
            ReadsAsAdded(text, before + "\n" + after)) {
            added = before + "\n" + after;
            return true;
        }
        candidate = before + "\\\n" + after;
    } else {
        // A list of its own at the end, after as many empty lines as a
        // line continued into the end of the file takes in.
        std::string base = text;
        if (!base.empty() && base.back() != '\n') base += '\n';
        const std::vector<Line> baseLines = SplitLines(base);
        std::string buffer;
        bool readsOn = false;
        for (size_t i = 0; i < baseLines.size();) i = ReadLogicalLine(base, baseLines, i, buffer, readsOn);
        while (readsOn) {
            base += '\n';
            buffer += '\n';
            readsOn = ReadsOn(buffer);
        }
        candidate = base + "programs:\t\\\n" + kEntryLine + "\n";
    }
    if (!ReadsAsAdded(text, candidate)) return false;
    added = candidate;
    return true;
}

std::string NewXScreenSaverFile() {
    std::string file;
    AddLumoxToPrograms(
        "# XScreenSaver Preferences File\n"
        "# Written by lumox --add-to-xscreensaver. XScreenSaver adds its own programs\n"
        "# to the list below and keeps its defaults for every other setting.\n"
        "\n",
        file);
    return file;
}
