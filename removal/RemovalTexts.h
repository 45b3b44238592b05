// What removal says, in the language the product was installed in.
#pragma once

#include <cstdint>
#include <string>

namespace Removal {

struct TRemovalTexts {
  const wchar_t* AskBefore;   // the question: AskBefore + title + AskAfter
  const wchar_t* AskAfter;
  const wchar_t* Removing;    // the progress window's caption, before the title
  const wchar_t* Removed;     // after the title: everything is gone
  const wchar_t* NotAllBefore;  // after the title: NotAllBefore + count + NotAllAfter + first item
  const wchar_t* NotAllAfter;
};

// The texts of that language number; English for a number that names none.
const TRemovalTexts& RemovalTexts(int32_t language);

}  // namespace Removal
