// The three bridges of MP3Class to interface1: CallWindow (texts in, number out), CallWindowLONG
// (numbers in) and CallWindow2 (texts in and back out). Each text crosses in a buffer of its own,
// converted to UTF-8, and lives for the one call only.
#include "host/control_error.h"
#include "host/mp3_class.h"

namespace tolvo::control {
namespace {

intptr_t AddressOf(std::string& buffer) { return reinterpret_cast<intptr_t>(buffer.data()); }

// A buffer read back: the text up to its first NUL.
std::u16string ReadBack(const std::string& buffer) {
  return platform::Utf8ToUtf16(std::string_view(buffer).substr(0, buffer.find('\0')));
}

}  // namespace

size_t MakeResultRoom(std::u16string& text) {
  if (text.size() < kUnpaddedResultLength) text.append(kResultPadding, u'\0');
  return text.size();
}

std::string MakeEngineBuffer(std::u16string_view text) {
  std::string buffer = platform::Utf16ToUtf8(text);
  buffer += '\0';
  return buffer;
}

void MP3Class::CheckEngineReady() const {
  if (!engineHandle_) {
    throw ControlError{kErrorEngineLibrary,
                       std::u16string(u"Error loading a required dll , please contact the "
                                      u"developer ") +
                           kSupportContact};
  }
  if (!entry_) {
    throw ControlError{kErrorEngineLibrary,
                       std::u16string(u"Error locating the interface1 function on a required "
                                      u"dll , please contact the developer ") +
                           kSupportContact};
  }
}

int32_t MP3Class::CallWindow(std::u16string_view string11, std::u16string_view string22,
                             std::u16string_view string33, std::u16string_view string44) {
  CheckEngineReady();
  std::string command = MakeEngineBuffer(string11);
  std::string first = MakeEngineBuffer(string22);
  std::string second = MakeEngineBuffer(string33);
  std::string third = MakeEngineBuffer(string44);
  return entry_(command.data(), AddressOf(first), AddressOf(second), AddressOf(third));
}

int32_t MP3Class::CallWindowLONG(std::u16string_view string11, const int32_t& string22,
                                 const int32_t& string33, int32_t string44) {
  CheckEngineReady();
  std::string command = MakeEngineBuffer(string11);
  return entry_(command.data(), string22, string33, string44);
}

int32_t MP3Class::CallWindow2(std::u16string& string11, std::u16string& string22,
                              std::u16string& string33, int32_t string44) {
  CheckEngineReady();
  const size_t room = MakeResultRoom(string22);
  std::string command = MakeEngineBuffer(string11);
  std::string first = MakeEngineBuffer(string22);
  std::string second = MakeEngineBuffer(string33);

  const int32_t result = entry_(command.data(), AddressOf(first), AddressOf(second), string44);

  string11 = ReadBack(command);
  string22 = ReadBack(first);
  if (string22.size() > room) {
    throw ControlError{kErrorUnexpectedMemory,
                       std::u16string(u"Unexpected memory problem , please contact the "
                                      u"developer ") +
                           kSupportContact};
  }
  string33 = ReadBack(second);
  return result;
}

}  // namespace tolvo::control
