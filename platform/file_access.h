// File access by the operating system's own calls: CreateFileA, ReadFile, WriteFile,
// SetFilePointer and CloseHandle on Windows, open, read, write, lseek and close elsewhere.
// Byte-exact, unbuffered and without text-mode translation on both.
#pragma once

#include <cstddef>
#include <cstdint>

// A Windows HANDLE or a POSIX descriptor. Both systems mark a failed open with -1
// (INVALID_HANDLE_VALUE is the handle -1), so one sentinel serves both.
typedef intptr_t FileHandle;
constexpr FileHandle InvalidFile = -1;

enum FileOpenMode {
    FileOpenRead,        // an existing file, for reading; others may read and write it meanwhile
    FileOpenReadWrite,   // an existing file, for reading and writing; others may read and write
    FileCreate,          // a new file, or an existing one emptied, for reading and writing
    FileCreateNew        // a new file only: fails when the name exists, so nothing is replaced
};

// InvalidFile on failure (also for a null or empty name).
FileHandle FileOpen(const char* name, FileOpenMode mode);

// Both succeed only when every byte was transferred; a short read at the end of the file fails.
bool FileRead(FileHandle file, void* buffer, size_t size);
bool FileWrite(FileHandle file, const void* buffer, size_t size);

// Moves to an absolute offset; negative offsets fail. Offsets past the end are allowed, as for
// the system calls, and a read there fails.
bool FileSeek(FileHandle file, int64_t offset);

// The file's length in bytes, or -1; the current position is kept.
int64_t FileSize(FileHandle file);

// InvalidFile is ignored.
void FileClose(FileHandle file);
