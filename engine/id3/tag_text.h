// Tag texts at the file: the engine keeps every tag text as UTF-8 and turns it into the 8-bit or
// 16-bit form a tag stores only when it reads or writes the file. ID3v2 strings are ISO-8859-1,
// UTF-16 with or without a byte-order mark, or UTF-8; ID3v1 fields are Windows-1252.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolvo::engine::tagtext {

// The text-encoding byte that starts an ID3v2 text frame's data.
enum Id3v2Encoding : uint8_t {
  kLatin1 = 0,
  kUtf16 = 1,    // with a byte-order mark
  kUtf16Be = 2,  // big-endian, no byte-order mark (ID3v2.4)
  kUtf8 = 3,     // ID3v2.4
};

// The next character of a UTF-8 text at text[i]; i moves past it. A byte that starts no valid
// sequence is taken as the Windows-1252 character of that byte, so that an 8-bit text handed over
// by an older caller keeps its meaning (and, in the Latin-1 range, its bytes).
char32_t NextCharacter(std::string_view text, size_t& i);
void AppendUtf8(std::string& out, char32_t c);

// The number of characters of a UTF-8 text, counted as NextCharacter counts them.
size_t CharacterCount(std::string_view text);

// Length in bytes of the string that starts at data (encoding as given) up to its terminator, one
// zero byte for the 8-bit encodings and two (aligned) for UTF-16, or up to size when none is found.
size_t StringLength(uint8_t encoding, const uint8_t* data, size_t size);
// Bytes of the terminator of that encoding: 1 or 2.
size_t TerminatorSize(uint8_t encoding);

// Decodes an ID3v2 string of count bytes (without its terminator) into UTF-8. ISO-8859-1 bytes
// 0x80 to 0x9F, control characters no tag text holds, are read as Windows-1252 (so that the euro
// sign and the typographic quotes other programs wrote as 8-bit bytes come back as such); UTF-16
// follows its byte-order mark (little-endian without one); an unpaired surrogate or a malformed
// UTF-8 sequence becomes U+FFFD. An encoding byte above 3 is read as ISO-8859-1.
std::string DecodeId3v2String(uint8_t encoding, const uint8_t* data, size_t count);

// The encoding the writer stores a text in: ISO-8859-1 when every character fits, else UTF-16.
uint8_t ChooseId3v2Encoding(std::string_view utf8);
// The text's bytes in that encoding, without a terminator: ISO-8859-1 bytes, or the byte-order
// mark FF FE followed by UTF-16 little-endian.
std::string EncodeId3v2String(std::string_view utf8, uint8_t encoding);

// Windows-1252 bytes as UTF-8. The five bytes the code page leaves undefined map to the C1
// characters of the same value, so every byte survives a round trip.
std::string Windows1252ToUtf8(std::string_view bytes);
// The character's Windows-1252 byte, or '?' when the code page lacks it.
char ToWindows1252(char32_t c);

// The first `limit` characters of a UTF-8 text as ID3v1 can hold them: each character the code
// page lacks becomes '?'. The result is UTF-8 again (at most 3 bytes per character).
std::string Id3v1Text(std::string_view utf8, size_t limit);
// The Windows-1252 bytes of a text that Id3v1Text produced (or any UTF-8 text).
std::string Utf8ToWindows1252(std::string_view utf8);

}  // namespace tolvo::engine::tagtext
