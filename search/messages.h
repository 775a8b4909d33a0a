// SPDX-License-Identifier: GPL-3.0-or-later
// A message for the user, as a language-file key with its built-in English text. The engine
// returns these as values; the program decides how to show them (a message box, stderr).
#pragma once

#include <string>

namespace twinly {

struct UserMessage {
    std::string key;
    std::string text;
    std::string detail; // the file concerned and the system's reason, for logs and the terminal
};

inline constexpr const char *kErrorCaptionKey = "strError";
inline constexpr const char *kErrorCaptionText = "Error";

} // namespace twinly
