// Runs one command with its standard input and output redirected to files and prints its wall
// time in seconds, its peak resident memory in KiB, its exit status and its CPU time (user + system)
// in seconds: "wall_s maxrss_kib exit_status cpu_s".
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char* argv[]) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s stdin-file stdout-file command [args...]\n", argv[0]);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open(argv[1], O_RDONLY);
    const int out = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open("/dev/null", O_WRONLY);
    if (in < 0 || out < 0 || err < 0) ::_exit(127);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execv(argv[3], argv + 3);
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) < 0) return 2;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  std::printf("%.3f %ld %d %.3f\n", wall, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : 128, cpu);
  return 0;
}
