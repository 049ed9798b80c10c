/* Reads every regular file below a folder once, in 64 KiB blocks: the floor
   that no content search of the same tree can beat.
     read_floor FOLDER [THREADS]
   With THREADS above 1 (default 1) the walk hands each file, as it finds it,
   to THREADS readers that share one queue: the floor of a search that
   decides its files on as many threads. */
#define _XOPEN_SOURCE 700
#include <fcntl.h>
#include <ftw.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { kBlock = 65536, kMaxReaders = 256 };

static char block[kBlock];
static unsigned long long total;

static unsigned long long read_whole(const char *path, char *buffer) {
    unsigned long long bytes = 0;
    int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return 0;
    ssize_t n;
    while ((n = read(fd, buffer, kBlock)) > 0) bytes += (unsigned long long)n;
    close(fd);
    return bytes;
}

static int visit(const char *path, const struct stat *st, int kind, struct FTW *ftw) {
    (void)st; (void)ftw;
    if (kind != FTW_F) return 0;
    total += read_whole(path, block);
    return 0;
}

/* The paths the walk has found; the readers take them in the walk's order. */
static struct {
    pthread_mutex_t lock;
    pthread_cond_t more;
    char **paths;
    size_t count, capacity, next;
    int walked;
} queue = {PTHREAD_MUTEX_INITIALIZER, PTHREAD_COND_INITIALIZER, NULL, 0, 0, 0, 0};

/* Each reader counts its own bytes, on a cache line of its own. */
struct reader {
    pthread_t thread;
    unsigned long long bytes;
    char pad[64];
};

static int hand_out(const char *path, const struct stat *st, int kind, struct FTW *ftw) {
    (void)st; (void)ftw;
    if (kind != FTW_F) return 0;
    char *copy = strdup(path);
    if (!copy) return -1;
    pthread_mutex_lock(&queue.lock);
    if (queue.count == queue.capacity) {
        size_t capacity = queue.capacity ? 2 * queue.capacity : 4096;
        char **paths = realloc(queue.paths, capacity * sizeof *paths);
        if (!paths) {
            pthread_mutex_unlock(&queue.lock);
            free(copy);
            return -1;
        }
        queue.paths = paths;
        queue.capacity = capacity;
    }
    queue.paths[queue.count++] = copy;
    pthread_cond_signal(&queue.more);
    pthread_mutex_unlock(&queue.lock);
    return 0;
}

static void *read_queue(void *arg) {
    struct reader *self = arg;
    char *buffer = malloc(kBlock);
    if (!buffer) return NULL;
    for (;;) {
        pthread_mutex_lock(&queue.lock);
        while (queue.next == queue.count && !queue.walked) pthread_cond_wait(&queue.more, &queue.lock);
        if (queue.next == queue.count) {
            pthread_mutex_unlock(&queue.lock);
            break;
        }
        char *path = queue.paths[queue.next++];
        pthread_mutex_unlock(&queue.lock);
        self->bytes += read_whole(path, buffer);
        free(path);
    }
    free(buffer);
    return NULL;
}

static void walk_done(void) {
    pthread_mutex_lock(&queue.lock);
    queue.walked = 1;
    pthread_cond_broadcast(&queue.more);
    pthread_mutex_unlock(&queue.lock);
}

static int read_in_parallel(const char *folder, int threads) {
    static struct reader readers[kMaxReaders];
    int started = 0;
    for (; started < threads; ++started)
        if (pthread_create(&readers[started].thread, NULL, read_queue, &readers[started]) != 0) break;
    if (started == 0) {
        fprintf(stderr, "read_floor: cannot start a thread\n");
        return 2;
    }
    int walked = nftw(folder, hand_out, 64, FTW_PHYS);
    walk_done();
    for (int i = 0; i < started; ++i) {
        pthread_join(readers[i].thread, NULL);
        total += readers[i].bytes;
    }
    free(queue.paths);
    if (walked != 0) {
        perror(folder);
        return 2;
    }
    if (started < threads) fprintf(stderr, "read_floor: only %d of %d threads started\n", started, threads);
    return 0;
}

int main(int argc, char **argv) {
    int threads = 1;
    if (argc == 3) {
        char *end;
        long n = strtol(argv[2], &end, 10);
        if (*argv[2] == '\0' || *end != '\0' || n < 1 || n > kMaxReaders) argc = 0;
        threads = (int)n;
    }
    if (argc != 2 && argc != 3) { fprintf(stderr, "usage: read_floor FOLDER [THREADS]  (1 to 256)\n"); return 2; }
    if (threads == 1) {
        if (nftw(argv[1], visit, 64, FTW_PHYS) != 0) { perror(argv[1]); return 2; }
    } else {
        int status = read_in_parallel(argv[1], threads);
        if (status != 0) return status;
    }
    printf("%llu bytes\n", total);
    return 0;
}
