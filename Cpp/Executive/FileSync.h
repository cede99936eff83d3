#ifndef CORVAX_FILE_SYNC_H
#define CORVAX_FILE_SYNC_H

// Forces what was written to a file to the disk, so that a finished run's
// files survive a crash of the machine. The streams that write the files do
// not show their descriptors; the file is reached again through its name
// (the sync applies to the file, whichever descriptor asks for it). Call it
// after the stream has been flushed. Returns 0, or the error number of the
// failure. Kinds of file that cannot be synced (pipes, terminals,
// /dev/null) count as synced.
int SyncFileToDisk(const char* path);

#endif
