// Cases for the compile-time refusals, one per MORSEL_CASE_ macro (see CMakeLists.txt). The
// control case uses every neighbouring overload that must keep compiling.
#include <map>
#include <span>
#include <string>
#include <string_view>
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
#endif

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
  (void)morsel::reader(out.bytes()).read<Holding<std::string>>();
#endif
#elif defined(MORSEL_CASE_writer_int_pointer)
  morsel::writer().write(&number);
#elif defined(MORSEL_CASE_writer_byte_array)
  morsel::writer().write(raw_bytes);
#elif defined(MORSEL_CASE_record_short)
  morsel::writer().write(Holding<short>{});
#elif defined(MORSEL_CASE_record_pointer)
  morsel::writer().write(Holding<int*>{});
#elif defined(MORSEL_CASE_record_map)
  morsel::writer().write(Holding<std::map<int, int>>{});
#elif defined(MORSEL_CASE_record_vector_of_records)
  morsel::writer().write(Holding<std::vector<Sample>>{});
#elif defined(MORSEL_CASE_reader_of_temporary)
  morsel::reader in(morsel::serialize(7U), morsel::partial);
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
