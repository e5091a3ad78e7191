// Commits one fault of the kind named by its argument, so the sanitized build can prove that its
// sanitizers are really on: each run must end with a report and a non-zero exit status.
//   sanitizer_canary overflow   signed integer overflow (UndefinedBehaviorSanitizer)
//   sanitizer_canary heap       read past the end of a heap block (AddressSanitizer)
//   sanitizer_canary leak       a block never freed (LeakSanitizer)
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The operands come from the command line, so the compiler cannot fold the fault away.
int overflow(int count) {
  int value = INT_MAX - 1;
  value += count;
  return value;
}

int readPastTheEnd(int count) {
  std::vector<int> values(static_cast<size_t>(count), 7);
  return values.data()[count];
}

int leak(int count) {
  int* block = new int[static_cast<size_t>(count)];
  block[0] = count;
  std::printf("%p\n", static_cast<void*>(block));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc + 1;  // 3 with one argument
  if (argc == 2 && std::strcmp(argv[1], "overflow") == 0) return overflow(count) == 0;
  if (argc == 2 && std::strcmp(argv[1], "heap") == 0) return readPastTheEnd(count) == 0;
  if (argc == 2 && std::strcmp(argv[1], "leak") == 0) return leak(count);
  std::fprintf(stderr, "usage: sanitizer_canary overflow|heap|leak\n");
  return 2;
}
