// The SHA-256 of the one package a release's setup.exe installs, built into
// the program as the RCDATA resource PACKAGE_SHA256 (64 hexadecimal digits)
// before it is signed, so that its signature vouches for the package too.
#pragma once

#include <optional>

#include "Sha256.h"

// Empty when the program has no such resource: any sound package is taken.
std::optional<TSha256Digest> PackagePin();
