// Writing output files whole: a temporary beside the target, renamed over it when complete.
#include "host/output_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <random>

#include "platform/program_pipe.h"

namespace fs = std::filesystem;

namespace {

// Temporaries being written, for the interrupt handler. A signal handler may touch only lock-free
// atomics and plain memory, so the paths sit in fixed slots: 0 free, 1 being filled, 2 live. More
// files at once than slots is possible in principle (each writer holds one); such a temporary
// merely survives an interrupt, under its hidden partial name.
constexpr int TemporarySlots = 32;
constexpr size_t TemporaryPathMax = 4096;
std::atomic<int> SlotState[TemporarySlots];
char SlotPath[TemporarySlots][TemporaryPathMax];

int RegisterTemporary(const std::string& path)
{
    if (path.size() >= TemporaryPathMax)
        return -1;
    for (int i = 0; i < TemporarySlots; ++i) {
        int expected = 0;
        if (SlotState[i].compare_exchange_strong(expected, 1)) {
            std::memcpy(SlotPath[i], path.c_str(), path.size() + 1);
            SlotState[i].store(2);
            return i;
        }
    }
    return -1;
}

void UnregisterTemporary(int slot)
{
    if (slot >= 0)
        SlotState[slot].store(0);
}

extern "C" void RemoveTemporariesAndEnd(int sig)
{
    // A program writing one of the files (ffmpeg, a video) ends first, so that it cannot make
    // the file again, or go on writing it, once it is removed.
    StopProgramsNow();
    for (int i = 0; i < TemporarySlots; ++i)
        if (SlotState[i].load() == 2)
            std::remove(SlotPath[i]);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// A name no other writer picks: the program's own counter keeps its files apart, the random part
// keeps several programs (a render farm's workers writing into one folder) apart.
std::string UniqueTag()
{
    static std::atomic<uint64_t> counter{0};
    static const uint64_t seed = [] {
        std::random_device device;
        const uint64_t t = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
        return (uint64_t(device()) << 32) ^ uint64_t(device()) ^ (t * 0x9E3779B97F4A7C15ull);
    }();
    uint64_t v = seed + 0x9E3779B97F4A7C15ull * ++counter;
    v ^= v >> 31;
    char tag[20];
    std::snprintf(tag, sizeof tag, "%016llx", static_cast<unsigned long long>(v));
    return tag;
}

std::string ReasonText(int errnum)
{
    return errnum != 0 ? std::strerror(errnum) : "the system gave no reason";
}

} // namespace

OutputFile::OutputFile(std::string target) : path(std::move(target)) {}

OutputFile::~OutputFile()
{
    if (committed || temporary.empty())
        return;
    if (stream.is_open())
        stream.close();
    UnregisterTemporary(slot);
    std::error_code ec;
    fs::remove(temporary, ec);
}

const std::string& OutputFile::ReserveName()
{
    if (temporary.empty()) {
        // Hidden on systems that hide dot-files, and never matching a frame name's pattern.
        const fs::path target(path);
        const fs::path name = "." + target.stem().string() + ".partial-" + UniqueTag() + target.extension().string();
        temporary = (target.parent_path() / name).string();
        slot = RegisterTemporary(temporary);
    }
    return temporary;
}

bool OutputFile::Open(std::string& error)
{
    if (path.empty()) {
        error = "cannot write a file without a name";
        return false;
    }
    ReserveName();
    errno = 0;
    stream.open(temporary, std::ios::binary | std::ios::trunc);
    if (!stream) {
        error = WriteError(path, errno);
        return false;
    }
    return true;
}

bool OutputFile::Commit(std::string& error)
{
    if (committed)
        return true;
    if (temporary.empty()) {
        error = "cannot write " + path + ": nothing was written";
        return false;
    }
    int errnum = 0;
    if (stream.is_open()) {
        errno = 0;
        stream.flush();
        if (!stream)
            errnum = errno ? errno : EIO;
        errno = 0;
        stream.close();
        if (!errnum && stream.fail())
            errnum = errno ? errno : EIO;
    }
    if (errnum) {
        error = WriteError(path, errnum);
        return false;   // the destructor removes the temporary
    }
    std::error_code ec;
    if (!fs::exists(temporary, ec)) {
        error = "cannot write " + path + ": the file was not made";
        return false;
    }
    fs::rename(temporary, path, ec);
    if (ec) {
        error = "cannot write " + path + ": " + ec.message();
        return false;
    }
    UnregisterTemporary(slot);
    committed = true;
    return true;
}

bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string& error)
{
    OutputFile file(path);
    if (!file.Open(error))
        return false;
    file.Stream().write(static_cast<const char*>(data), std::streamsize(size));
    return file.Commit(error);
}

bool WriteWholeFile(const std::string& path, const std::string& text, std::string& error)
{
    return WriteWholeFile(path, text.data(), text.size(), error);
}

std::string WriteError(const std::string& path, int errnum)
{
    return "cannot write " + path + ": " + ReasonText(errnum);
}

namespace {

// std::cout's text, written with the C library's calls in large pieces; the first failure's
// reason is kept, since a later flush may find nothing left to write and no error to report.
class CheckedStdoutBuffer : public std::streambuf {
public:
    CheckedStdoutBuffer() { setp(buffer, buffer + sizeof buffer); }
    int failure = 0;

protected:
    int_type overflow(int_type c) override
    {
        if (!Drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override
    {
        if (!Drain())
            return -1;
        errno = 0;
        if (std::fflush(stdout) != 0) {
            Fail();
            return -1;
        }
        return 0;
    }

private:
    bool Drain()
    {
        const size_t n = size_t(pptr() - pbase());
        setp(buffer, buffer + sizeof buffer);
        if (failure)
            return false;
        errno = 0;
        if (n > 0 && std::fwrite(buffer, 1, n, stdout) != n) {
            Fail();
            return false;
        }
        return true;
    }
    void Fail() { failure = errno ? errno : EIO; }
    char buffer[1 << 14];
};

CheckedStdoutBuffer* WatchedStdout = nullptr;

} // namespace

void WatchStandardOutput()
{
    if (WatchedStdout)
        return;
    // Never destroyed: std::cout is flushed by the library's own exit handler, which runs after
    // the destructors of statics made later than it, and a destroyed buffer there crashes the exit.
    WatchedStdout = new CheckedStdoutBuffer;
    std::cout.rdbuf(WatchedStdout);
}

bool FinishStandardOutput(std::string& error)
{
    std::cout.flush();
    int errnum = WatchedStdout ? WatchedStdout->failure : 0;
    if (!errnum && !std::cout)
        errnum = EIO;
    if (!errnum) {
        errno = 0;
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            errnum = errno ? errno : EIO;
    }
    if (!errnum)
        return true;
    error = "cannot write to the standard output: " + ReasonText(errnum);
    return false;
}

void RemoveTemporariesOnInterrupt()
{
    std::signal(SIGINT, RemoveTemporariesAndEnd);
    std::signal(SIGTERM, RemoveTemporariesAndEnd);
}
