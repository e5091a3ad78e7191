// Text from files and command lines as it may appear in one-line messages.
#ifndef SHAPES_MESSAGE_TEXT_H
#define SHAPES_MESSAGE_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

// The code point of `text` when it is exactly one well-formed UTF-8 character, else -1.
long singleUtf8Character(std::string_view text);

// The code point of the UTF-8 character that starts at text[at] (at < text.size()), its length
// in bytes through `length`; -1 when it is malformed or cut short.
long utf8CharacterAt(std::string_view text, std::size_t at, std::size_t& length);

// `text` with control characters, and every byte outside printable ASCII when the text is not
// valid UTF-8, written as \xNN, so that a message holding it stays one printable line.
std::string printableInMessage(std::string_view text);

#endif  // SHAPES_MESSAGE_TEXT_H
