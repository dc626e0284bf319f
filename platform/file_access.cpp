// File access on Windows (CreateFileA and friends) and POSIX (open and friends).
#include "platform/file_access.h"

namespace {
// Reading and writing alike: `step(at, left)` moves some of the bytes left and returns how many,
// or 0 when the call failed or reached the end of the file; every byte must move.
template <typename Byte, typename Step>
bool TransferAll(FileHandle file, Byte* at, size_t size, Step step)
{
    if (file == InvalidFile || (!at && size))
        return false;
    while (size > 0) {
        const size_t done = step(at, size);
        if (done == 0)
            return false;
        at += done;
        size -= done;
    }
    return true;
}
}

#if defined(_WIN32)
#include <windows.h>

namespace {
HANDLE AsHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

// ReadFile and WriteFile take a 32-bit length; larger transfers go in pieces of 1 GiB.
constexpr size_t MaxPiece = size_t(1) << 30;
DWORD Piece(size_t left) { return static_cast<DWORD>(left < MaxPiece ? left : MaxPiece); }

// SetFilePointer with a high part reaches 64-bit offsets; -1 in the low part is also a valid
// result, so failure is told apart through GetLastError.
bool MovePointer(HANDLE handle, int64_t distance, DWORD method, int64_t* result)
{
    LONG high = static_cast<LONG>(distance >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(handle, static_cast<LONG>(distance & 0xFFFFFFFF), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return false;
    if (result)
        *result = (static_cast<int64_t>(high) << 32) | low;
    return true;
}
}

FileHandle FileOpen(const char* name, FileOpenMode mode)
{
    if (!name || !*name)
        return InvalidFile;
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    DWORD share = FILE_SHARE_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
    case FileOpenRead:
        access = GENERIC_READ;
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    case FileOpenReadWrite: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    case FileCreate: disposition = CREATE_ALWAYS; break;
    case FileCreateNew: disposition = CREATE_NEW; break;
    }
    HANDLE handle = CreateFileA(name, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return reinterpret_cast<FileHandle>(handle);
}

bool FileRead(FileHandle file, void* buffer, size_t size)
{
    return TransferAll(file, static_cast<unsigned char*>(buffer), size, [file](unsigned char* at, size_t left) {
        DWORD done = 0;
        return ReadFile(AsHandle(file), at, Piece(left), &done, nullptr) ? size_t(done) : 0;
    });
}

bool FileWrite(FileHandle file, const void* buffer, size_t size)
{
    return TransferAll(file, static_cast<const unsigned char*>(buffer), size,
                       [file](const unsigned char* at, size_t left) {
                           DWORD done = 0;
                           return WriteFile(AsHandle(file), at, Piece(left), &done, nullptr) ? size_t(done) : 0;
                       });
}

bool FileSeek(FileHandle file, int64_t offset)
{
    if (file == InvalidFile || offset < 0)
        return false;
    return MovePointer(AsHandle(file), offset, FILE_BEGIN, nullptr);
}

int64_t FileSize(FileHandle file)
{
    if (file == InvalidFile)
        return -1;
    int64_t here = 0;
    int64_t end = 0;
    if (!MovePointer(AsHandle(file), 0, FILE_CURRENT, &here) || !MovePointer(AsHandle(file), 0, FILE_END, &end)
        || !MovePointer(AsHandle(file), here, FILE_BEGIN, nullptr))
        return -1;
    return end;
}

void FileClose(FileHandle file)
{
    if (file != InvalidFile)
        CloseHandle(AsHandle(file));
}

#else
#include <cerrno>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

namespace {
int AsDescriptor(FileHandle file) { return static_cast<int>(file); }

// The bytes a read or write moved, made again when a signal interrupted it before it moved any;
// 0 for a failure or the end of the file.
template <typename Call>
size_t Retried(Call call)
{
    ssize_t done;
    do
        done = call();
    while (done < 0 && errno == EINTR);
    return done > 0 ? static_cast<size_t>(done) : 0;
}
}

FileHandle FileOpen(const char* name, FileOpenMode mode)
{
    if (!name || !*name)
        return InvalidFile;
    int flags = O_RDWR;
    switch (mode) {
    case FileOpenRead: flags = O_RDONLY; break;
    case FileOpenReadWrite: break;
    case FileCreate: flags |= O_CREAT | O_TRUNC; break;
    case FileCreateNew: flags |= O_CREAT | O_EXCL; break;
    }
    int fd;
    do
        fd = open(name, flags | O_CLOEXEC, 0644);
    while (fd < 0 && errno == EINTR);
    return fd < 0 ? InvalidFile : static_cast<FileHandle>(fd);
}

bool FileRead(FileHandle file, void* buffer, size_t size)
{
    return TransferAll(file, static_cast<unsigned char*>(buffer), size, [file](unsigned char* at, size_t left) {
        return Retried([&] { return read(AsDescriptor(file), at, left); });
    });
}

bool FileWrite(FileHandle file, const void* buffer, size_t size)
{
    return TransferAll(file, static_cast<const unsigned char*>(buffer), size,
                       [file](const unsigned char* at, size_t left) {
                           return Retried([&] { return write(AsDescriptor(file), at, left); });
                       });
}

bool FileSeek(FileHandle file, int64_t offset)
{
    if (file == InvalidFile || offset < 0)
        return false;
    return lseek(AsDescriptor(file), static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

int64_t FileSize(FileHandle file)
{
    if (file == InvalidFile)
        return -1;
    off_t here = lseek(AsDescriptor(file), 0, SEEK_CUR);
    if (here < 0)
        return -1;
    off_t end = lseek(AsDescriptor(file), 0, SEEK_END);
    if (end < 0 || lseek(AsDescriptor(file), here, SEEK_SET) != here)
        return -1;
    return static_cast<int64_t>(end);
}

void FileClose(FileHandle file)
{
    if (file != InvalidFile)
        close(AsDescriptor(file));
}
#endif
