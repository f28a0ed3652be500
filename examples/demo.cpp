// Encodes one value of each kind, dumps each item and decodes the scalars and the string back.
#include <cstdio>
#include <string>
#include <vector>

#include <morsel/morsel.h>

namespace {

void show(const char* label, const std::vector<unsigned char>& item) {
  std::printf("%-22s", label);
  morsel::printVec(item);
}

}  // namespace

int main() {
  using morsel::serialize;

  show("bool true", serialize(true));
  show("u8 200", serialize(static_cast<unsigned char>(200)));
  show("u32 1", serialize(1U));
  show("u64 2^40", serialize(1UL << 40U));
  show("i8 -5", serialize(static_cast<signed char>(-5)));
  show("i32 -1", serialize(-1));
  show("i64 -2", serialize(-2L));
  show("f32 1.0", serialize(1.0F));
  show("f64 -0.0", serialize(-0.0));
  show("string \"abcd\"", serialize("abcd"));
  show("string \"hello\"", serialize(std::string("hello")));
  show("bytes {1, 2}", serialize(std::vector<unsigned char>{1, 2}));
  show("u64s {1, 2}", serialize(std::vector<unsigned long>{1, 2}));
  show("f64s {1.5}", serialize(std::vector<double>{1.5}));
  show("strings {abcd, xy}", serialize(std::vector<std::string>{"abcd", "xy"}));
  show("Person {30, 1.5}", serialize(Person{30, 1.5F, "Ada"}));

  std::puts("decoded back:");
  std::printf("  bool   %s\n", morsel::deserialize_bool(serialize(true)) ? "true" : "false");
  std::printf("  u8     %u\n", morsel::deserialize_u8(serialize(static_cast<unsigned char>(200))));
  std::printf("  u32    %u\n", morsel::deserialize_u32(serialize(4000000000U)));
  std::printf("  u64    %lu\n", morsel::deserialize_u64(serialize(1UL << 40U)));
  std::printf("  i8     %d\n", morsel::deserialize_i8(serialize(static_cast<signed char>(-5))));
  std::printf("  i32    %d\n", morsel::deserialize_i32(serialize(-1)));
  std::printf("  i64    %ld\n", morsel::deserialize_i64(serialize(-2L)));
  std::printf("  f32    %g\n", static_cast<double>(morsel::deserialize_f32(serialize(1.0F))));
  std::printf("  f64    %g\n", morsel::deserialize_f64(serialize(-0.0)));
  std::printf("  string %s\n", morsel::deserialize_string(serialize("hello")).c_str());

  try {
    morsel::deserialize_u32({morsel::TAG_U32, 0, 0, 0});
  } catch (const morsel::decode_error& error) {
    std::printf("a short buffer is rejected: %s\n", error.what());
  }
  return 0;
}
