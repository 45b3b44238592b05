// An administrator's install keeps its product folder out of other users'
// reach: where the destination lets other users write, a product folder the
// install makes gets the protection Program Files has; an existing product
// folder that other users may change is refused, since what they may
// already have put in it would stay theirs whatever its protection became.
#pragma once

#include "FolderChain.h"

class TProductFolderGuard {
 public:
  // Judges the destination, `chain`'s current folder, before the product
  // folder is entered below it.
  explicit TProductFolderGuard(const TFolderChain& chain);
  // Once the product folder is `chain`'s current folder: protects it when
  // `made` and the destination lets others write; refuses an existing one
  // that others may change (EInOutError naming it). Does nothing when this
  // process does not run elevated.
  void Apply(const TFolderChain& chain, bool made) const;

 private:
  bool Elevated;
  bool DestinationShared = false;
};

// The message of a product folder refused because other users may change it.
std::string SharedFolderMessage(const std::string& path);
