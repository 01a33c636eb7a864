#include "app/xscreensaver_programs.h"

#include <cctype>
#include <vector>

namespace {

struct Lines {
    std::vector<std::string> lines;
    bool finalNewline = false;
};

Lines Split(const std::string& text) {
    Lines result;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            result.lines.push_back(text.substr(start));
            return result;
        }
        result.lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    result.finalNewline = !text.empty();
    return result;
}

std::string Join(const Lines& split) {
    std::string text;
    for (size_t i = 0; i < split.lines.size(); ++i) {
        if (i) text += '\n';
        text += split.lines[i];
    }
    if (split.finalNewline) text += '\n';
    return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool Continues(const std::string& line) { return !line.empty() && line.back() == '\\'; }

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

// Where the value of a "programs:" resource starts on line, or npos.
size_t ProgramsValueStart(const std::string& line) {
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    static const char kName[] = "programs";
    if (line.compare(i, sizeof kName - 1, kName) != 0) return std::string::npos;
    i += sizeof kName - 1;
    while (i < line.size() && IsBlank(line[i])) ++i;
    return i < line.size() && line[i] == ':' ? i + 1 : std::string::npos;
}

// The lines [first, last] of the file's last "programs:" resource;
// found is false without one. Lines that continue another resource (or a
// comment) are not looked at for the name.
struct ProgramsResource {
    bool found = false;
    size_t first = 0, last = 0, valueStart = 0;
};

ProgramsResource FindProgramsResource(const Lines& split) {
    ProgramsResource resource;
    const auto& lines = split.lines;
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t start = ProgramsValueStart(lines[i]);
        size_t last = i;
        while (Continues(lines[last]) && last + 1 < lines.size()) ++last;
        if (start != std::string::npos) resource = ProgramsResource{true, i, last, start};
        i = last;
    }
    return resource;
}

// The resource's value: its lines joined without their continuations.
std::string ProgramsValue(const Lines& split, const ProgramsResource& resource) {
    std::string value;
    for (size_t i = resource.first; i <= resource.last; ++i) {
        std::string line = split.lines[i];
        if (i == resource.first) line.erase(0, resource.valueStart);
        if (Continues(line)) line.pop_back();
        value += line;
    }
    return value;
}

// Whether one entry of the list runs lumox, and whether it is switched off.
ProgramsListing EntryListing(std::string entry) {
    entry = Trim(entry);
    bool off = false;
    if (!entry.empty() && entry[0] == '-') {
        off = true;
        entry = Trim(entry.substr(1));
    }
    // VISUAL: ("GL:", "default-n:")
    size_t k = 0;
    while (k < entry.size() &&
           (std::isalnum(static_cast<unsigned char>(entry[k])) || entry[k] == '-' || entry[k] == '_'))
        ++k;
    if (k > 0 && k < entry.size() && entry[k] == ':') entry = Trim(entry.substr(k + 1));
    // "LABEL"
    if (!entry.empty() && entry[0] == '"') {
        const size_t close = entry.find('"', 1);
        if (close == std::string::npos) return ProgramsListing::Absent;
        entry = Trim(entry.substr(close + 1));
    }
    size_t end = 0;
    while (end < entry.size() && !std::isspace(static_cast<unsigned char>(entry[end]))) ++end;
    std::string program = entry.substr(0, end);
    const size_t slash = program.rfind('/');
    if (slash != std::string::npos) program.erase(0, slash + 1);
    if (program != "lumox") return ProgramsListing::Absent;
    return off ? ProgramsListing::SwitchedOff : ProgramsListing::Listed;
}

const char kEntryIndent[] = "\t\t";

}  // namespace

ProgramsListing FindLumoxInPrograms(const std::string& text) {
    const Lines split = Split(text);
    const ProgramsResource resource = FindProgramsResource(split);
    if (!resource.found) return ProgramsListing::Absent;
    const std::string value = ProgramsValue(split, resource);
    ProgramsListing found = ProgramsListing::Absent;
    size_t start = 0;
    for (;;) {
        const size_t end = value.find("\\n", start);
        const ProgramsListing entry = EntryListing(value.substr(start, end == std::string::npos ? end : end - start));
        if (entry == ProgramsListing::Listed) return entry;
        if (entry == ProgramsListing::SwitchedOff) found = entry;
        if (end == std::string::npos) return found;
        start = end + 2;
    }
}

std::string AddLumoxToPrograms(const std::string& text) {
    Lines split = Split(text);
    const ProgramsResource resource = FindProgramsResource(split);
    const std::string entry = std::string(kEntryIndent) + kLumoxProgramsEntry + " \\n";
    if (!resource.found) {
        // A line that continues into the end of the file would take the
        // new resource in; an empty line ends it first.
        if (!split.lines.empty() && Continues(split.lines.back())) split.lines.push_back("");
        split.lines.push_back("programs:\t\\");
        split.lines.push_back(entry);
        split.finalNewline = true;
        return Join(split);
    }
    // The list's last line leads on to the new entry: it gains the
    // continuation, and the "\n" that ends its own entry when it has none.
    const std::string value = Trim(ProgramsValue(split, resource));
    const bool entryEnded = value.empty() || (value.size() >= 2 && value.compare(value.size() - 2, 2, "\\n") == 0);
    std::string& tail = split.lines[resource.last];
    const bool continued = Continues(tail);
    std::string body = continued ? tail.substr(0, tail.size() - 1) : tail;
    if (!entryEnded) body += " \\n";
    if (!continued || !entryEnded) tail = body + "\\";
    split.lines.insert(split.lines.begin() + static_cast<std::ptrdiff_t>(resource.last) + 1, entry);
    if (resource.last + 2 == split.lines.size()) split.finalNewline = true;
    return Join(split);
}

std::string NewXScreenSaverFile() {
    return AddLumoxToPrograms(
        "# XScreenSaver Preferences File\n"
        "# Written by lumox --add-to-xscreensaver. XScreenSaver adds its own programs\n"
        "# to the list below and keeps its defaults for every other setting.\n"
        "\n");
}
