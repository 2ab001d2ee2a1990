/* The floor a report is measured against: the file calls of a report in one
   thread, without the report. For each file given (or each .wav file below
   a folder given) it opens the file, asks its size and time (fstat), reads
   its first 4 KB at offset 0 (pread) and closes it. */
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static unsigned long files_read;

static void read_header(const char *path) {
  static char first_look[4096];
  struct stat status;
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  if (fstat(fd, &status) == 0 && pread(fd, first_look, sizeof first_look, 0) >= 12) files_read++;
  close(fd);
}

static int is_wave(const char *name) {
  size_t n = strlen(name);
  return n >= 4 && name[n - 4] == '.' && (name[n - 3] | 0x20) == 'w' &&
         (name[n - 2] | 0x20) == 'a' && (name[n - 1] | 0x20) == 'v';
}

static void walk(const char *folder) {
  DIR *dir = opendir(folder);
  struct dirent *entry;
  char path[4096];
  if (dir == NULL) return;
  while ((entry = readdir(dir)) != NULL) {
    if (entry->d_name[0] == '.') continue;
    snprintf(path, sizeof path, "%s/%s", folder, entry->d_name);
    if (entry->d_type == DT_DIR)
      walk(path);
    else if (is_wave(entry->d_name))
      read_header(path);
  }
  closedir(dir);
}

int main(int argc, char **argv) {
  int i;
  for (i = 1; i < argc; i++) {
    struct stat st;
    if (stat(argv[i], &st) == 0 && S_ISDIR(st.st_mode))
      walk(argv[i]);
    else
      read_header(argv[i]);
  }
  return files_read == 0;
}
