// POSIX host: what the layer remembers of how children ended by a signal,
// for a process that means to end as its foreground program did.
#pragma once

#include <sys/types.h>

namespace zeb::platform::posix {

// Records that the child `pid` was ended by `signal_number` (when it is reaped).
void note_signalled_child(pid_t pid, int signal_number);

// The signal that ended the child `pid`, or 0 when it ended otherwise or is
// not known to have ended.
int signal_that_ended(pid_t pid);

// Makes this process end by `signal_number` at the end of the process.
void end_by_signal_at_exit(int signal_number);

}  // namespace zeb::platform::posix
