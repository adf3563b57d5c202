// A small program the process tests start: it exits, crashes, floods, hangs or reports what
// it was given, as its first argument asks.

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "exit") return argc > 2 ? std::atoi(argv[2]) : 0;
  if (mode == "abort") std::abort();
  if (mode == "kill") raise(SIGKILL);
  if (mode == "flood") {
    // argv[2] MiB on standard output, then a line on standard error, then exit 3.
    static char block[1 << 20];
    std::memset(block, 'x', sizeof block);
    const int mebibytes = argc > 2 ? std::atoi(argv[2]) : 1;
    for (int i = 0; i < mebibytes; ++i) std::fwrite(block, 1, sizeof block, stdout);
    std::fflush(stdout);
    std::fputs("done\n", stderr);
    return 3;
  }
  if (mode == "sleep") {
    for (;;) pause();
  }
  if (mode == "echo") {
    for (int i = 2; i < argc; ++i) std::printf("[%s]\n", argv[i]);
    std::fflush(stdout);
    std::fputs("to stderr\n", stderr);
    return 0;
  }
  if (mode == "where") {
    char folder[4096];
    if (getcwd(folder, sizeof folder) == nullptr) return 2;
    char byte;
    const ssize_t got = read(0, &byte, 1);
    std::printf("%s\nstdin %zd\n", folder, got);
    return 0;
  }
  if (mode == "signals") {
    // Whether SIGINT is blocked and SIGPIPE ignored, as the child starts.
    sigset_t blocked;
    sigprocmask(SIG_BLOCK, nullptr, &blocked);
    struct sigaction pipe;
    sigaction(SIGPIPE, nullptr, &pipe);
    std::printf("int %s, pipe %s\n", sigismember(&blocked, SIGINT) ? "blocked" : "open",
                pipe.sa_handler == SIG_IGN ? "ignored" : "default");
    return 0;
  }
  if (mode == "tail") {
    // Writes its process id to the file argv[2], waits until the file argv[3] exists, then
    // prints a last line and ends at once.
    if (argc < 4) return 98;
    if (FILE* file = std::fopen(argv[2], "w")) {
      std::fprintf(file, "%d\n", static_cast<int>(getpid()));
      std::fclose(file);
    }
    for (int wait = 0; wait < 60000 && access(argv[3], F_OK) != 0; ++wait) usleep(1000);
    std::fputs("the last line\n", stdout);
    std::fflush(stdout);
    _exit(6);
  }
  if (mode == "grandchild") {
    // A child that outlives us and keeps the output pipe open.
    if (fork() == 0) {
      sleep(30);
      _exit(0);
    }
    std::puts("parent done");
    return 5;
  }
  return 99;
}
