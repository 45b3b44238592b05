// File and directory services over the system's 8-bit (ANSI) API: names are
// passed on exactly as their bytes stand. A failure raises EInOutError with
// the system's error code, or 100 for a short read and 101 for a short write.
#pragma once

#include <cstdint>
#include <string>

#include "Handle.h"

// Opens an existing file for reading only, so that it opens on read-only
// media and shares too. While it is open others may read it, but not write,
// cut, rename or delete it: what is read from it stays what it was.
THandle OpenFileForReading(const std::string& name);

// Size in bytes of an open file (all 64 bits of it).
int64_t FileSizeOf(const THandle& file);

// Reads up to count bytes at offset; fewer only at the end of the file.
uint32_t ReadAt(const THandle& file, int64_t offset, void* buffer, uint32_t count);

// Creates the file, or cuts an existing one to length 0, for reading and
// writing, sharing read and write access, with normal attributes. createdNew,
// when given, tells whether the file did not exist before.
THandle CreateFileForWriting(const std::string& name, bool* createdNew = nullptr);

// Writes exactly count bytes in one write.
void WriteWhole(const THandle& file, const void* data, uint32_t count);

// Closes the file; unlike the silent close of THandle, a failure raises.
void CloseFile(THandle& file);

// Makes path the current directory; false when it cannot (which is also how
// the program tests whether a directory exists).
bool SetCurrentDir(const std::string& path);

// The current directory as the system reports it: no trailing backslash,
// except at a drive root such as C:\.
std::string GetCurrentDir();

// Whether a file or folder of that path exists.
bool PathExists(const std::string& path);

// Creates one directory; a relative path is taken against the current one.
void CreateDir(const std::string& path);

// The full path of path, taken against the current directory as the system
// reads its text ('/', "." and ".." resolved, no link followed).
std::wstring FullPathOf(const std::string& path);
