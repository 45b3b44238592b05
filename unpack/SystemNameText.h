// Names read as the file functions read them: in the system's ANSI code
// page, whose double-byte characters are single characters.
#pragma once

#include "PackageFormat.h"

const Package::TNameText& SystemNameText();
