#include "SystemNameText.h"

#include "Text.h"

namespace {

class TSystemNameText : public Package::TNameText {
 public:
  size_t CharacterSize(const std::string& name, size_t at) const override {
    return IsLeadByte(name[at]) && at + 1 < name.size() ? 2 : 1;
  }
  bool IsText(const std::string& name) const override { return IsTextIn(name); }
};

}  // namespace

const Package::TNameText& SystemNameText() {
  static const TSystemNameText text;
  return text;
}
