// What the user reads about a load or an extraction that did not go as it
// should: the installer shows these texts, unpackcli prints them.
#include "PackageFormat.h"
#include "SystemNameText.h"
#include "UnPack.h"

namespace {

std::string Quoted(const std::string& name) { return Package::QuotedName(name, SystemNameText()); }

}  // namespace

std::vector<std::string> TUnPack::Messages(const TUnPackOutcome& outcome) const {
  std::vector<std::string> texts;
  switch (outcome.Problem) {
    case TUnPackOutcome::None:
    case TUnPackOutcome::NothingHeld: break;
    case TUnPackOutcome::CanNotOpen: texts.push_back("Can not open file " + FileName); break;
    case TUnPackOutcome::BadVersion: texts.push_back("Bad version of file: " + Quoted(FileName)); break;
    case TUnPackOutcome::Damaged:
      texts.push_back("Bad format of file: " + Quoted(FileName) + "\r\n" + outcome.Damage);
      break;
    // One message for every package but the program's own, damaged or not:
    // which bytes differ says nothing to the user.
    case TUnPackOutcome::Foreign:
      texts.push_back("The package " + Quoted(FileName) + " does not belong to this setup program.");
      break;
    case TUnPackOutcome::BadCommand: texts.push_back(Package::BadCommandText(outcome.Command)); break;
  }
  if (outcome.KeyFileMissing)
    texts.push_back("Internal error.\r\nFile : " + Package::ShownName(KeyFileName, SystemNameText()) + " not present!");
  return texts;
}
