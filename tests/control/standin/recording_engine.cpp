// A stand-in engine library for the engine host's tests. It records every call of interface1, and
// its own loading and unloading, as lines of "calls.log" in the folder it was loaded from, so a
// test can see exactly what the bridges sent and whether dlopen really unloaded the module.
// Texts are logged with bytes outside printable ASCII written as \xHH.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

#include "tolvo/platform/dynamic_library.h"

namespace {

int32_t callsReceived = 0;

std::string LogPath() {
  static const std::string path =
      tolvo::platform::ModuleFolderOf(reinterpret_cast<const void*>(&LogPath)) + "/calls.log";
  return path;
}

void AppendLine(const std::string& line) {
  std::ofstream(LogPath(), std::ios::app) << line << '\n';
}

std::string Escaped(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F && b != '\\') {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      out += hex;
    }
  }
  return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// How each command's arguments are read, as the real engine reads them.
enum class Kind { kThreeTexts, kTwoTextsAndNumber, kNumbers };

Kind KindOf(std::string_view command) {
  for (std::string_view name :
       {"bitrate", "vbr", "vbrmaxbitrate", "stereomode", "quality", "intpriority", "v1Track",
        "v1Genre", "wv1Track", "wv1Genre", "v2cleanup", "standin_numbers"}) {
    if (command == name) return Kind::kNumbers;
  }
  if (command.size() > 4 && command.substr(command.size() - 4) == "size") return Kind::kNumbers;
  for (std::string_view prefix : {"v1", "wv1", "v2", "wv2", "getid3", "setid3", "remove",
                                  "generategenre", "definetempfolder", "standin_"}) {
    if (StartsWith(command, prefix)) return Kind::kTwoTextsAndNumber;
  }
  return Kind::kThreeTexts;
}

std::string Text(intptr_t arg) { return "t:" + Escaped(reinterpret_cast<const char*>(arg)); }
std::string Decimal(long long value) {
  char text[24];
  std::snprintf(text, sizeof text, "%lld", value);
  return text;
}
std::string Number(intptr_t arg) { return "n:" + Decimal(static_cast<int32_t>(arg)); }

// Zero bytes that follow the text in its buffer, looking at no more than limit bytes in all.
size_t ZerosAfterText(const char* buffer, size_t limit) {
  size_t at = std::strlen(buffer) + 1;
  size_t zeros = 1;
  while (at < limit && buffer[at] == '\0') ++at, ++zeros;
  return zeros;
}

struct LoadRecorder {
  LoadRecorder() { AppendLine("load"); }
  ~LoadRecorder() { AppendLine("unload"); }
} loadRecorder;

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t interface1(const char* command,
                                                                     intptr_t a1, intptr_t a2,
                                                                     intptr_t a3) {
  const std::string_view name = command;
  std::string line = Escaped(name);
  switch (KindOf(name)) {
    case Kind::kNumbers:
      line += "\t" + Number(a1) + "\t" + Number(a2) + "\t" + Number(a3);
      break;
    case Kind::kTwoTextsAndNumber:
      line += "\t" + Text(a1) + "\t" + Text(a2) + "\t" + Number(a3);
      break;
    case Kind::kThreeTexts:
      line += "\t" + Text(a1) + "\t" + Text(a2) + "\t" + Text(a3);
      break;
  }
  char* firstBuffer = reinterpret_cast<char*>(a1);
  if (name == "standin_measure") {
    // The test passes in a3 the buffer size it expects; the scan never reads past that.
    line += "\tzeros:" +
            Decimal(static_cast<long long>(ZerosAfterText(firstBuffer, static_cast<size_t>(a3))));
  } else if (name == "standin_fill") {
    // A result of a3 characters written into the first buffer, as an engine read does.
    std::memset(firstBuffer, 'x', static_cast<size_t>(a3));
    firstBuffer[a3] = '\0';
  } else if (name == "v1Title") {
    std::strcpy(firstBuffer, "Caf\xC3\xA9 \xE2\x82\xAC\xD0\x9F");  // an engine read, in UTF-8
  } else if (name == "standin_rename") {
    std::strcpy(const_cast<char*>(command), "done");  // the command buffer is writable too
  }
  AppendLine(line);
  return ++callsReceived;
}
