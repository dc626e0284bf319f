// Worker processes: fork and exec with a pipe for standard error on POSIX systems; none on
// Windows.
#include "platform/processes.h"
#include "platform/exec_arguments.h"

#if defined(_WIN32)

bool WorkerProcessesAvailable() { return false; }

bool StartWorker(const std::string&, const std::vector<std::string>&, WorkerProcess&, std::string& error)
{
    error = "this build starts no worker processes";
    return false;
}

void WaitForWorkers(const std::vector<WorkerProcess>&, int) {}
bool ReadWorkerMessages(WorkerProcess&, std::string&) { return false; }
void StopWorker(const WorkerProcess&) {}
int WaitForWorkerExit(WorkerProcess&) { return 1; }

#else
#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include "platform/posix_children.h"

bool WorkerProcessesAvailable() { return true; }

bool StartWorker(const std::string& program, const std::vector<std::string>& arguments, WorkerProcess& worker,
                 std::string& error)
{
    // Everything the child needs is made before fork: between fork and exec only calls that
    // are safe in a copy of a process whose other threads are gone.
    const ExecArguments argv(program, arguments);

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        error = SystemError("cannot make a pipe");
        return false;
    }
    fcntl(pipeEnds[0], F_SETFD, FD_CLOEXEC);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        error = SystemError("cannot start a worker");
        ClosePipe(pipeEnds);
        return false;
    }
    if (pid == 0) {
#if defined(__linux__)
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(128 + SIGTERM);
#else
        (void)parent;
#endif
        dup2(pipeEnds[1], STDERR_FILENO);
        ClosePipe(pipeEnds);
        execv(argv.Vector()[0], argv.Vector());
        const char* what = "velmora worker: cannot run the program\n";
        ssize_t ignored = write(STDERR_FILENO, what, std::strlen(what));
        (void)ignored;
        _exit(127);
    }
    close(pipeEnds[1]);
    fcntl(pipeEnds[0], F_SETFL, fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);
    worker.id = pid;
    worker.messages = pipeEnds[0];
    return true;
}

void WaitForWorkers(const std::vector<WorkerProcess>& workers, int timeoutMs)
{
    std::vector<pollfd> fds;
    for (const WorkerProcess& w : workers)
        if (w.messages >= 0)
            fds.push_back(pollfd{w.messages, POLLIN, 0});
    if (fds.empty())
        return;
    // An interrupting signal ends the wait early (EINTR), which is what the caller wants.
    poll(fds.data(), nfds_t(fds.size()), timeoutMs);
}

bool ReadWorkerMessages(WorkerProcess& worker, std::string& text)
{
    if (worker.messages < 0)
        return false;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(worker.messages, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, size_t(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return true;
        close(worker.messages);
        worker.messages = -1;
        return false;
    }
}

void StopWorker(const WorkerProcess& worker)
{
    if (worker.id > 0)
        kill(pid_t(worker.id), SIGTERM);
}

int WaitForWorkerExit(WorkerProcess& worker)
{
    if (worker.id <= 0)
        return 1;
    const int code = ReapChild(pid_t(worker.id));
    worker.id = -1;
    if (worker.messages >= 0) {
        close(worker.messages);
        worker.messages = -1;
    }
    return code;
}

#endif
