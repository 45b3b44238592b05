#include "NameRules.h"

#include "PackageFormat.h"
#include "TextConversion.h"

namespace Mkpkg {

namespace {

bool IsForbiddenCharacter(char32_t c) {
  if (c < 0x20) return true;
  for (char f : std::string("<>:\"/\\|?*"))
    if (c == char32_t(f)) return true;
  return false;
}

char32_t UpperCase(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c < 0x80) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;  // Latin-1
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {  // Latin Extended-A: upper and lower in pairs
    if (c == 0x130 || c == 0x131) return c;  // Turkish dotted and dotless I pair with ASCII
    const bool oddIsLower = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool evenIsLower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddIsLower && (c & 1)) return c - 1;
    if (evenIsLower && !(c & 1)) return c - 1;
    return c;
  }
  if (c == 0x192) return 0x191;
  if (c >= 0x3B1 && c <= 0x3CB) return c == 0x3C2 ? 0x3A3 : c - 0x20;  // Greek
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;  // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c == 0x491) return 0x490;
  return c;
}

}  // namespace

std::u32string FoldCase(const std::u32string& name) {
  std::u32string folded(name);
  for (char32_t& c : folded) c = UpperCase(c);
  return folded;
}

std::string WindowsNameProblem(const std::u32string& name) {
  if (name.empty()) return "is empty";
  for (char32_t c : name) {
    if (!IsForbiddenCharacter(c)) continue;
    if (c < 0x20) return "holds a control character, which Windows does not allow in names";
    std::string shown;
    AppendUtf8(shown, c);
    return "holds \"" + shown + "\", which Windows does not allow in names";
  }
  return "";
}

PackageName ConvertName(const std::string& utf8, const CodePage* codePage) {
  PackageName result;
  std::u32string text;
  if (!DecodeUtf8(utf8, text)) {
    result.Problem = "is not valid UTF-8";
    return result;
  }
  result.Problem = WindowsNameProblem(text);
  if (!result.Problem.empty()) return result;
  EncodedText encoded = EncodeText(text, codePage);
  if (!encoded.Problem.empty()) {
    result.Problem = encoded.Problem;
    return result;
  }
  if (encoded.Bytes.size() > MaxNameBytes) {
    result.Problem = "is " + std::to_string(encoded.Bytes.size()) + " bytes long; Windows allows " +
                     std::to_string(MaxNameBytes);
    return result;
  }
  // The installer's own rules for a component, then whatever else it
  // refuses in a record name when it loads the package.
  if (Package::EndsInDotOrSpace(encoded.Bytes)) {
    result.Problem = "ends with a dot or a space, which Windows drops";
    return result;
  }
  if (Package::IsReservedDeviceName(encoded.Bytes)) {
    result.Problem = "is a device name on Windows";
    return result;
  }
  const std::string installerProblem = Package::NameProblem(encoded.Bytes);
  if (!installerProblem.empty()) {
    result.Problem = "would be refused by the installer (" + installerProblem + ")";
    return result;
  }
  result.Bytes = std::move(encoded.Bytes);
  result.Folded = FoldCase(text);
  return result;
}

}  // namespace Mkpkg
