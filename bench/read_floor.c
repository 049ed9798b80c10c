/* Reads every regular file below a folder once, in 64 KiB blocks: the floor
   that no content search of the same tree can beat. */
#define _XOPEN_SOURCE 700
#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <unistd.h>

static char block[65536];
static unsigned long long total;

static int visit(const char *path, const struct stat *st, int kind, struct FTW *ftw) {
    (void)st; (void)ftw;
    if (kind != FTW_F) return 0;
    int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return 0;
    ssize_t n;
    while ((n = read(fd, block, sizeof block)) > 0) total += (unsigned long long)n;
    close(fd);
    return 0;
}

int main(int argc, char **argv) {
    if (argc != 2) { fprintf(stderr, "usage: read_floor FOLDER\n"); return 2; }
    if (nftw(argv[1], visit, 64, FTW_PHYS) != 0) { perror(argv[1]); return 2; }
    printf("%llu bytes\n", total);
    return 0;
}
