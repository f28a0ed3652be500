// Round-trips a few values through the library and prints one item; exits 1 on any mismatch.
#include <cstdio>
#include <string>
#include <vector>

#include <morsel/morsel.h>

// Consumers get the public headers' folder only, not the source tree.
#if __has_include(<morsel/wire.h>) || __has_include(<tests/hex.h>) || \
    __has_include(<pathfind/file_exists.h>)
#error "morsel put more than its public headers on the include path"
#endif

int main() {
  const Person person{30, 1.5F, "Ada"};
  const std::vector<unsigned char> item = morsel::serialize(person);
  const Person back = morsel::deserialize_person(item);
  const bool ok = back.age == 30 && back.height == 1.5F &&
                  morsel::deserialize_string(morsel::serialize("consumer")) == "consumer" &&
                  morsel::deserialize_f64_array(morsel::serialize(std::vector<double>{2.5})) ==
                      std::vector<double>{2.5};
  morsel::printVec(item);
  std::puts(ok ? "consumer: ok" : "consumer: MISMATCH");
  return ok ? 0 : 1;
}
