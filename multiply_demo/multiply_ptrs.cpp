// Multiplies two ints reached through pointers, stores the product through a third and prints it.
#include <cstdio>

void multiply_ptrs(const int* x, const int* y, int* z);

// The product wraps on overflow: unsigned multiplication is modular, and converting back to int
// keeps the low 32 bits.
void multiply_ptrs(const int* x, const int* y, int* z) {
  const unsigned int product = static_cast<unsigned int>(*x) * static_cast<unsigned int>(*y);
  *z = static_cast<int>(product);
  std::printf("Function print Z: %d \n", *z);
}

// Exits 1, still silent on standard error, when the line cannot be written (a closed or full
// standard output): a lost line is not success.
int main() {
  const int x = 5;
  const int y = 6;
  int z = 0;
  multiply_ptrs(&x, &y, &z);
  return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 1;
}
