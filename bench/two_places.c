/* The cost of reading two places of one file, against one read of a small
 * file: the system calls a report makes (open, fstat, reads, close) on a
 * 3 GiB sparse file whose chunk headers lie at its start and at its end,
 * done with two preads, with one io_uring submission of both reads, and with
 * mmap, beside one pread of a 3 KB file. Linux only.
 *
 *   cc -O2 -o /tmp/two_places bench/two_places.c && /tmp/two_places [DIR]
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <linux/io_uring.h>
#include <stdatomic.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

enum { Rounds = 200000, Head = 4096, Tail = 16384 };

static char head[Head], tail[Tail];

static void Fail(const char* what) {
  perror(what);
  exit(1);
}

static double Now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e9 + t.tv_nsec;
}

/* One ring, set up once per process as a program would. */
static int ring;
static unsigned *sqTail, *sqMask, *sqArray, *cqHead, *cqTail, *cqMask;
static struct io_uring_sqe* sqes;
static struct io_uring_cqe* cqes;

static void SetUpRing(void) {
  struct io_uring_params p;
  memset(&p, 0, sizeof p);
  ring = (int)syscall(__NR_io_uring_setup, 4, &p);
  if (ring < 0) Fail("io_uring_setup");
  size_t sqSize = p.sq_off.array + p.sq_entries * sizeof(unsigned);
  size_t cqSize = p.cq_off.cqes + p.cq_entries * sizeof(struct io_uring_cqe);
  if (cqSize > sqSize) sqSize = cqSize;
  if (!(p.features & IORING_FEAT_SINGLE_MMAP)) Fail("io_uring without one mapping");
  char* sq = mmap(0, sqSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, ring,
                  IORING_OFF_SQ_RING);
  sqes = mmap(0, p.sq_entries * sizeof(struct io_uring_sqe), PROT_READ | PROT_WRITE,
              MAP_SHARED | MAP_POPULATE, ring, IORING_OFF_SQES);
  if (sq == MAP_FAILED || sqes == MAP_FAILED) Fail("mmap");
  sqTail = (unsigned*)(sq + p.sq_off.tail);
  sqMask = (unsigned*)(sq + p.sq_off.ring_mask);
  sqArray = (unsigned*)(sq + p.sq_off.array);
  cqHead = (unsigned*)(sq + p.cq_off.head);
  cqTail = (unsigned*)(sq + p.cq_off.tail);
  cqMask = (unsigned*)(sq + p.cq_off.ring_mask);
  cqes = (struct io_uring_cqe*)(sq + p.cq_off.cqes);
}

static void ReadBothPlaces(int fd, off_t tailAt) {
  unsigned t = *sqTail;
  for (unsigned i = 0; i < 2; ++i) {
    unsigned slot = (t + i) & *sqMask;
    struct io_uring_sqe* e = &sqes[slot];
    memset(e, 0, sizeof *e);
    e->opcode = IORING_OP_READ;
    e->fd = fd;
    e->off = i ? (uint64_t)tailAt : 0;
    e->addr = (uintptr_t)(i ? tail : head);
    e->len = i ? Tail : Head;
    sqArray[slot] = slot;
  }
  atomic_store_explicit((_Atomic unsigned*)sqTail, t + 2, memory_order_release);
  if (syscall(__NR_io_uring_enter, ring, 2, 2, IORING_ENTER_GETEVENTS, 0, 0) != 2)
    Fail("io_uring_enter");
  unsigned h = *cqHead;
  unsigned end = atomic_load_explicit((_Atomic unsigned*)cqTail, memory_order_acquire);
  for (; h != end; ++h)
    if (cqes[h & *cqMask].res < 0) Fail("io_uring read");
  atomic_store_explicit((_Atomic unsigned*)cqHead, h, memory_order_release);
}

/* The reads of one way, given the open file and its size. */
static void OnePread(int fd, off_t size) {
  (void)size;
  pread(fd, tail, Tail, 0);
}

static void TwoPreads(int fd, off_t size) {
  pread(fd, head, Head, 0);
  pread(fd, tail, Tail, size - 40);
}

static void OneSubmission(int fd, off_t size) { ReadBothPlaces(fd, size - 40); }

static void Mapped(int fd, off_t size) {
  char* map = mmap(0, (size_t)size, PROT_READ, MAP_SHARED, fd, 0);
  if (map == MAP_FAILED) Fail("mmap");
  memcpy(head, map, Head);
  memcpy(tail, map + size - 40, 40);
  munmap(map, (size_t)size);
}

/* Nanoseconds per round of open, fstat, the reads of one way, and close. */
static double Time(const char* path, void (*reads)(int, off_t)) {
  double start = Now();
  for (int i = 0; i < Rounds; ++i) {
    struct stat st;
    int fd = open(path, O_RDONLY);
    fstat(fd, &st);
    reads(fd, st.st_size);
    close(fd);
  }
  return (Now() - start) / Rounds;
}

int main(int argc, char** argv) {
  const char* dir = argc > 1 ? argv[1] : "/tmp";
  char small[4096], big[4096];
  snprintf(small, sizeof small, "%s/two_places_small.wav", dir);
  snprintf(big, sizeof big, "%s/two_places_big.wav", dir);
  const off_t bigSize = ((off_t)3 << 30) + 84;
  int fd = open(small, O_CREAT | O_TRUNC | O_WRONLY, 0644);
  if (fd < 0 || pwrite(fd, memset(tail, 'a', 3072), 3072, 0) != 3072) Fail(small);
  close(fd);
  fd = open(big, O_CREAT | O_TRUNC | O_WRONLY, 0644);
  if (fd < 0 || pwrite(fd, head, 44, 0) != 44 || pwrite(fd, tail, 40, bigSize - 40) != 40)
    Fail(big);
  close(fd);
  SetUpRing();

  for (int pass = 0; pass < 3; ++pass) {
    double oneRead = Time(small, OnePread);
    double twoReads = Time(big, TwoPreads);
    double ringReads = Time(big, OneSubmission);
    double mapped = Time(big, Mapped);
    printf("3 KB, one pread %.0f ns | 3 GiB: two preads %.0f ns, io_uring %.0f ns, mmap %.0f ns\n",
           oneRead, twoReads, ringReads, mapped);
  }
  unlink(small);
  unlink(big);
  return 0;
}
