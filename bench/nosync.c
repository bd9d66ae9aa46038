/* Answers every sync request at once, so that a timed run measures its own
   work alone: a sync after a copy is machine-wide, and how long it takes
   depends on whatever else the machine wrote lately. Loaded with
   LD_PRELOAD by bench/run.sh; never part of the tool. */
#include <unistd.h>

int fsync(int fd) { (void)fd; return 0; }
int fdatasync(int fd) { (void)fd; return 0; }
int syncfs(int fd) { (void)fd; return 0; }
void sync(void) {}
