#include "PackagePin.h"

#include <windows.h>

#include <string>

std::optional<TSha256Digest> PackagePin() {
  const HRSRC found = FindResourceW(nullptr, L"PACKAGE_SHA256", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!found) return std::nullopt;
  const HGLOBAL loaded = LoadResource(nullptr, found);
  const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  std::string text = bytes ? std::string(bytes, SizeofResource(nullptr, found)) : std::string();
  // The resource compiler may add a zero byte.
  if (!text.empty() && text.back() == '\0') text.pop_back();
  TSha256Digest digest{};
  // A resource that is there but unreadable pins nothing anyone could
  // match: no package is taken rather than any.
  if (!ParseDigestText(text, digest)) digest.fill(0);
  return digest;
}
