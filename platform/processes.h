// Worker processes: a copy of a program started with its own arguments, whose standard error
// comes back through a pipe (the worker's messages and what it reports), waited for, or asked
// to stop. A worker ends with its parent even when the parent is killed outright, where the
// system can arrange that (Linux), so no worker renders on for nobody.
//
// The Windows build of the host starts no workers: WorkerProcessesAvailable() is false there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct WorkerProcess {
    int64_t id = -1;     // the process id; -1 before it is started or after it was waited for
    int messages = -1;   // the read end of its standard error; -1 once it has ended
};

bool WorkerProcessesAvailable();

// Starts `program` with `arguments` (without the program's name); its standard input and
// output are the caller's, its standard error a pipe. False with `error` saying why.
bool StartWorker(const std::string& program, const std::vector<std::string>& arguments, WorkerProcess& worker,
                 std::string& error);

// Waits until a worker's messages have text or end, a signal arrives, or `timeoutMs` passes.
void WaitForWorkers(const std::vector<WorkerProcess>& workers, int timeoutMs);

// Appends what the worker has written so far to `text` without waiting. False once its
// messages have ended (the pipe is then closed and `messages` is -1).
bool ReadWorkerMessages(WorkerProcess& worker, std::string& text);

// Asks the worker to end (a termination request it handles like Ctrl-C).
void StopWorker(const WorkerProcess& worker);

// Waits for the worker to end and returns its exit code, or 128 + the signal that ended it.
int WaitForWorkerExit(WorkerProcess& worker);
