/* Loaded into vendu with LD_PRELOAD by cli_test.py: holds vendu at one moment until the test
 * has done its part, so that the test can change the file from another program exactly then.
 * VENDU_HOLD_AT says which moment:
 *   write (or unset): a write that fails because of the file size limit (EFBIG), before
 *                     vendu's undo;
 *   cut:              the cut that undoes a failed write, before it is made;
 *   read:             the first read of a file whose name ends with VENDU_HOLD_NAME, after it.
 * The folder VENDU_HOLD_DIR receives the file "held" when vendu is held; it goes on once the
 * file "go" appears there (or after 30 s). Each moment is held once. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#define REAL(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

static int held;

static int holding(const char* moment) {
    const char* at = getenv("VENDU_HOLD_AT");
    return !held && getenv("VENDU_HOLD_DIR") && strcmp(at && *at ? at : "write", moment) == 0;
}

static void hold(void) {
    const char* dir = getenv("VENDU_HOLD_DIR");
    char path[4096];
    held = 1;
    snprintf(path, sizeof path, "%s/held", dir);
    int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        close(fd);
    snprintf(path, sizeof path, "%s/go", dir);
    const struct timespec pause = {0, 10 * 1000 * 1000};
    for (int i = 0; i < 3000 && access(path, F_OK) != 0; ++i)
        nanosleep(&pause, NULL);
}

/* Whether fd is the file the read moment is about. */
static int named(int fd) {
    const char* name = getenv("VENDU_HOLD_NAME");
    char link[64], target[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (!name || n <= 0)
        return 0;
    target[n] = '\0';
    const size_t length = strlen(name);
    return (size_t)n >= length && strcmp(target + n - length, name) == 0;
}

ssize_t write(int fd, const void* buffer, size_t count) {
    const ssize_t result = REAL(write)(fd, buffer, count);
    const int saved = errno;
    if (result < 0 && saved == EFBIG && holding("write"))
        hold();
    errno = saved;
    return result;
}

int ftruncate(int fd, off_t length) {
    if (holding("cut"))
        hold();
    return REAL(ftruncate)(fd, length);
}

int ftruncate64(int fd, off64_t length) {
    if (holding("cut"))
        hold();
    return REAL(ftruncate64)(fd, length);
}

static ssize_t after_read(int fd, ssize_t result) {
    const int saved = errno;
    if (result > 0 && holding("read") && named(fd))
        hold();
    errno = saved;
    return result;
}

ssize_t read(int fd, void* buffer, size_t count) {
    return after_read(fd, REAL(read)(fd, buffer, count));
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    return after_read(fd, REAL(pread)(fd, buffer, count, offset));
}

ssize_t pread64(int fd, void* buffer, size_t count, off64_t offset) {
    return after_read(fd, REAL(pread64)(fd, buffer, count, offset));
}
