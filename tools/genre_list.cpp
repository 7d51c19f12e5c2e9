// Genre names through Generate_ID3v1Genre, and "tolvo genres".
#include "genre_list.h"

#include <cstdio>
#include <iostream>

#include "command_line.h"
#include "commands.h"
#include "help_texts.h"
#include "tolvo/platform/utf16.h"
#include "tool_status.h"

namespace tolvo::tool {
namespace {

bool IsBlank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> FetchGenreNames(ControlSession& session, std::string* error) {
  if (!session.genreNames().empty()) return session.genreNames();
  std::vector<std::string> names;
  session.events().onGenreList = [&](bool clear, const std::u16string& genre) {
    if (clear) {
      names.clear();
    } else {
      names.push_back(platform::Utf16ToUtf8(genre));
    }
  };
  runtime::Variant ignored;
  runtime::HRESULT hr = session.control().Generate_ID3v1Genre(&ignored);
  session.events().onGenreList = nullptr;
  if (runtime::FAILED(hr)) {
    *error = FailureText(hr);
    return {};
  }
  session.genreNames() = names;
  return names;
}

std::optional<int> FindGenre(const std::vector<std::string>& names, const std::string& given) {
  int count = static_cast<int>(names.size());
  if (std::optional<int> number = ParseNumber(given, 0, count - 1)) {
    if (!IsBlank(names[*number])) return number;
    return std::nullopt;
  }
  for (int i = 0; i < count; ++i) {
    if (!IsBlank(names[i]) && SameIgnoringCase(names[i], given)) return i;
  }
  return std::nullopt;
}

int RunGenresCommand(Arguments arguments) {
  std::string error;
  std::optional<ParsedArguments> parsed = ParseArguments(arguments, {}, &error);
  if (!parsed) return ReportUsage("genres", error);
  if (parsed->help) {
    std::cout << kGenresHelp;
    return kExitSuccess;
  }
  if (!parsed->positionals.empty()) return ReportUsage("genres", "takes no arguments");
  std::unique_ptr<ControlSession> session = ControlSession::Open(&error);
  if (!session) return ReportError(kExitFailure, error);
  std::vector<std::string> names = FetchGenreNames(*session, &error);
  if (names.empty()) return ReportError(kExitFailure, error.empty() ? "no genre list" : error);
  for (size_t i = 0; i < names.size(); ++i) {
    if (IsBlank(names[i])) continue;
    char number[32];
    std::snprintf(number, sizeof number, "%3zu  ", i);
    std::cout << number << names[i] << '\n';
  }
  std::cout << std::flush;
  return kExitSuccess;
}

}  // namespace tolvo::tool
