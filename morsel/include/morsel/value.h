// A value of a type known at run time (morsel/types.h), read from a message and written to one by
// the type's conventions, as the C++ type the schema was written from reads and writes it: the
// same bytes, the same errors at the same offsets. Needs C++20.
//
//   const morsel::type_set types = morsel::type_set::parse(schema_text);
//   morsel::reader in(bytes);
//   morsel::value event;
//   while (!in.empty()) {
//     morsel::read_value(in, *types.first(), event);   // reuses what `event` holds
//     ...
//   }
#ifndef MORSEL_VALUE_H
#define MORSEL_VALUE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include <morsel/morsel.h>
#include <morsel/reader.h>
#include <morsel/types.h>
#include <morsel/writer.h>

namespace morsel {

// What a value of each form holds:
//   bool                         bool
//   u8, u32, u64                 std::uint64_t
//   i8, i32, i64                 std::int64_t
//   f32, f64                     float, double
//   string                       std::string
//   person                       Person
//   item                         std::vector<unsigned char>: the item's bytes
//   vector or array of u8, u64, f64, string
//                                std::vector<unsigned char>, <unsigned long>, <double>,
//                                <std::string>
//   any other vector or array, tuple, record
//                                list: the elements', or the members' values
//   map                          list: key, value, key, value, ...
//   optional                     list of none or one value
//   variant                      list of one value, `index` the alternative's
//   enumeration, alias           what their underlying type's value holds
class value {
 public:
  using list = std::vector<value>;
  using held =
      std::variant<std::monostate, bool, std::uint64_t, std::int64_t, float, double, std::string,
                   Person, std::vector<unsigned char>, std::vector<unsigned long>,
                   std::vector<double>, std::vector<std::string>, list>;

  held data;
  std::size_t index = 0;  // a variant's alternative

  // The value held as a T, made one (empty) when it holds another kind of value: what it held is
  // reused when it already was a T.
  template <typename T>
  T& as() {
    if (!std::holds_alternative<T>(data)) {
      data.emplace<T>();
    }
    return std::get<T>(data);
  }

  friend bool operator==(const value& a, const value& b);
  friend bool operator<(const value& a, const value& b);
};

// Reads the value of type `t` at the reader's cursor into `into`, reusing the storage it has, as
// reader::read<T>() reads the C++ type the schema describes: the same bytes, and on bad bytes the
// same error, naming the path by the schema's names. After a throw the reader has not moved and
// `into` is valid but unspecified.
void read_value(reader& in, const type& t, value& into);
value read_value(reader& in, const type& t);

// Writes `v` as a value of type `t`, the bytes writer::write writes for the C++ type. Throws as
// the writer does, and std::invalid_argument when `v` does not hold what `t` says (naming where);
// the writer is then left as it was.
void write_value(writer& out, const type& t, const value& v);

}  // namespace morsel

#endif  // MORSEL_VALUE_H
