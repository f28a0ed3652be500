// Cases for the compile-time refusals, one per MORSEL_CASE_ macro (see CMakeLists.txt). The
// control case uses every neighbouring overload that must keep compiling.
#include <array>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <morsel/morsel.h>
#if __cplusplus >= 202002L
#include <morsel/message.h>
#endif

namespace {

struct Sample {
  int value;
};

#if __cplusplus >= 202002L
template <typename Member>
struct Holding {
  int id;
  Member member;
};
enum class Small : short { one = 1 };
enum class Byte : unsigned char { one = 1 };
struct WithRaw {
  unsigned char raw[4];
  int y;
};
struct Derived : Sample {
  int more;
};
struct Empty {};
template <typename T>
struct OtherAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = OtherAllocator<U>;
  };
};
#define MORSEL_EIGHT(p) int p##0, p##1, p##2, p##3, p##4, p##5, p##6, p##7
struct SixtyFive {
  MORSEL_EIGHT(a);
  MORSEL_EIGHT(b);
  MORSEL_EIGHT(c);
  MORSEL_EIGHT(d);
  MORSEL_EIGHT(e);
  MORSEL_EIGHT(f);
  MORSEL_EIGHT(g);
  MORSEL_EIGHT(h);
  int last;
};
// What morsel::written_as may leave out, or get wrong.
struct Kelvin {
  double value;
};
struct NoFrom {
  double value;
};
struct NoTo {
  double value;
};
struct Pointing {
  int value;
};
struct Shorty {
  int value;
};
// A class with private state and no written_as: nothing says how to write it.
class Opaque {
 public:
  int get() const { return hidden_; }

 private:
  int hidden_ = 0;
};
#endif

}  // namespace

#if __cplusplus >= 202002L
template <>
struct morsel::written_as<Kelvin> {
  using type = double;
  static double to(const Kelvin& k) { return k.value; }
  static Kelvin from(double d) { return Kelvin{d}; }
};
template <>
struct morsel::written_as<NoFrom> {
  using type = double;
  static double to(const NoFrom& x) { return x.value; }
};
template <>
struct morsel::written_as<NoTo> {
  using type = double;
  static NoTo from(double d) { return NoTo{d}; }
};
template <>
struct morsel::written_as<Pointing> {
  using type = const int*;
  static const int* to(const Pointing& p) { return &p.value; }
  static Pointing from(const int* p) { return Pointing{*p}; }
};
template <>
struct morsel::written_as<Shorty> {
  using type = short;
  static short to(const Shorty& s) { return static_cast<short>(s.value); }
  static Shorty from(short s) { return Shorty{s}; }
};
#endif

namespace {

[[maybe_unused]] int function() {
  return 0;
}

[[maybe_unused]] void refused() {
  [[maybe_unused]] int number = 1;
  [[maybe_unused]] const unsigned char raw_bytes[] = {1, 2};
#if defined(MORSEL_CASE_control)
  char text[] = "abc";
  (void)morsel::serialize(static_cast<char*>(text));
  (void)morsel::serialize("abc");
  (void)morsel::serialize(u8"abc");
  (void)morsel::serialize(std::string_view("abc"));
  (void)morsel::serialize(std::string("abc"));
  (void)morsel::serialize(number);
  (void)morsel::serialize(raw_bytes[0]);
#if __cplusplus >= 202002L
  morsel::writer out;
  out.write(static_cast<char*>(text)).write("abc").write(u8"abc").write(std::string("abc"));
  out.write(number).write(raw_bytes[0]).write(std::span<const unsigned char>(raw_bytes));
  out.write(Holding<Holding<std::vector<double>>>{});
  out.write(Holding<std::map<int, std::vector<Sample>>>{}).write(Byte::one);
  out.write(std::array<unsigned long, 2>{}).write(std::array<Sample, 2>{});
  out.write(std::array<unsigned char, 256>{});
  out.write(std::vector<unsigned char, OtherAllocator<unsigned char>>{1, 2});
  (void)morsel::reader(out.bytes())
      .read<std::vector<unsigned char, OtherAllocator<unsigned char>>>();
  out.write(std::vector<std::pair<const int, int>>{});
  (void)morsel::reader(out.bytes()).read<Holding<std::string>>();
  (void)morsel::reader(out.bytes()).read<Holding<std::map<int, std::vector<Sample>>>>();
  out.write(Holding<std::vector<Kelvin>>{}).write(std::set<Kelvin*>{}.size());
  (void)morsel::reader(out.bytes()).read<Holding<std::deque<Kelvin>>>();
  (void)morsel::reader(out.bytes()).read<std::chrono::system_clock::time_point>();
#endif
#elif defined(MORSEL_CASE_writer_int_pointer)
  morsel::writer().write(&number);
#elif defined(MORSEL_CASE_writer_byte_array)
  morsel::writer().write(raw_bytes);
#elif defined(MORSEL_CASE_record_short)
  morsel::writer().write(Holding<short>{});
#elif defined(MORSEL_CASE_class_without_layout)
  morsel::writer().write(Opaque{});
#elif defined(MORSEL_CASE_record_char16)
  morsel::writer().write(Holding<char16_t>{});
#elif defined(MORSEL_CASE_record_long_long)
  morsel::writer().write(Holding<long long>{});
#elif defined(MORSEL_CASE_record_long_double)
  morsel::writer().write(Holding<long double>{});
#elif defined(MORSEL_CASE_record_pointer)
  morsel::writer().write(Holding<int*>{});
#elif defined(MORSEL_CASE_record_map_of_shorts)
  morsel::writer().write(Holding<std::map<int, short>>{});
#elif defined(MORSEL_CASE_vector_of_pointers)
  morsel::writer().write(std::vector<int*>{});
#elif defined(MORSEL_CASE_enum_of_short)
  morsel::writer().write(Small::one);
#elif defined(MORSEL_CASE_c_array_member)
  morsel::writer().write(WithRaw{});
#elif defined(MORSEL_CASE_base_class)
  morsel::writer().write(Derived{});
#elif defined(MORSEL_CASE_vector_of_empty)
  morsel::writer().write(std::vector<Empty>{});
#elif defined(MORSEL_CASE_too_many_members)
  morsel::writer().write(SixtyFive{});
#elif defined(MORSEL_CASE_reader_of_temporary)
  morsel::reader in(morsel::serialize(7U), morsel::partial);
#elif defined(MORSEL_CASE_read_const_pair)
  (void)morsel::reader().read<std::vector<std::pair<const int, int>>>();
#elif defined(MORSEL_CASE_written_as_without_from)
  morsel::writer().write(NoFrom{1.0});
#elif defined(MORSEL_CASE_written_as_without_to)
  (void)morsel::reader().read<Holding<NoTo>>();
#elif defined(MORSEL_CASE_written_as_pointer)
  morsel::writer().write(std::vector<Pointing>{});
#elif defined(MORSEL_CASE_written_as_short)
  morsel::writer().write(Shorty{1});
#elif defined(MORSEL_CASE_read_record_pointer)
  (void)morsel::reader().read<Holding<const char*>>();
#elif defined(MORSEL_CASE_int_pointer)
  (void)morsel::serialize(&number);
#elif defined(MORSEL_CASE_byte_array)
  (void)morsel::serialize(raw_bytes);
#elif defined(MORSEL_CASE_signed_char_pointer)
  const signed char* signed_bytes = nullptr;
  (void)morsel::serialize(signed_bytes);
#elif defined(MORSEL_CASE_function_pointer)
  (void)morsel::serialize(&function);
#elif defined(MORSEL_CASE_member_pointer)
  (void)morsel::serialize(&Sample::value);
#else
#error "no such case"
#endif
}

}  // namespace
