// Conversions between the control's UTF-16 texts and the engine's 8-bit texts. File paths cross as
// UTF-8 (the file system's own encoding); ID3 tag texts and genre names cross as Windows-1252,
// the 8-bit text of ID3 tags. The bridge picks the encoding from the command.
#pragma once

#include <string>
#include <string_view>

namespace tolvo::control {

enum class TextEncoding { Utf8, Windows1252 };

// Windows1252 for the commands that carry tag texts:
//   the ID3v1 field commands "v1Title", "v1Artist", "v1Album", "v1Year", "v1Comment",
//   "v1Track", "v1Genre" and their "wv1..." set commands;
//   the ID3v2 field commands "v2Composer", "v2OriginalArtist", "v2Copyright", "v2URL",
//   "v2EncodedBy", "v2Comment", "v2Genre", "v2Year", "v2Album", "v2Artist", "v2Title",
//   "v2Track" and their "wv2..." set commands;
//   "generategenre".
// Utf8 for every other command (paths, folders and the job commands). Exact, case-sensitive match.
TextEncoding CommandTextEncoding(std::u16string_view command);

// UTF-16 to 8 bits. UTF-8: an unpaired surrogate becomes U+FFFD. Windows-1252: a character the
// code page lacks (a surrogate pair counts as one character) becomes '?'. NULs are kept.
std::string EncodeText(std::u16string_view text, TextEncoding encoding);

// 8 bits to UTF-16. UTF-8: each malformed sequence (overlong forms, encoded surrogates, values
// above U+10FFFF, cut sequences) becomes one U+FFFD. Windows-1252: every byte has a character.
std::u16string DecodeText(std::string_view bytes, TextEncoding encoding);

inline std::string ToUtf8(std::u16string_view text) { return EncodeText(text, TextEncoding::Utf8); }
inline std::u16string FromUtf8(std::string_view bytes) {
  return DecodeText(bytes, TextEncoding::Utf8);
}

}  // namespace tolvo::control
