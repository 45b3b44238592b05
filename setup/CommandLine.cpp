#include "CommandLine.h"

#include <vector>

namespace {

const wchar_t SilentSwitch[] = L"/S";
const wchar_t DestinationSwitch[] = L"/D=";
const wchar_t LanguageSwitch[] = L"/LANG=";
const wchar_t LogSwitch[] = L"/LOG=";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

wchar_t UpperAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c; }
wchar_t LowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c; }

// Whether text at `at` starts with the switch name, ASCII letters in any case.
bool StartsWithName(const std::wstring& text, size_t at, const std::wstring& name) {
  if (text.size() - at < name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (UpperAscii(text[at + i]) != UpperAscii(name[i])) return false;
  return true;
}

// Past the program's path, as the system's own splitting reads it: up to
// the closing quote when quoted, else up to the first blank.
size_t AfterProgram(const std::wstring& line) {
  if (!line.empty() && line[0] == L'"') {
    const size_t closing = line.find(L'"', 1);
    return closing == std::wstring::npos ? line.size() : closing + 1;
  }
  size_t at = 0;
  while (at < line.size() && !IsBlank(line[at])) ++at;
  return at;
}

// Why `path` cannot be a destination, or empty. It must be absolute (a
// drive's root or a share), every component a name Windows keeps as written.
std::wstring DestinationProblem(const std::wstring& path) {
  if (path.empty()) return L"/D= names no folder";
  size_t start = 0;
  if (path.size() >= 3 && UpperAscii(path[0]) >= L'A' && UpperAscii(path[0]) <= L'Z' && path[1] == L':' &&
      path[2] == L'\\')
    start = 3;
  else if (path.compare(0, 2, L"\\\\") == 0)
    start = 2;
  else
    return L"/D= needs a full path, from a drive (C:\\...) or a share (\\\\server\\share...): " + path;
  const bool share = start == 2;
  int components = 0;
  for (size_t at = start; at < path.size();) {
    size_t end = path.find(L'\\', at);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring name = path.substr(at, end - at);
    // (A trailing backslash ends the loop before it reads an empty name.)
    if (name.empty()) return L"/D= holds an empty folder name: " + path;
    if (name == L"." || name == L"..") return L"/D= holds \".\" or \"..\": " + path;
    if (name.back() == L' ' || name.back() == L'.')
      return L"/D= holds a folder name ending in a space or a dot: " + path;
    for (wchar_t c : name)
      if (c < 32 || std::wstring(L"<>:\"|?*/").find(c) != std::wstring::npos)
        return L"/D= holds a character no folder name may hold: " + path;
    ++components;
    at = end + 1;
  }
  if (share && components < 2) return L"/D= names a server without its share: " + path;
  return {};
}

// Splits the arguments at blanks, quotes grouping and dropped, up to a /D=,
// which takes the rest of the line. False with `problem` when the line
// cannot be read.
bool Split(const std::wstring& line, std::vector<std::wstring>& arguments, std::wstring& destination,
           bool& destinationGiven, std::wstring& problem) {
  size_t at = AfterProgram(line);
  for (;;) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at == line.size()) return true;
    const bool quoted = line[at] == L'"';
    const size_t name = quoted ? at + 1 : at;
    if (StartsWithName(line, name, DestinationSwitch)) {
      std::wstring rest = line.substr(name + 3);
      if (quoted) {
        const size_t closing = rest.find(L'"');
        if (closing == std::wstring::npos) {
          problem = L"a quote is not closed: " + line.substr(at);
          return false;
        }
        for (size_t i = closing + 1; i < rest.size(); ++i)
          if (!IsBlank(rest[i])) {
            problem = L"/D= must be the last argument";
            return false;
          }
        rest.resize(closing);
      } else {
        while (!rest.empty() && IsBlank(rest.back())) rest.pop_back();
        // No folder name holds a slash: a switch follows.
        if (rest.find(L" /") != std::wstring::npos) {
          problem = L"/D= must be the last argument: it takes the rest of the line";
          return false;
        }
        // /D="C:\Program Files\Apps"
        if (rest.size() >= 2 && rest.front() == L'"' && rest.back() == L'"') rest = rest.substr(1, rest.size() - 2);
      }
      destination = rest;
      destinationGiven = true;
      return true;
    }
    std::wstring argument;
    bool inQuotes = false;
    for (; at < line.size() && (inQuotes || !IsBlank(line[at])); ++at) {
      if (line[at] == L'"')
        inQuotes = !inQuotes;
      else
        argument += line[at];
    }
    if (inQuotes) {
      problem = L"a quote is not closed: " + argument;
      return false;
    }
    arguments.push_back(argument);
  }
}

TCommandLine Bad(TCommandLine result, const std::wstring& problem) {
  result.Mode = TRunMode::BadArgument;
  result.Problem = problem;
  return result;
}

}  // namespace

TCommandLine ParseCommandLine(const std::wstring& commandLine, const THandOverArguments& handOver) {
  TCommandLine result;
  // The cleanup copy's arguments are its own to read.
  {
    std::vector<std::wstring> first;
    std::wstring unused, problem;
    bool destinationGiven = false;
    Split(commandLine, first, unused, destinationGiven, problem);
    if (!first.empty() && first[0] == handOver.Cleanup) {
      result.Mode = TRunMode::Cleanup;
      return result;
    }
  }
  std::vector<std::wstring> arguments;
  std::wstring destination, problem;
  bool destinationGiven = false;
  if (!Split(commandLine, arguments, destination, destinationGiven, problem)) return Bad(result, problem);
  if (arguments.empty() && !destinationGiven) return result;

  const bool removal = !arguments.empty() && arguments[0] == handOver.Removal;
  bool silent = false, languageGiven = false, logGiven = false;
  for (size_t i = removal ? 1 : 0; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    if (argument.size() == 2 && StartsWithName(argument, 0, SilentSwitch)) {
      if (silent) return Bad(result, L"/S is given twice");
      silent = true;
    } else if (StartsWithName(argument, 0, LanguageSwitch)) {
      if (removal) return Bad(result, L"/LANG= is not for a removal: it speaks the language of the install");
      if (languageGiven) return Bad(result, L"/LANG= is given twice");
      languageGiven = true;
      for (size_t c = 6; c < argument.size(); ++c) result.Language += LowerAscii(argument[c]);
      if (result.Language.empty()) return Bad(result, L"/LANG= names no language");
    } else if (StartsWithName(argument, 0, LogSwitch)) {
      if (logGiven) return Bad(result, L"/LOG= is given twice");
      logGiven = true;
      result.LogPath = argument.substr(5);
      if (result.LogPath.empty()) return Bad(result, L"/LOG= names no file");
    } else if (argument == handOver.Removal) {
      return Bad(result, std::wstring(handOver.Removal) + L" must be the first argument");
    } else {
      return Bad(result, L"unknown argument: " + argument);
    }
  }
  if (destinationGiven) {
    if (removal) return Bad(result, L"/D= is not for a removal: it removes where the product is");
    const std::wstring destinationProblem = DestinationProblem(destination);
    if (!destinationProblem.empty()) return Bad(result, destinationProblem);
    result.Destination = destination;
    if (result.Destination.back() != L'\\') result.Destination += L'\\';
  }
  if (!silent && (destinationGiven || languageGiven || logGiven))
    return Bad(result, L"/D=, /LANG= and /LOG= are switches of a silent run: they need /S");
  if (removal)
    result.Mode = silent ? TRunMode::SilentRemoval : TRunMode::Removal;
  else
    result.Mode = TRunMode::SilentInstall;
  return result;
}
