#include "history/CsvText.h"

namespace CsvText {

namespace {

bool NeedsQuotes(const std::string& field) {
    return field.find_first_of(",\"\r\n") != std::string::npos;
}

// Shift_JIS second bytes are 0x40 and above, so none of the bytes looked at here (comma, quote,
// CR, LF) can be the second half of a character: the text is scanned byte by byte.
void AppendField(std::string& out, const std::string& field) {
    if (!NeedsQuotes(field)) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

std::string Record(const TRecord& fields) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += ',';
        AppendField(out, fields[i]);
    }
    out += "\r\n";
    return out;
}

std::vector<TRecord> Parse(const std::string& text) {
    std::vector<TRecord> records;
    TRecord record;
    std::string field;
    bool quoted = false;
    bool recordOpen = false;  // something of the current record has been read
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
            recordOpen = true;
        } else if (c == ',') {
            record.push_back(std::move(field));
            field.clear();
            recordOpen = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            record.push_back(std::move(field));
            field.clear();
            records.push_back(std::move(record));
            record.clear();
            recordOpen = false;
        } else {
            field += c;
            recordOpen = true;
        }
    }
    if (recordOpen) {
        record.push_back(std::move(field));
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace CsvText
