// What a load or an extraction came to, for the caller to tell the user:
// the extractor itself shows nothing.
#pragma once

#include <cstdint>
#include <string>

struct TUnPackOutcome {
  enum TProblem {
    None,
    NothingHeld,  // Extract with no package loaded (or one already extracted): nothing done
    CanNotOpen,   // the package could not be opened or its names taken in
    BadVersion,
    Damaged,      // Damage says what is wrong and at which byte
    Foreign,      // not the package this setup program was built for
    BadCommand,   // a record of a kind nobody knows: Command
  };
  TProblem Problem = None;
  std::string Damage;
  uint8_t Command = 0;
  // An extraction that replayed every record it could without meeting the key file.
  bool KeyFileMissing = false;

  // Nothing went wrong: loaded, or extracted in full with the key file.
  bool Sound() const { return Problem == None && !KeyFileMissing; }
};
