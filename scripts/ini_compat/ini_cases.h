#pragma once

// Runs a corpus of ini files and profile operations through one implementation of the profile
// functions and prints a transcript; compares two transcripts case by case. Shared by the driver
// built against our functions and the one built for Windows, so plain C++ and stdio only.
//
// Corpus, one directive per line, fields separated by "|", bytes written with the escapes
// \r \n \t \\ \| \xHH (and \e for an empty field):
//   # ...                         a comment
//   case|NAME                     starts a case; its file does not exist until "file" makes it
//   file|BYTES                    appends BYTES to the case's file (creating it)
//   read|SECTION|KEY|DEFAULT|N    a string read into room for N characters
//   int|SECTION|KEY|DEFAULT       an integer read
//   write|SECTION|KEY|VALUE       a write, followed in the transcript by the file's bytes
//   expect|REASON                 the case differs between the two sides, for REASON

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace ini_compat {

class ProfileFunctions {
public:
    virtual ~ProfileFunctions() = default;
    virtual std::string read(const std::string& section, const std::string& key,
                             const std::string& fallback, unsigned limit,
                             const std::string& path) = 0;
    virtual int readInt(const std::string& section, const std::string& key, int fallback,
                        const std::string& path) = 0;
    virtual bool write(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& path) = 0;
};

struct Case {
    std::string name;
    std::vector<std::vector<std::string>> steps; // "file", "read", "int", "write" with fields
    std::string expectedBecause;                 // empty: both sides must agree
};

inline int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

inline std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == 't')
            out += '\t';
        else if (c == 'e')
            ;
        else if (c == 'x' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
                 hexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else
            out += c;
    }
    return out;
}

inline std::string escape(const std::string& bytes) {
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        char hex[8];
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\\' || c == '"')
            out += std::string("\\") + ch;
        else if (c >= 0x20 && c < 0x7F)
            out += ch;
        else {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

// Splits at "|" not preceded by a backslash; each field is unescaped.
inline std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '|') {
            field += '|';
            ++i;
        } else if (line[i] == '|') {
            out.push_back(unescape(field));
            field.clear();
        } else {
            field += line[i];
        }
    }
    out.push_back(unescape(field));
    return out;
}

inline bool readLines(const char* path, std::vector<std::string>& lines) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    std::string line;
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    if (!line.empty())
        lines.push_back(line);
    std::fclose(file);
    return true;
}

// The corpus's cases, or an empty list after printing what is wrong with it.
inline std::vector<Case> loadCorpus(const char* path) {
    std::vector<std::string> lines;
    if (!readLines(path, lines)) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return {};
    }
    std::vector<Case> cases;
    const std::map<std::string, std::size_t> arity = {{"case", 2}, {"file", 2},  {"read", 5},
                                                      {"int", 4},  {"write", 4}, {"expect", 2}};
    for (std::size_t n = 0; n < lines.size(); ++n) {
        if (lines[n].empty() || lines[n][0] == '#')
            continue;
        const std::vector<std::string> f = fields(lines[n]);
        const auto known = arity.find(f[0]);
        if (known == arity.end() || f.size() != known->second ||
            (f[0] != "case" && cases.empty())) {
            std::fprintf(stderr, "%s:%zu: cannot use this line\n", path, n + 1);
            return {};
        }
        if (f[0] == "case")
            cases.push_back({f[1], {}, {}});
        else if (f[0] == "expect")
            cases.back().expectedBecause = f[1];
        else
            cases.back().steps.push_back(f);
    }
    return cases;
}

inline std::string fileBytes(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return "<missing>";
    std::string bytes;
    int c;
    while ((c = std::fgetc(file)) != EOF)
        bytes += static_cast<char>(c);
    std::fclose(file);
    return "\"" + escape(bytes) + "\"";
}

// Runs every case on a file of its own in `folder` (which ends in the platform's separator)
// and prints one block per case.
inline void runCorpus(const std::vector<Case>& cases, const std::string& folder,
                      ProfileFunctions& profile, std::FILE* out) {
    int number = 0;
    for (const Case& c : cases) {
        const std::string path = folder + "case" + std::to_string(++number) + ".ini";
        std::remove(path.c_str());
        std::fprintf(out, "case %s\n", c.name.c_str());
        for (const auto& step : c.steps) {
            if (step[0] == "file") {
                std::FILE* file = std::fopen(path.c_str(), "ab");
                if (file) {
                    std::fwrite(step[1].data(), 1, step[1].size(), file);
                    std::fclose(file);
                }
            } else if (step[0] == "read") {
                const unsigned limit = static_cast<unsigned>(std::strtoul(step[4].c_str(), 0, 10));
                const std::string got = profile.read(step[1], step[2], step[3], limit, path);
                std::fprintf(out, "  read [%s] %s (%u) -> \"%s\"\n", escape(step[1]).c_str(),
                             escape(step[2]).c_str(), limit, escape(got).c_str());
            } else if (step[0] == "int") {
                const int fallback = static_cast<int>(std::strtol(step[3].c_str(), 0, 10));
                const int got = profile.readInt(step[1], step[2], fallback, path);
                std::fprintf(out, "  int [%s] %s -> %d\n", escape(step[1]).c_str(),
                             escape(step[2]).c_str(), got);
            } else {
                const bool done = profile.write(step[1], step[2], step[3], path);
                std::fprintf(out, "  write [%s] %s=%s -> %s, file %s\n", escape(step[1]).c_str(),
                             escape(step[2]).c_str(), escape(step[3]).c_str(),
                             done ? "ok" : "failed", fileBytes(path).c_str());
            }
        }
        std::fprintf(out, "  file %s\n", fileBytes(path).c_str());
        std::remove(path.c_str());
    }
}

// Each case's block of a transcript, by case name.
inline std::map<std::string, std::vector<std::string>> blocks(const char* transcript) {
    std::vector<std::string> lines;
    readLines(transcript, lines);
    std::map<std::string, std::vector<std::string>> out;
    std::string current;
    for (const std::string& line : lines) {
        if (line.rfind("case ", 0) == 0)
            current = line.substr(5);
        else
            out[current].push_back(line);
    }
    return out;
}

// Prints every difference between the two transcripts; 0 when each case either agrees or
// differs as the corpus expects, 1 otherwise.
inline int compare(const std::vector<Case>& cases, const char* ours, const char* theirs,
                   const char* theirName, bool verbose) {
    auto our = blocks(ours);
    auto their = blocks(theirs);
    int same = 0;
    int expected = 0;
    int unexpected = 0;
    for (const Case& c : cases) {
        const std::vector<std::string>& a = our[c.name];
        const std::vector<std::string>& b = their[c.name];
        const bool differs = a != b || a.empty();
        if (!differs && c.expectedBecause.empty()) {
            ++same;
            continue;
        }
        if (differs && !c.expectedBecause.empty()) {
            ++expected;
            std::printf("expected  %s: %s\n", c.name.c_str(), c.expectedBecause.c_str());
            if (!verbose)
                continue;
        } else if (!differs) {
            ++unexpected;
            std::printf("AGREES    %s, though listed as differing: %s\n", c.name.c_str(),
                        c.expectedBecause.c_str());
            continue;
        } else {
            ++unexpected;
            std::printf("DIFFERS   %s\n", c.name.c_str());
        }
        for (std::size_t i = 0; i < a.size() || i < b.size(); ++i) {
            const std::string x = i < a.size() ? a[i] : "<nothing>";
            const std::string y = i < b.size() ? b[i] : "<nothing>";
            if (x == y)
                continue;
            std::printf("    ours: %s\n    %s: %s\n", x.c_str(), theirName, y.c_str());
        }
    }
    std::printf("ini-compat: %zu cases, %d alike, %d differ as expected, %d unexpected\n",
                cases.size(), same, expected, unexpected);
    return unexpected == 0 ? 0 : 1;
}

} // namespace ini_compat
