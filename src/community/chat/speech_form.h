#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// What the input page posts: whom the text is for, and the text.
struct SpeechForm {
    std::string to;
    std::string text;
};

// Reads a posted input form: the value after the body's first "to=" and the value after its first
// "speechtext=", each up to the next "&", decoded as form values. The body counts up to its first
// zero byte. Nothing when either field is missing.
std::optional<SpeechForm> ParseSpeechForm(std::string_view body);

}  // namespace vireo
