// Files the host writes are whole or absent. Every output (frames, meshes, scene files, parameter
// files) is written under a temporary name in the target's own folder and renamed over the target
// once it is complete and closed, so a crash, an interrupt or a full disk never leaves a
// truncated file under a name that looks like a finished frame. A failure names the file and the
// system's reason ("No space left on device").
#pragma once

#include <cstddef>
#include <fstream>
#include <ostream>
#include <streambuf>
#include <string>

class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile();   // a temporary that was never committed is removed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file and opens it for writing through Stream().
    bool Open(std::string& error);
    std::ostream& Stream() { return stream; }

    // For writers that open files by name themselves (libraries, other programs): a temporary
    // name to write, in the target's folder and with the target's extension, so that a program
    // choosing its format by extension still sees the right one. Nothing is created yet.
    const std::string& ReserveName();

    // Flushes and closes the stream (if opened), checks that every byte arrived and renames the
    // temporary over the target. False with `error` naming the file and the reason; the
    // temporary is then removed and an existing target is left as it was.
    bool Commit(std::string& error);

    const std::string& Path() const { return path; }
    const std::string& TemporaryPath() const { return temporary; }

private:
    std::string path;
    std::string temporary;
    std::ofstream stream;
    int slot = -1;         // where the temporary is registered for removal on an interrupt
    bool committed = false;
};

// The whole of `size` bytes (or the text) as the file `path`, through an OutputFile.
bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string& error);
bool WriteWholeFile(const std::string& path, const std::string& text, std::string& error);

// "cannot write PATH: REASON" with the system's text for `errnum` (0 when it gave none).
std::string WriteError(const std::string& path, int errnum);

// The standard output, where results go, must not fail silently (a full device, a closed pipe):
// WatchStandardOutput routes std::cout through a buffer that keeps the system's reason for the
// first failed write, and FinishStandardOutput flushes it and says whether everything arrived.
void WatchStandardOutput();
bool FinishStandardOutput(std::string& error);

// On an interrupt (Ctrl-C) or a termination request, the temporaries of files being written are
// removed before the program ends as the signal asks. Called once, early in main.
void RemoveTemporariesOnInterrupt();
