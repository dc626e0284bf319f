// Another program fed through a pipe: started by name (searched on PATH) with its standard input
// the pipe's far end, its standard output discarded and its standard error kept in an unnamed
// file, so that what it said can be shown when it fails. The host feeds frames to the ffmpeg
// program this way.
//
// Such a program runs in a process group of its own, so a Ctrl-C at the terminal reaches the host
// alone; the host's interrupt handler ends the programs with StopProgramsNow before it removes
// the files they were writing, so none lives on to write a file after it was removed.
//
// The Windows build of the host writes no video: there StartProgramPipe refuses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ProgramPipe {
    int64_t id = -1;      // the process id; -1 before it starts and after it was waited for
    int input = -1;       // the write end of its standard input; -1 once closed
    int messages = -1;    // the unnamed file holding its standard error; -1 when none
    int slot = -1;        // where StopProgramsNow finds it
};

// Starts `program` with `arguments` (without the program's name). False with `error` saying
// why, "not found" among the reasons when no such program is on PATH.
bool StartProgramPipe(const std::string& program, const std::vector<std::string>& arguments, ProgramPipe& pipe,
                      std::string& error);

// Writes all `size` bytes. False with a reason when the program has gone (its end of the pipe
// closed) or the write failed; the program's early end raises no signal here.
bool WriteToProgram(ProgramPipe& pipe, const void* data, size_t size, std::string& error);

// Closes the program's input and waits for it to end; its exit code, or 128 + the signal that
// ended it.
int FinishProgram(ProgramPipe& pipe);

// Ends the program now if it runs, waits for it and lets go of its messages. Every started
// program ends here, finished or not.
void StopProgram(ProgramPipe& pipe);

// The last `lines` lines the program wrote to its standard error, joined by "; " ("" when it
// wrote nothing): a program's reason for failing is often spread over its last few lines.
std::string ProgramMessages(const ProgramPipe& pipe, int lines);

// Kills and waits for every program started and not yet waited for. Safe in a signal handler.
void StopProgramsNow();
