/* Loaded into vendu with LD_PRELOAD by cli_test.py: a write that fails because of the file
 * size limit (EFBIG) is held until the test has done its part, so the test can append to the
 * file from another program exactly between the failed write and vendu's undo. The folder
 * VENDU_HOLD_DIR receives the file "held" when a write is held; the write returns once the
 * file "go" appears there (or after 30 s). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef ssize_t (*write_fn)(int, const void*, size_t);

static void hold(const char* dir) {
    char path[4096];
    snprintf(path, sizeof path, "%s/held", dir);
    int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        close(fd);
    snprintf(path, sizeof path, "%s/go", dir);
    const struct timespec pause = {0, 10 * 1000 * 1000};
    for (int i = 0; i < 3000 && access(path, F_OK) != 0; ++i)
        nanosleep(&pause, NULL);
}

ssize_t write(int fd, const void* buffer, size_t count) {
    static write_fn real;
    if (!real)
        real = (write_fn)dlsym(RTLD_NEXT, "write");
    const ssize_t result = real(fd, buffer, count);
    const int saved = errno;
    const char* dir = getenv("VENDU_HOLD_DIR");
    if (result < 0 && saved == EFBIG && dir)
        hold(dir);
    errno = saved;
    return result;
}
