#include "UnPack.h"

// Placeholder until the loader is written.
bool TUnPack::LoadPackage(const std::string&) { return false; }
bool TUnPack::Extract() { return false; }
void TUnPack::InitPacing() {}
void TUnPack::CheckPacing() {}
void TUnPack::EnterDirectory() {}
void TUnPack::LeaveDirectory() {}
void TUnPack::ExtractFile() {}
