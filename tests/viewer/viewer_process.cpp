#include "viewer_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace viewer_test {

namespace {

// Runs a shell command and returns its standard output.
std::string run(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[1 << 16];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  pclose(pipe);
  return output;
}

// Reads a binary PPM (P6, maxval 255), skipping comment lines in the header.
bool parsePpm(const std::string& data, Screenshot& image) {
  size_t at = 0;
  auto token = [&]() {
    while (at < data.size()) {
      if (data[at] == '#') {
        while (at < data.size() && data[at] != '\n') ++at;
      } else if (std::isspace(static_cast<unsigned char>(data[at]))) {
        ++at;
      } else {
        break;
      }
    }
    const size_t start = at;
    while (at < data.size() && !std::isspace(static_cast<unsigned char>(data[at]))) ++at;
    return data.substr(start, at - start);
  };
  if (token() != "P6") return false;
  image.width = std::stoi(token());
  image.height = std::stoi(token());
  if (token() != "255") return false;
  ++at;  // the single whitespace byte before the pixels
  const size_t size = static_cast<size_t>(image.width) * image.height * 3;
  if (data.size() < at + size) return false;
  image.rgb.assign(data.begin() + at, data.begin() + at + size);
  return true;
}

// The main thread's scheduler state ('R' running, 'S' sleeping, ...) from /proc/PID/stat, or
// '?' when the process is gone.
char schedulerState(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // The command name in parentheses may hold spaces; the state follows its closing one.
  const size_t close = stat.rfind(')');
  return close == std::string::npos || close + 2 >= stat.size() ? '?' : stat[close + 2];
}

// Nanoseconds the main thread has run on a CPU, from /proc/PID/schedstat; -1 when gone.
long long cpuNanoseconds(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/schedstat");
  long long nanoseconds = -1;
  file >> nanoseconds;
  return nanoseconds;
}

}  // namespace

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool ViewerProcess::startProgram() {
  int fds[2];
  if (pipe(fds) != 0) {
    ADD_FAILURE() << "pipe failed";
    return false;
  }
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    // The viewer must not outlive a test process that dies without cleaning up.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    std::vector<char*> argv{const_cast<char*>("beziercurve")};
    for (std::string& option : options_) argv.push_back(option.data());
    argv.push_back(nullptr);
    execv(BEZIERCURVE_PATH, argv.data());
    _exit(127);
  }
  close(fds[1]);
  output_ = fds[0];
  fcntl(output_, F_SETFL, fcntl(output_, F_GETFL) | O_NONBLOCK);
  return true;
}

ViewerProcess::ViewerProcess(std::string screenshotPrefix, std::vector<std::string> options)
    : prefix_(std::move(screenshotPrefix)), options_(std::move(options)) {
  // Under the sanitizers the program now and then fails to connect to the virtual display at
  // start-up ("failed to open display") and exits at once, though the display is there; a
  // program that exits before its window appears is started again, up to three times.
  constexpr int kLaunches = 3;
  for (int launch = 1; launch <= kLaunches && window_ == 0; ++launch) {
    if (!startProgram()) return;
    const std::string search =
        "xdotool search --pid " + std::to_string(pid_) + " --name '^BezierCurve$' 2>/dev/null";
    bool exited = false;
    waitFor([&] {
      window_ = std::strtoul(run(search).c_str(), nullptr, 10);
      exited = window_ == 0 && !running();
      return window_ != 0 || exited;
    });
    if (!exited) break;  // a window, or a program that hangs: no second try
    std::fprintf(stderr, "viewer_process: beziercurve exited before its window appeared%s\n",
                 launch < kLaunches ? "; starting it again" : "");
    close(output_);
    output_ = -1;
    text_.clear();
  }
  if (window_ == 0) {
    ADD_FAILURE() << "no window titled BezierCurve appeared";
    return;
  }
  // Without a window manager the window opens at (-1, -1), and a screenshot would lose its
  // first row and column.
  xdotool("windowmove --sync %W 0 0");
  const std::string geometry = run("xdotool getwindowgeometry " + std::to_string(window_));
  EXPECT_NE(geometry.find("Geometry: 800x800"), std::string::npos) << geometry;
  const bool quiet = std::find(options_.begin(), options_.end(), "--quiet") != options_.end();
  if (!quiet && !waitFor([&] { return frameCount() >= 1; })) ADD_FAILURE() << "no first frame";
  // Keys go to the window under the pointer when no window manager hands out focus.
  xdotool("mousemove --window %W 400 400");
}

ViewerProcess::~ViewerProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status;
    if (!waitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; },
                 std::chrono::seconds(5))) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
  if (output_ >= 0) close(output_);
}

void ViewerProcess::xdotool(const std::string& arguments) const {
  std::string expanded = arguments;
  const std::string id = std::to_string(window_);
  for (size_t at = expanded.find("%W"); at != std::string::npos; at = expanded.find("%W", at)) {
    expanded.replace(at, 2, id);
  }
  const int status = std::system(("xdotool " + expanded).c_str());
  EXPECT_EQ(status, 0) << "xdotool " << expanded;
}

void ViewerProcess::readOutput() {
  char buffer[1 << 16];
  ssize_t got;
  while ((got = read(output_, buffer, sizeof buffer)) > 0) text_.append(buffer, got);
}

std::vector<std::string> ViewerProcess::traces() {
  readOutput();
  std::vector<std::string> frames;
  std::istringstream stream(text_);
  for (std::string line; std::getline(stream, line);) {
    if (line.rfind("initial : ", 0) == 0) frames.emplace_back();
    if (!frames.empty()) frames.back() += line + "\n";
  }
  return frames;
}

std::string ViewerProcess::lastInitialLine() {
  const std::vector<std::string> frames = traces();
  if (frames.empty()) return "";
  return frames.back().substr(0, frames.back().find('\n'));
}

std::string ViewerProcess::takeOutput() {
  readOutput();
  std::string taken;
  taken.swap(text_);
  return taken;
}

bool ViewerProcess::running() {
  if (pid_ <= 0) return false;
  int status;
  if (waitpid(pid_, &status, WNOHANG) == 0) return true;
  pid_ = -1;  // reaped: never signal a number that may now name another process
  return false;
}

long ViewerProcess::residentKiB() const {
  std::ifstream file("/proc/" + std::to_string(pid_) + "/status");
  for (std::string line; std::getline(file, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

bool ViewerProcess::waitUntilIdle(std::chrono::milliseconds quiet,
                                  std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  auto quietSince = std::chrono::steady_clock::now();
  long long lastCpu = -2;
  size_t lastOutput = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    readOutput();
    const long long cpu = cpuNanoseconds(pid_);
    const auto now = std::chrono::steady_clock::now();
    if (cpu < 0) return false;
    if (cpu != lastCpu || text_.size() != lastOutput || schedulerState(pid_) != 'S') {
      lastCpu = cpu;
      lastOutput = text_.size();
      quietSince = now;
    } else if (now - quietSince >= quiet) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

Screenshot ViewerProcess::screenshot(const std::string& name) const {
  const std::string png = prefix_ + "-" + name + ".png";
  const std::string data = run("xwd -silent -id " + std::to_string(window_) +
                               " | convert xwd:- -write '" + png + "' ppm:-");
  Screenshot image;
  if (!parsePpm(data, image)) ADD_FAILURE() << "could not read the screenshot " << png;
  return image;
}

}  // namespace viewer_test
