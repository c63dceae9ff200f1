#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Private-profile (ini) files read and written with the rules the programs' settings files were
// made under, so that a file written by hand, by an older Windows build or by these programs reads
// the same everywhere:
//  - "[name]" lines open a section (the name runs to the line's last "]"); "key=value" lines are
//    entries (the first "=" splits, so a value may hold more "="); blanks around section names,
//    keys and values do not count;
//  - section and key names match without regard to ASCII case; other bytes are compared and
//    carried as they are (no encoding conversion: GBK and UTF-8 values pass through untouched);
//  - lines starting with ";" are comments; comments, blank lines and lines without "=" are kept
//    but never read as entries;
//  - only the first section of a name counts: a later one of the same name is neither read nor
//    written, even for a key the first lacks; within it the first entry of a key wins;
//  - a UTF-8 byte-order mark at the start is no part of the first line, and a write keeps it;
//  - CRLF and LF files both read (a lone CR ends no line); a write keeps the file's own line
//    endings and every byte it does not change.
// A file that is missing, a folder, not a regular file or unreadable reads as an empty file.
namespace platform {

// Value of `key` in `section`, or defaultValue (less its trailing spaces, its first character
// always kept) when the file, section or key is missing; cut to at most maxChars bytes (the
// Windows buffer of maxChars + 1), never between the two bytes of a GBK character. A value
// written in matching quotes ("..." or '...') is returned without them; a value ends at a NUL
// byte. A key present with an empty value gives "".
std::string getProfileString(std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t maxChars,
                             const std::string& path);

// Integer value as Windows reads it from the value's first 29 characters: blanks and control
// characters, an optional sign, then "0x", "0o" or "0b" (lower case) for hexadecimal, octal or
// binary digits, else decimal digits, up to the first character that is not one (0 for text that
// is not a number: "0X1F" reads 0). defaultValue when missing or when the key's value is empty.
// Digits beyond the range of int wrap around as 32-bit arithmetic would.
int getProfileInt(std::string_view section, std::string_view key, int defaultValue,
                  const std::string& path);

// Replaces the key's value in place (the whole line becomes "key=value", with the key spelled
// as given; a line that reads so already leaves the file untouched), or appends the key after the
// last non-blank line of its section (creating the section at the end of the file when missing).
// Every other byte of the file is kept, and its line endings (CRLF or LF, whichever its first line
// ending is); a new file gets CRLF. Returns false (never crashes, leaves the file alone) when the
// file cannot be read or written (missing folder, permissions, path is a folder, …) or when the
// names or the value would break the file's line structure (empty names, a line break anywhere, "="
// in the key, "]" in the section).
bool writeProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const std::string& path);

} // namespace platform
