// Saying what a type of the program's own is written as: specialize morsel::written_as for it, and
// it is written, everywhere a value can stand, exactly as the value its `to` returns, and read back
// through its `from`. Needs C++20 (included by morsel/message.h).
//
//   template <>
//   struct morsel::written_as<Celsius> {
//     using type = double;                                  // anything writer::write takes
//     static double to(const Celsius& c) { return c.value(); }
//     static Celsius from(double d) { return Celsius{d}; }  // may throw to refuse a value
//   };
//
// A `from` that throws a std::exception refuses the bytes: the read throws decode_error naming
// the offset and the path, with the exception's message, and the reader has not moved. A schema
// (morsel/schema.h) names such a type over what it is written as: "Celsius = f64". Reading a
// container of the type, or a record holding one, needs it default-constructible, as any element
// or member read into.
//
// The library itself writes std::chrono::duration as the item of its count() and
// std::chrono::time_point as its time_since_epoch(), in this way.
#ifndef MORSEL_WRITTEN_AS_H
#define MORSEL_WRITTEN_AS_H

namespace morsel {

template <typename T>
struct written_as {
  // Marks the primary template: a type whose written_as has this member has none of its own.
  using morsel_unspecialized = void;
};

}  // namespace morsel

#endif  // MORSEL_WRITTEN_AS_H
