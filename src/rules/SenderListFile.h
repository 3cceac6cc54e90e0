#pragma once
#include <string>
#include <vector>

// A sender list as a text file: one entry a line.
namespace SenderListFile {

struct TImport {
    std::vector<std::string> Entries;  // the lines that parse, as entries, in file order
    std::vector<std::string> Refused;  // one message (Shift_JIS) per line that does not
};

// Reads a file's bytes: UTF-8 with or without its byte-order mark, UTF-16 with its mark, or
// Shift_JIS; lines end in CR LF or LF; blank lines and lines starting with "#" are skipped. Refusals quote the line as Shift_JIS with its number.
TImport Import(const std::string& bytes);

// The entries one a line, each ending in CR LF. Entries are ASCII: the file reads the same as
// UTF-8 or Shift_JIS.
std::string Export(const std::vector<std::string>& entries);

}  // namespace SenderListFile
