// Entry point of Mirrane.

#include <cstdio>

int main() {
  std::puts("Mirrane 1.2.0");
  return 0;
}
