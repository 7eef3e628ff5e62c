#pragma once

#include <cstddef>
#include <string>

#include "platform/ProgramFiles.h"

namespace platform {

// Settings files of the form
//     [Section]
//     Key=Value
// read and written as the Windows private-profile functions do: sections and keys compared
// without case, names and values trimmed of blanks, the first section of a name and the
// first key of a name in it win, a value in matching quotes loses the quotes. Each line is
// UTF-8 when its bytes are, else 8-bit text in the code page of the program files given, so
// a file may mix both. File names are path texts resolved against their folder; an empty text, or
// a name that is no regular file (a folder, a pipe), reads as an empty file. A file is parsed
// once per change of its length, times or identity, not once per read.

// The value of a key, or the default (without its trailing blanks) when the file, the
// section or the key is missing. At most bufferChars - 1 characters are returned, as a
// buffer of bufferChars characters would hold.
std::string ReadProfileString(const ProgramFiles& files, const std::string& file,
                              const std::string& section, const std::string& key,
                              const std::string& defaultText, size_t bufferChars = 260);

// The value of a key as an integer, or the default when the key is missing or empty.
// The number: leading blanks, an optional sign, then decimal digits, or hexadecimal after
// "0x", octal after "0o", binary after "0b"; it ends at the first other character (no
// digit gives 0) and wraps around in 32 bits.
int ReadProfileInt(const ProgramFiles& files, const std::string& file, const std::string& section,
                   const std::string& key, int defaultValue);

// Sets a key, adding the section and the key when missing and creating the file when it
// does not exist (its folder must). Every other line stays byte for byte; the written line is
// in the code page when the file has 8-bit lines and the code page holds the text, else in
// UTF-8. The new file replaces the old one only once it is complete, so a failed write leaves
// the old file. A write killed half-way leaves its temporary file beside the target (".",
// the target's name, "." and six letters or digits); the next write of that target removes
// such files of the user's own that no live write holds. False when the file cannot be written (a
// read-only file, a missing or read-only folder), when the value holds a line break, or when a name
// could not be read back: empty, with a line break or blanks around it, a key holding "=" or
// beginning with ";" or
// "[", a section name holding "]" that would end it early.
bool WriteProfileString(const ProgramFiles& files, const std::string& file,
                        const std::string& section, const std::string& key,
                        const std::string& value);

// The integer form of ReadProfileInt applied to a text.
int ParseProfileInt(const std::string& text);

}  // namespace platform
