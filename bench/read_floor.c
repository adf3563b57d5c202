/* The reading floor: one thread reads every regular file under the given folders once, in
 * pieces of 128 KiB with pread, into one reused buffer. The buffer starts on a page
 * boundary plus --offset bytes, so that the cost of copying into a destination that is not
 * page-aligned shows beside the aligned figure; on some processors it is several times the
 * aligned one. Folders are walked with openat relative to the folder's descriptor, the
 * cheapest way there is, so that the figure is a floor and not a second program.
 *
 * Usage: read_floor [--offset BYTES] FOLDER...
 * Prints the count of files and bytes read; exits 1 when anything could not be read. */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum { kPiece = 128 * 1024, kPage = 4096 };

static unsigned char* g_buffer;
static uint64_t g_files;
static uint64_t g_bytes;
static int g_failed;

static void fail(const char* what, const char* name) {
  fprintf(stderr, "read_floor: %s %s: %s\n", what, name, strerror(errno));
  g_failed = 1;
}

static void read_file(int folder, const char* name) {
  const int fd = openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    fail("cannot open", name);
    return;
  }
  off_t position = 0;
  for (;;) {
    const ssize_t got = pread(fd, g_buffer, kPiece, position);
    if (got < 0) {
      if (errno == EINTR) continue;
      fail("cannot read", name);
      break;
    }
    if (got == 0) break;
    position += got;
  }
  g_bytes += (uint64_t)position;
  ++g_files;
  close(fd);
}

/* Takes ownership of the descriptor. */
static void walk(int folder, const char* label) {
  DIR* listing = fdopendir(folder);
  if (!listing) {
    fail("cannot list", label);
    close(folder);
    return;
  }
  struct dirent* entry;
  while ((entry = readdir(listing)) != NULL) {
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st;
      if (fstatat(dirfd(listing), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        fail("cannot stat", name);
        continue;
      }
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
    }
    if (type == DT_REG) {
      read_file(dirfd(listing), name);
    } else if (type == DT_DIR) {
      const int child = openat(dirfd(listing), name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
      if (child < 0) {
        fail("cannot open folder", name);
        continue;
      }
      walk(child, name);
    }
  }
  closedir(listing);
}

int main(int argc, char** argv) {
  long offset = 0;
  int first = 1;
  if (argc > 2 && strcmp(argv[1], "--offset") == 0) {
    char* end = NULL;
    offset = strtol(argv[2], &end, 10);
    if (!end || *end != 0 || offset < 0 || offset >= kPage) {
      fprintf(stderr, "read_floor: --offset wants 0 to %d\n", kPage - 1);
      return 2;
    }
    first = 3;
  }
  if (first >= argc) {
    fprintf(stderr, "usage: read_floor [--offset BYTES] FOLDER...\n");
    return 2;
  }
  void* block = NULL;
  if (posix_memalign(&block, kPage, kPiece + kPage) != 0) {
    fprintf(stderr, "read_floor: out of memory\n");
    return 1;
  }
  /* Touched once so that first-use page faults are not counted as reading. */
  memset(block, 0, kPiece + kPage);
  g_buffer = (unsigned char*)block + offset;
  for (int i = first; i < argc; ++i) {
    const int folder = open(argv[i], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
      fail("cannot open folder", argv[i]);
      continue;
    }
    walk(folder, argv[i]);
  }
  printf("%llu files, %llu bytes\n", (unsigned long long)g_files, (unsigned long long)g_bytes);
  free(block);
  return g_failed;
}
