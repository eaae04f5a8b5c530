// A phone that answers slowly: a FUSE file system passing every call through
// to a backing folder after a pause, as a phone over USB takes its time. With
// --hang-writes-after, a write past that many bytes of a file never returns,
// as on a phone that has hung. With --gate, no call is answered while that
// file exists: a test holds the disk, looks at what waits for it, and lets go.
//
//   zorvik_slowphone BACKING MOUNTPOINT [--delay-ms N] [--hang-writes-after BYTES] [--gate FILE]
//
// Runs in the foreground, one call at a time; unmount (or kill it) to end it.
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static const char* backing;
static long delayMs = 300;
static long long hangAfter = -1;
static const char* gate;

static void pause_call(void) {
    struct timespec t = {delayMs / 1000, (delayMs % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
    for (struct timespec tick = {0, 10000000L}; gate && access(gate, F_OK) == 0;) nanosleep(&tick, NULL);
}

static void full(char out[PATH_MAX], const char* path) { snprintf(out, PATH_MAX, "%s%s", backing, path); }

#define BACKED(path)        \
    char real[PATH_MAX];    \
    pause_call();           \
    full(real, path)

static int slow_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    (void)fi;
    BACKED(path);
    return lstat(real, st) == 0 ? 0 : -errno;
}

static int slow_readdir(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset, struct fuse_file_info* fi,
                        enum fuse_readdir_flags flags) {
    (void)offset, (void)fi, (void)flags;
    BACKED(path);
    DIR* dir = opendir(real);
    if (!dir) return -errno;
    for (struct dirent* e; (e = readdir(dir));) {
        struct stat st = {.st_ino = e->d_ino, .st_mode = (mode_t)e->d_type << 12};
        if (fill(buf, e->d_name, &st, 0, 0)) break;
    }
    closedir(dir);
    return 0;
}

static int slow_mkdir(const char* path, mode_t mode) {
    BACKED(path);
    return mkdir(real, mode) == 0 ? 0 : -errno;
}

static int slow_unlink(const char* path) {
    BACKED(path);
    return unlink(real) == 0 ? 0 : -errno;
}

static int slow_rmdir(const char* path) {
    BACKED(path);
    return rmdir(real) == 0 ? 0 : -errno;
}

static int slow_rename(const char* from, const char* to, unsigned int flags) {
    if (flags) return -EINVAL;  // as phones: no RENAME_NOREPLACE
    char realTo[PATH_MAX];
    BACKED(from);
    full(realTo, to);
    return rename(real, realTo) == 0 ? 0 : -errno;
}

static int slow_truncate(const char* path, off_t size, struct fuse_file_info* fi) {
    BACKED(path);
    int r = fi ? ftruncate((int)fi->fh, size) : truncate(real, size);
    return r == 0 ? 0 : -errno;
}

static int slow_utimens(const char* path, const struct timespec tv[2], struct fuse_file_info* fi) {
    (void)fi;
    BACKED(path);
    return utimensat(AT_FDCWD, real, tv, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : -errno;
}

static int slow_open(const char* path, struct fuse_file_info* fi) {
    BACKED(path);
    int fd = open(real, fi->flags);
    if (fd < 0) return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int slow_create(const char* path, mode_t mode, struct fuse_file_info* fi) {
    BACKED(path);
    int fd = open(real, fi->flags, mode);
    if (fd < 0) return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int slow_read(const char* path, char* buf, size_t size, off_t offset, struct fuse_file_info* fi) {
    (void)path;
    pause_call();
    ssize_t n = pread((int)fi->fh, buf, size, offset);
    return n < 0 ? -errno : (int)n;
}

static int slow_write(const char* path, const char* buf, size_t size, off_t offset, struct fuse_file_info* fi) {
    (void)path;
    pause_call();
    if (hangAfter >= 0 && offset + (off_t)size > hangAfter)
        for (;;) pause();  // hung: the call never comes back
    ssize_t n = pwrite((int)fi->fh, buf, size, offset);
    return n < 0 ? -errno : (int)n;
}

static int slow_statfs(const char* path, struct statvfs* st) {
    BACKED(path);
    return statvfs(real, st) == 0 ? 0 : -errno;
}

static int slow_release(const char* path, struct fuse_file_info* fi) {
    (void)path;
    close((int)fi->fh);
    return 0;
}

static int slow_fsync(const char* path, int datasync, struct fuse_file_info* fi) {
    (void)path;
    pause_call();
    int r = datasync ? fdatasync((int)fi->fh) : fsync((int)fi->fh);
    return r == 0 ? 0 : -errno;
}

static const struct fuse_operations operations = {
    .getattr = slow_getattr,
    .mkdir = slow_mkdir,
    .unlink = slow_unlink,
    .rmdir = slow_rmdir,
    .rename = slow_rename,
    .truncate = slow_truncate,
    .open = slow_open,
    .read = slow_read,
    .write = slow_write,
    .statfs = slow_statfs,
    .release = slow_release,
    .fsync = slow_fsync,
    .readdir = slow_readdir,
    .create = slow_create,
    .utimens = slow_utimens,
};

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr,
                "usage: zorvik_slowphone BACKING MOUNTPOINT [--delay-ms N] [--hang-writes-after BYTES] [--gate FILE]\n");
        return 2;
    }
    static char realBacking[PATH_MAX];
    if (!realpath(argv[1], realBacking)) {
        perror(argv[1]);
        return 1;
    }
    backing = realBacking;
    for (int i = 3; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--delay-ms") == 0) delayMs = atol(argv[i + 1]);
        else if (strcmp(argv[i], "--hang-writes-after") == 0) hangAfter = atoll(argv[i + 1]);
        else if (strcmp(argv[i], "--gate") == 0) gate = argv[i + 1];
    }
    char* fuseArgs[] = {argv[0], "-f", "-s", "-o", "fsname=slowphone,allow_other", argv[2], NULL};
    return fuse_main(6, fuseArgs, &operations, NULL);
}
