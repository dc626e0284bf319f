// Whether the program's own streams are a terminal a person watches (so a progress line may
// rewrite itself) or a file or a pipe (so it writes plain lines).
#pragma once

bool StandardErrorIsTerminal();
