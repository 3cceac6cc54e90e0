#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The headers of a mail program's folder, for learning: a folder of .eml files (one message
// each) or an mbox file (messages after "From " lines). Only headers are read from an mbox;
// its bodies are skipped line by line, so its size does not matter.
class TMailImport {
public:
    using TLines = std::vector<std::string>;
    // Given each header in order; the share done so far in 0..1. Returning false cancels.
    using THeaderSink = std::function<bool(TLines header, double done)>;

    // Reads `path`, a folder or an mbox file. Files that cannot be read are named in
    // `skipped` and passed over. False when cancelled or when `path` cannot be read at all.
    static bool Read(const std::string& path, const THeaderSink& sink,
                     std::vector<std::string>& skipped);

private:
    static bool ReadFolder(const std::string& folder, const THeaderSink& sink,
                           std::vector<std::string>& skipped);
    static bool ReadMbox(const std::string& path, const THeaderSink& sink);
};
