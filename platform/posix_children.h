// What the host's two kinds of started program (render workers, the video encoder) share on POSIX
// systems: how a failed call is put into words, closing a pipe made for a child, and reaping a
// child for its exit code.
#pragma once

#if !defined(_WIN32)
#include <cerrno>
#include <cstring>
#include <string>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// "cannot make a pipe: Too many open files": what could not be done, and the system's reason.
// Read errno before anything else can change it.
inline std::string SystemError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

inline void ClosePipe(const int ends[2])
{
    close(ends[0]);
    close(ends[1]);
}

// Waits for the child to end (again when a signal interrupts the wait) and reaps it. Its exit
// code; 128 + the signal's number when a signal ended it, as a shell reports it; 1 when it cannot
// be waited for.
inline int ReapChild(pid_t id)
{
    int status = 0;
    pid_t done;
    do
        done = waitpid(id, &status, 0);
    while (done < 0 && errno == EINTR);
    if (done < 0)
        return 1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 1;
}
#endif
