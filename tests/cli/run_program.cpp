#include "run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <string>

extern char** environ;

namespace {

std::string readWhole(std::FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[1 << 14];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  return text;
}

}  // namespace

// Temporary files rather than pipes: nothing can block however much either side writes.
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& input,
                      const std::string& outputPath) {
  std::FILE* in = std::tmpfile();
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  if (!in || !out || !err) throw std::runtime_error("cannot create temporary files");
  std::fwrite(input.data(), 1, input.size(), in);
  std::fflush(in);
  std::rewind(in);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fileno(in), 0);
  if (outputPath.empty()) {
    posix_spawn_file_actions_adddup2(&actions, fileno(out), 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, fileno(err), 2);

  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child;
  const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + arguments[0]);

  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  ProgramRun run{-1, 0, readWhole(out), readWhole(err)};
  if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  std::fclose(in);
  std::fclose(out);
  std::fclose(err);
  return run;
}

Coprocess startCoprocess(const std::vector<std::string>& arguments) {
  int toChild[2], fromChild[2];
  if (pipe(toChild) != 0 || pipe(fromChild) != 0) throw std::runtime_error("cannot make pipes");
  std::FILE* err = std::tmpfile();
  if (!err) throw std::runtime_error("cannot create a temporary file");
  signal(SIGPIPE, SIG_IGN);  // a child that dies early must fail the test, not kill it
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fileno(err), 2);
  for (int end : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) {
    posix_spawn_file_actions_addclose(&actions, end);
  }
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child;
  const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(toChild[0]);
  close(fromChild[1]);
  if (spawned != 0) throw std::runtime_error("cannot start " + arguments[0]);
  return {child, toChild[1], fromChild[0], "", err};
}

void sendTo(Coprocess& child, const std::string& text) {
  std::size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t wrote = write(child.input, text.data() + sent, text.size() - sent);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return;  // the child is gone: what it printed tells
    sent += static_cast<std::size_t>(wrote);
  }
}

std::string receiveLine(Coprocess& child, int seconds) {
  for (;;) {
    const std::size_t newline = child.pending.find('\n');
    if (newline != std::string::npos) {
      const std::string line = child.pending.substr(0, newline);
      child.pending.erase(0, newline + 1);
      return line;
    }
    pollfd readable{child.output, POLLIN, 0};
    const int ready = poll(&readable, 1, seconds * 1000);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return "<timeout>";
    char buffer[4096];
    const ssize_t got = read(child.output, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return "<end>";
    child.pending.append(buffer, static_cast<std::size_t>(got));
  }
}

ProgramRun finishCoprocess(Coprocess& child) {
  close(child.input);
  std::string rest = child.pending;
  char buffer[4096];
  ssize_t got;
  while ((got = read(child.output, buffer, sizeof buffer)) != 0) {
    if (got < 0 && errno != EINTR) break;
    if (got > 0) rest.append(buffer, static_cast<std::size_t>(got));
  }
  close(child.output);
  int status = 0;
  while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
  }
  ProgramRun run{-1, 0, rest, readWhole(child.errors)};
  std::fclose(child.errors);
  if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  return run;
}
