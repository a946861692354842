#include "command_line.h"

#include "common/core/trimmed.h"

namespace vardock {

std::wstring_view ArgumentText(std::wstring_view commandLine) {
  std::size_t end = 0;
  if (!commandLine.empty() && commandLine[0] == L'"') {
    const auto close = commandLine.find(L'"', 1);
    end = close == std::wstring_view::npos ? commandLine.size() : close + 1;
  } else {
    end = commandLine.find_first_of(L" \t");
    if (end == std::wstring_view::npos) end = commandLine.size();
  }
  return commandLine.substr(end);
}

std::vector<std::wstring> SplitArguments(std::wstring_view text) {
  std::vector<std::wstring> arguments;
  std::size_t start = 0;
  for (;;) {
    const auto slash = text.find(L'/', start);
    if (slash == std::wstring_view::npos) break;
    auto end = text.find(L" /", slash);
    if (end == std::wstring_view::npos) end = text.size();
    arguments.push_back(corvanel::Trimmed(text.substr(slash, end - slash)));
    start = end;
  }
  return arguments;
}

std::wstring AsciiUpper(std::wstring_view text) {
  std::wstring upper(text);
  for (wchar_t& c : upper) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return upper;
}

ArgumentValues TakeValues(const std::vector<std::wstring>& arguments) {
  ArgumentValues values;
  for (const std::wstring& argument : arguments) {
    const auto equals = argument.find(L'=');
    if (equals == std::wstring::npos || argument.find(L'=', equals + 1) != std::wstring::npos) {
      values.notUnderstood.push_back(argument);
      continue;
    }
    const std::wstring key = AsciiUpper(std::wstring_view(argument).substr(0, equals));
    std::wstring value = argument.substr(equals + 1);
    if (key == L"/N") {
      values.name = std::move(value);
    } else if (key == L"/O") {
      values.operation = std::move(value);
    } else if (key == L"/P") {
      values.path = std::move(value);
    } else if (key == L"/S") {
      values.site = std::move(value);
      values.siteGiven = true;
    } else if (key == L"/Q") {
      values.quiet = std::move(value);
    } else if (key == L"/L") {
      values.log = std::move(value);
    } else {
      values.notUnderstood.push_back(argument);
    }
  }
  return values;
}

}  // namespace vardock
