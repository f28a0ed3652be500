#include "walk.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <morsel/message.h>
#include <morsel/morsel.h>

namespace morsel_cli {
namespace {

using Bytes = std::span<const unsigned char>;

// The lone-item decoders take their own copy of the input.
std::vector<unsigned char> copy_of(Bytes input) {
  return {input.begin(), input.end()};
}

// A bool, number or Person item: as long as serialize makes it.
template <typename Decode>
lone_item fixed_size(Bytes input, Decode decode) {
  const auto value = decode(copy_of(input));
  const std::size_t size = morsel::serialize(value).size();
  return {{0, input.first(size), morsel::item(value)}, input.subspan(size)};
}

// Header sizes, taken from what serialize writes for empty values.
std::size_t header_size(const auto& empty) {
  return morsel::serialize(empty).size();
}

}  // namespace

lone_item read_lone_item(Bytes input) {
  if (input.empty()) {
    throw morsel::decode_error("the input is empty: a lone item has a tag at least", 0);
  }
  // The kind comes from the first bytes, as a message reader tells it.
  const morsel::kind k = morsel::reader(input).peek();
  const auto whole = [&](morsel::item value) { return lone_item{{0, input, value}, {}}; };
  switch (k) {
    case morsel::kind::boolean:
      return fixed_size(input, morsel::deserialize_bool);
    case morsel::kind::u8:
      return fixed_size(input, morsel::deserialize_u8);
    case morsel::kind::u32:
      return fixed_size(input, morsel::deserialize_u32);
    case morsel::kind::u64:
      return fixed_size(input, morsel::deserialize_u64);
    case morsel::kind::i8:
      return fixed_size(input, morsel::deserialize_i8);
    case morsel::kind::i32:
      return fixed_size(input, morsel::deserialize_i32);
    case morsel::kind::f32:
      return fixed_size(input, morsel::deserialize_f32);
    case morsel::kind::f64:
      return fixed_size(input, morsel::deserialize_f64);
    case morsel::kind::person:
      return fixed_size(input, morsel::deserialize_person);
    case morsel::kind::string: {
      (void)morsel::deserialize_string(copy_of(input));
      const Bytes text = input.subspan(header_size(std::string_view()));
      return whole(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
    }
    case morsel::kind::u8_array:
      (void)morsel::deserialize_u8_array(copy_of(input));
      return whole(input.subspan(header_size(std::vector<unsigned char>{})));
    case morsel::kind::u64_array: {
      const std::size_t count = morsel::deserialize_u64_array(copy_of(input)).size();
      return whole(
          morsel::u64_array_view(input.data() + header_size(std::vector<unsigned long>{}), count));
    }
    case morsel::kind::f64_array: {
      const std::size_t count = morsel::deserialize_f64_array(copy_of(input)).size();
      return whole(
          morsel::f64_array_view(input.data() + header_size(std::vector<double>{}), count));
    }
    case morsel::kind::string_array: {
      const std::size_t count = morsel::deserialize_string_array(copy_of(input)).size();
      const std::size_t header = header_size(std::vector<std::string>{});
      return whole(morsel::string_array_view(input.data() + header, count, input.size() - header));
    }
  }
  return whole(false);  // not reached: every kind is listed
}

std::optional<array_elements> elements_of(const shown& item) {
  switch (morsel::kind_of(item.value)) {
    case morsel::kind::u8_array: {
      const auto bytes = std::get<std::span<const unsigned char>>(item.value);
      return array_elements{bytes.data(), bytes.size()};
    }
    case morsel::kind::u64_array: {
      const auto& values = std::get<morsel::u64_array_view>(item.value);
      return array_elements{values.items().data(), values.size()};
    }
    case morsel::kind::f64_array: {
      const auto& values = std::get<morsel::f64_array_view>(item.value);
      return array_elements{values.items().data(), values.size()};
    }
    case morsel::kind::string_array: {
      const auto& strings = std::get<morsel::string_array_view>(item.value);
      return array_elements{strings.items().data(), strings.size()};
    }
    default:
      return std::nullopt;
  }
}

}  // namespace morsel_cli
