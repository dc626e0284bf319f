// A program fed through a pipe: posix_spawnp with the pipe as its standard input; on Windows,
// where the host writes no video, a refusal.
#include "platform/program_pipe.h"
#include "platform/exec_arguments.h"

#if defined(_WIN32)

bool StartProgramPipe(const std::string& program, const std::vector<std::string>&, ProgramPipe&, std::string& error)
{
    error = "this build starts no program such as " + program;
    return false;
}

bool WriteToProgram(ProgramPipe&, const void*, size_t, std::string& error)
{
    error = "this build starts no programs";
    return false;
}

int FinishProgram(ProgramPipe&) { return 1; }
void StopProgram(ProgramPipe&) {}
std::string ProgramMessages(const ProgramPipe&, int) { return std::string(); }
void StopProgramsNow() {}

#else

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix_children.h"

extern char** environ;

namespace {

// The programs running, for StopProgramsNow: a process id, or 0 for a free slot. A signal handler
// reads them, so they are lock-free atomics. A slot is freed before the program is reaped, while
// its id still names a zombie, so the handler never kills an id the system has given to another.
constexpr int ProgramSlots = 8;
std::atomic<pid_t> RunningPrograms[ProgramSlots];
static_assert(std::atomic<pid_t>::is_always_lock_free, "read by a signal handler");

int NoteRunning(pid_t id)
{
    for (int i = 0; i < ProgramSlots; ++i) {
        pid_t expected = 0;
        if (RunningPrograms[i].compare_exchange_strong(expected, id))
            return i;
    }
    return -1;
}

// An unnamed file for the program's standard error: made in the temporary folder and removed at
// once, so nothing is left behind however the host ends, and nothing another user could make
// under a guessed name is ever opened.
int UnnamedFile()
{
    const char* folder = std::getenv("TMPDIR");
    std::string name = std::string(folder && *folder ? folder : "/tmp") + "/velmora-messages-XXXXXX";
    const int fd = mkstemp(&name[0]);
    if (fd < 0)
        return -1;
    unlink(name.c_str());
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    return fd;
}

void CloseIfOpen(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

// Waits for the program to end, leaves it a zombie while its slot is freed, then reaps it.
int WaitAndForget(ProgramPipe& pipe)
{
    const pid_t id = pid_t(pipe.id);
    siginfo_t info{};
    int result;
    do
        result = waitid(P_PID, id_t(id), &info, WEXITED | WNOWAIT);
    while (result < 0 && errno == EINTR);
    if (pipe.slot >= 0)
        RunningPrograms[pipe.slot].store(0);
    pipe.slot = -1;
    pipe.id = -1;
    return ReapChild(id);
}

} // namespace

bool StartProgramPipe(const std::string& program, const std::vector<std::string>& arguments, ProgramPipe& pipe,
                      std::string& error)
{
    const ExecArguments argv(program, arguments);

    // Both ends close on exec, so no other child holds the input open (the program would then
    // never see its end); the program's own copy is made by dup2, which clears the flag.
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        error = SystemError("cannot make a pipe");
        return false;
    }
    const int messages = UnnamedFile();
    if (messages < 0) {
        error = SystemError("cannot make a file for its messages");
        ClosePipe(ends);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, messages, STDERR_FILENO);
    // A group of its own (see the header), a clear signal mask and the signals the host handles at
    // their defaults, whatever thread starts it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t id = -1;
    const int failed = posix_spawnp(&id, program.c_str(), &actions, &attributes, argv.Vector(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[0]);
    if (failed != 0) {
        close(ends[1]);
        close(messages);
        error = "cannot start " + program + ": " + (failed == ENOENT ? std::string("not found") : std::strerror(failed));
        return false;
    }
    pipe.id = id;
    pipe.input = ends[1];
    pipe.messages = messages;
    pipe.slot = NoteRunning(id);
    return true;
}

bool WriteToProgram(ProgramPipe& pipe, const void* data, size_t size, std::string& error)
{
    if (pipe.input < 0) {
        error = "its input is closed";
        return false;
    }
    // Writing to a pipe whose reader has gone raises SIGPIPE, which would end the whole host.
    // It is blocked on this thread while writing; one raised here is taken off again before the
    // old mask returns, and the write reports EPIPE instead.
    sigset_t pipeSignal, old;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &old);
    const char* p = static_cast<const char*>(data);
    int errnum = 0;
    while (size > 0) {
        const ssize_t n = ::write(pipe.input, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            errnum = errno;
            break;
        }
        p += n;
        size -= size_t(n);
    }
    if (errnum == EPIPE && !sigismember(&old, SIGPIPE)) {
        const timespec now = {0, 0};
        while (sigtimedwait(&pipeSignal, nullptr, &now) == SIGPIPE) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (errnum != 0) {
        error = errnum == EPIPE ? "it ended before it had every frame" : std::strerror(errnum);
        return false;
    }
    return true;
}

int FinishProgram(ProgramPipe& pipe)
{
    CloseIfOpen(pipe.input);
    if (pipe.id < 0)
        return 1;
    return WaitAndForget(pipe);
}

void StopProgram(ProgramPipe& pipe)
{
    if (pipe.id >= 0)
        kill(pid_t(pipe.id), SIGKILL);
    FinishProgram(pipe);
    CloseIfOpen(pipe.messages);
}

std::string ProgramMessages(const ProgramPipe& pipe, int lines)
{
    if (pipe.messages < 0)
        return std::string();
    // The end of what it wrote is enough for its last lines.
    constexpr off_t Tail = 1 << 16;
    const off_t size = lseek(pipe.messages, 0, SEEK_END);
    if (size <= 0)
        return std::string();
    const off_t from = size > Tail ? size - Tail : 0;
    std::string text(size_t(size - from), '\0');
    const ssize_t n = pread(pipe.messages, &text[0], text.size(), from);
    text.resize(n > 0 ? size_t(n) : 0);
    // Its lines from the last back, blank ones left out.
    std::string said;
    size_t end = text.size();   // one past the part not yet looked at
    for (int found = 0; found < lines && end > 0;) {
        const size_t start = text.find_last_of("\r\n", end - 1);
        const size_t begin = start == std::string::npos ? 0 : start + 1;
        const std::string line = text.substr(begin, end - begin);
        if (line.find_first_not_of(" \t") != std::string::npos) {
            said = line + (said.empty() ? "" : "; ") + said;
            ++found;
        }
        end = start == std::string::npos ? 0 : start;
    }
    return said;
}

void StopProgramsNow()
{
    for (std::atomic<pid_t>& slot : RunningPrograms) {
        const pid_t id = slot.load();
        if (id <= 0)
            continue;
        kill(id, SIGKILL);
        int status;
        while (waitpid(id, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

#endif
