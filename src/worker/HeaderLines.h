#pragma once
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A message's header, unfolded, one field a line, as the rules and the viewer read it. Never
// changed once read, so every copy shares the one read: the header cache, the worker's rows and
// the page's model together hold each header once, and handing a row over copies no line.
class THeaderLines {
public:
    using TLines = std::vector<std::string>;

    THeaderLines() = default;
    // Implicit: a list of lines is a header.
    THeaderLines(TLines lines)
        : Shared(lines.empty() ? nullptr : std::make_shared<const TLines>(std::move(lines))) {}
    THeaderLines(std::initializer_list<std::string> lines) : THeaderLines(TLines(lines)) {}

    const TLines& Lines() const { return Shared ? *Shared : Empty(); }
    operator const TLines&() const { return Lines(); }
    bool empty() const { return !Shared; }
    size_t size() const { return Lines().size(); }
    const std::string& operator[](size_t index) const { return Lines()[index]; }
    TLines::const_iterator begin() const { return Lines().begin(); }
    TLines::const_iterator end() const { return Lines().end(); }
    void clear() { Shared.reset(); }

private:
    static const TLines& Empty() {
        static const TLines none;
        return none;
    }
    std::shared_ptr<const TLines> Shared;
};
