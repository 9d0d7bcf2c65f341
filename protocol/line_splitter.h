#pragma once

// The one rule by which the party's byte streams become lines, for the relay, the client and
// the browser seat alike: bytes in, whole lines out, no socket. A line is every byte up to its
// first CR LF, CR LF included and NUL bytes kept; a line longer than kLongestLine is cut at a
// character boundary and the rest of it dropped. A half line stays until its end arrives.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/line_transport.h"

namespace vesk {

class LineSplitter {
public:
    // The next bytes of the stream. Take every line with Next before feeding more.
    void Feed(std::string_view bytes);

    // The next whole line among the bytes fed so far, or nothing when more bytes are needed.
    // The view stays valid until the next call of Next or Feed, and while the fed bytes do.
    std::optional<std::string_view> Next();

    // Bytes of a line whose end has not arrived yet; at most what a cut needs are kept.
    std::size_t PartialBytes() const { return partial.size(); }
    // Bytes fed that Next has not come to yet: a caller that stops taking lines midway feeds
    // them again later.
    std::size_t Unread() const { return input.size(); }

private:
    // Adds bytes of the line being assembled, keeping only what a cut may need; false when
    // some were dropped.
    bool Keep(std::string_view bytes);
    std::string_view FinishLine();

    std::string_view input;  // fed and not looked at yet
    std::string partial;     // the start of a line whose end has not arrived yet
    bool endsInCr = false;   // the last byte of the partial line was a CR
    bool crKept = false;     // ... and it is the last byte in partial
    std::string finished;    // a line assembled from several feeds
};

}  // namespace vesk
