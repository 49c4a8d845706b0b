/* The floor for a cached run: only the steps such a run requires, with
 * nothing else around them. It runs "gcc -v" from the installation's
 * mingw/bin into zeb_c.dat and checks the version word, takes the CRC-32 of
 * the lower-cased source path (in its C: form) and of the source, reads the
 * 4-byte stamp of the cached executable and runs it in the source's
 * directory, returning its status. No locks, no checks beyond these.
 * Usage: floor <installation directory> <full source path>
 * Build: cc -O2 bench/floor.c -o floor -lz */
#define _GNU_SOURCE
#include <ctype.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

extern char** environ;

static int spawn_wait(char* const argv[], const char* output, const char* directory) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output != NULL) {
    posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  if (directory != NULL) posix_spawn_file_actions_addchdir_np(&actions, directory);
  pid_t pid;
  int status = -1;
  if (posix_spawn(&pid, argv[0], &actions, NULL, argv, environ) == 0) waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const char* install = argv[1];
  const char* source = argv[2];
  static char path[8192], capture[8192], text[4097], key_text[8192], exe[8192], dir[8192];

  snprintf(path, sizeof path, "%s/mingw/bin/gcc", install);
  snprintf(capture, sizeof capture, "%s/zeb_c.dat", install);
  char* gcc_argv[] = {path, "-v", NULL};
  if (spawn_wait(gcc_argv, capture, NULL) != 0) return 17;
  FILE* in = fopen(capture, "rb");
  if (in == NULL) return 20;
  size_t got = fread(text, 1, 4096, in);
  fclose(in);
  text[got] = '\0';
  if (strstr(text, "(mingw-special)") == NULL || strstr(text, "gcc version ") == NULL) return 22;

  /* The cache key: CRC-32 of "c:\..." in lower case. */
  snprintf(key_text, sizeof key_text, "c:%s", source);
  for (char* c = key_text; *c != '\0'; ++c) *c = *c == '/' ? '\\' : (char)tolower((unsigned char)*c);
  const unsigned long key = crc32(0L, (const Bytef*)key_text, (uInt)strlen(key_text));
  const char* name = strrchr(source, '/') + 1;
  const char* lower_name = strrchr(key_text, '\\') + 1;
  snprintf(exe, sizeof exe, "%s/cache/%s-%08lx/%s.exe", install, lower_name, key, name);

  static unsigned char chunk[1 << 19];
  int fd = open(source, O_RDONLY);
  if (fd < 0) return 2;
  unsigned long sum = 0;
  ssize_t n;
  while ((n = read(fd, chunk, sizeof chunk)) > 0) sum = crc32(sum, chunk, (uInt)n);
  close(fd);

  fd = open(exe, O_RDONLY);
  if (fd < 0) return 12;
  struct stat info;
  unsigned char stamp[4] = {0};
  if (fstat(fd, &info) != 0 || info.st_size <= 10 || pread(fd, stamp, 4, info.st_size - 10) != 4) return 6;
  close(fd);
  const unsigned long stored = stamp[0] | stamp[1] << 8 | stamp[2] << 16 | (unsigned long)stamp[3] << 24;
  if (stored != sum) return 9; /* a real launcher would compile here */

  snprintf(dir, sizeof dir, "%.*s", (int)(name - source), source);
  char* run_argv[] = {exe, NULL};
  return spawn_wait(run_argv, NULL, dir);
}
