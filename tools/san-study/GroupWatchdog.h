#ifndef SAN_STUDY_GROUP_WATCHDOG_H
#define SAN_STUDY_GROUP_WATCHDOG_H

#include <sys/types.h>

// Kills the process groups of this program's children should this program
// end without stopping them, however it ends (SIGKILL included). The
// kernel's parent-death signal reaches only a direct child; a simulator
// started through a wrapper script is the script's child and would run on.
// So a small helper process, started at the first Watch, holds one end of a
// socket pair with this program: when it reads the end of the stream, the
// program is gone, and the helper kills every group still watched. The helper sits in a
// process group of its own and ignores the stop signals, so that a signal
// to this program's group does not take it along.
namespace GroupWatchdog {
void Watch(pid_t group);
// The group has ended; its number may be used again.
void Forget(pid_t group);
}  // namespace GroupWatchdog

#endif
