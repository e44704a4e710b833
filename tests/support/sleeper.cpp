// A program for tests to run from bundles: it waits until it is stopped, or
// for the number of seconds given as its first argument.
#include <unistd.h>

#include <cstdlib>

int main(int argc, char** argv) {
  int seconds = argc > 1 ? std::atoi(argv[1]) : 3600;
  for (int i = 0; i < seconds * 10; ++i) ::usleep(100000);
  return 0;
}
