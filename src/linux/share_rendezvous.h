// Where the runs of one user meet to share one video source (Linux): a
// private directory, and in it, per source, a lock file whose holder owns
// the source and the control socket through which it hands its frames to
// the others (GStreamer's shmsink and shmsrc; gst_capture.cpp runs them).
//
// The lock is flock(2)'s, which the kernel drops when its holder ends, even
// by SIGKILL; the holder writes its pid into the file, so that the next
// owner knows whose shared memory a killed owner left in /dev/shm. A lock
// file is removed only by its holder while it still holds it: a run that
// takes a lock checks afterwards that the file it locked is still the one
// the name shows.
//
// Relies on: flock, kill(pid, 0), and shmsink's segment names
// "shmpipe.%5d.%5d" (the writer's pid, then a serial).
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

// The directory where this user's runs meet: RUNTIME_DIR/lumox when
// runtimeDir (XDG_RUNTIME_DIR) names a directory of this user's that no one
// else may enter, else TMP/lumox-UID; made with mode 0700 when missing.
// Empty, with a sentence on why in problem, when what is there is not a
// directory of uid's that only uid may use (a directory someone else
// planted, a symbolic link, a file), or its names would be too long for a
// socket: there is no sharing then.
std::string ShareDirectory(const char* runtimeDir, const std::string& tmp, uid_t uid, std::string& problem);

// The names of one source's lock file and socket in the directory, from a
// short hash of what the source is (its description, its device path).
struct ShareNames {
    std::string lock;
    std::string socket;
};
ShareNames SourceShareNames(const std::string& directory, const std::string& source);

enum class SourceLock {
    Taken,   // this run owns the source now
    Held,    // another run holds it (or is just letting it go)
    Failed,  // the lock file cannot be made or used: share nothing
};

// Tries, without waiting, to become the source's owner. Taken: fd holds the
// lock, with this process's pid written in the file; what a killed owner
// left (the socket, its segments in shmDir) is gone. Failed also when the
// socket's name cannot be cleared for this owner's socket.
SourceLock TakeSourceLock(const ShareNames& names, int& fd, const std::string& shmDir = "/dev/shm");

// Gives the source up: the lock file goes, while still held, then the lock.
void DropSourceLock(const ShareNames& names, int fd);

// What this process's owner run leaves when the process ends without it
// (its thread held by its source): the socket, the lock file and this
// process's segments. The process still holds the lock.
void RemoveOwnShareTraces(const ShareNames& names, const std::string& shmDir = "/dev/shm");

// The pid in a lock file's text ("1234\n"); 0 for anything else.
pid_t ParseOwnerPid(const char* text, size_t length);

// The writer's pid in the name of a shmsink segment ("shmpipe. 1234.    0");
// 0 for any other name.
pid_t SegmentWriterPid(const char* name);

// Removes uid's segments of process pid in shmDir: regular files only.
void RemoveSegmentsOf(pid_t pid, uid_t uid, const std::string& shmDir = "/dev/shm");
