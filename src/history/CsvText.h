#pragma once
#include <string>
#include <vector>

// Comma-separated records as RFC 4180 writes them: a field holding a comma, a double quote, CR or
// LF is quoted, its quotes doubled; records end with CR LF.
namespace CsvText {

using TRecord = std::vector<std::string>;

// One record with its CR LF.
std::string Record(const TRecord& fields);

// Every record of the text. A quoted field may hold line ends; a record ends at CR LF, a bare LF
// or a bare CR outside quotes; a quote left open runs to the end of the text. A last record
// without its line end counts; empty lines are records of one empty field, except at the end.
std::vector<TRecord> Parse(const std::string& text);

}  // namespace CsvText
