/* Loaded into vendu with LD_PRELOAD by edit_test.py: counts vendu's calls that touch files and
 * kills the process (SIGKILL, as a crash or a power cut would stop it) just before call number
 * VENDU_CRASH_AT. Without it, the count is written to the file VENDU_CRASH_COUNT at exit, so
 * the test knows how many points a run has. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

static long calls;

static void point(void) {
    static long target = -1;
    if (target < 0) {
        const char* at = getenv("VENDU_CRASH_AT");
        target = at ? atol(at) : 0;
    }
    if (++calls == target)
        raise(SIGKILL);
}

__attribute__((destructor)) static void report(void) {
    const char* path = getenv("VENDU_CRASH_COUNT");
    FILE* out = path ? fopen(path, "w") : NULL;
    if (out) {
        fprintf(out, "%ld\n", calls);
        fclose(out);
    }
}

#define REAL(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    va_end(args);
    point();
    return REAL(open)(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    va_end(args);
    point();
    return REAL(open64)(path, flags, mode);
}

int mkostemp(char* pattern, int flags) {
    point();
    return REAL(mkostemp)(pattern, flags);
}

ssize_t write(int fd, const void* buffer, size_t count) {
    point();
    return REAL(write)(fd, buffer, count);
}

int fsync(int fd) {
    point();
    return REAL(fsync)(fd);
}

int fchmod(int fd, mode_t mode) {
    point();
    return REAL(fchmod)(fd, mode);
}

int rename(const char* from, const char* to) {
    point();
    return REAL(rename)(from, to);
}

int unlink(const char* path) {
    point();
    return REAL(unlink)(path);
}

int close(int fd) {
    point();
    return REAL(close)(fd);
}

int flock(int fd, int operation) {
    point();
    return REAL(flock)(fd, operation);
}
