// Text from files and command lines as it may appear in one-line messages.
#ifndef SHAPES_MESSAGE_TEXT_H
#define SHAPES_MESSAGE_TEXT_H

#include <string>
#include <string_view>

// The code point of `text` when it is exactly one well-formed UTF-8 character, else -1.
long singleUtf8Character(std::string_view text);

// `text` with control characters, and every byte outside printable ASCII when the text is not
// valid UTF-8, written as \xNN, so that a message holding it stays one printable line.
std::string printableInMessage(std::string_view text);

#endif  // SHAPES_MESSAGE_TEXT_H
