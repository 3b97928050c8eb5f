#pragma once

// What a site owner's program says about its answer: the three characters of its control file, and
// the path its body file may name. Pure functions of the bytes the program wrote.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// Where the head of the answer comes from (first character).
enum class AnswerHead {
    Built,     // the server builds it
    HeadFile,  // "1": the head file, sent as it is
};

// What the body file holds and how the server-built head types it (second character).
enum class AnswerBody {
    NamedFile,  // "1": the body file names the file that holds the body, typed by that file's name
    HtmlText,   // "0": the body file is the body, typed "text/html"
    TypedText,  // anything else: the body file is the body, typed by the body file's own name
};

// How the body is framed (third character).
enum class AnswerFraming {
    Plain,            // "Content-Length" from the file's size, then the file
    ChunkedWhole,     // "1": chunked, from the file's start, while the program runs
    ChunkedAppended,  // "2": chunked, only what is appended after the file is opened
};

struct ExchangeControl {
    AnswerHead head;
    AnswerBody body;
    AnswerFraming framing;
};

// The three control characters; nothing until the file holds three bytes. Bytes after them are
// ignored.
std::optional<ExchangeControl> ParseExchangeControl(std::string_view bytes);

// The most of the body file that is read as a path.
inline constexpr std::size_t kBodyPathBytes = 260;

// The path a body file names: its first kBodyPathBytes bytes, cut at a NUL, without surrounding
// blanks and line ends, separators normalised. Empty when nothing is left.
std::string ParseBodyPath(std::string_view bytes);

}  // namespace vireo
