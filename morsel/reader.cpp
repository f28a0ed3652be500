// The reader's out-of-line part: the whole check of an item of any kind, which `next()`, `peek()`
// and `skip()` use and which explains, in its message, why a typed read failed.
//
// Where an item is both wrong and cut short, the wrong byte is reported: waiting for more bytes
// would not mend it.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include <morsel/detail/layout.h>
#include <morsel/item.h>
#include <morsel/morsel.h>
#include <morsel/reader.h>

#include "wire.h"

namespace morsel {
namespace detail {
namespace {

using Bytes = std::span<const unsigned char>;

std::string at_byte(std::size_t offset) {
  return "byte " + std::to_string(offset) + ": ";
}

// `stop` is the offset of the byte that is wrong; a cut-short item stops at the end of the bytes.
[[noreturn]] void malformed(std::size_t offset, std::size_t stop, const std::string& what) {
  throw decode_error(at_byte(offset) + what, stop);
}

[[noreturn]] void truncated(Bytes bytes, std::size_t offset, const std::string& what) {
  throw truncated_error(at_byte(offset) + what, bytes.size());
}

std::string item_name(kind k) {
  return std::string(kind_name(k)) + " item";
}

// The tag, or the two tags, an item of kind `k` starts with.
struct tags {
  unsigned char first;
  unsigned char second;
};

tags tags_of(kind k) {
  switch (k) {
    case kind::boolean:
      return {TAG_TRUE, TAG_FALSE};
    case kind::u8:
      return {TAG_U8, TAG_U8};
    case kind::u32:
      return {TAG_U32, TAG_U32};
    case kind::u64:
      return {TAG_U64, TAG_U64};
    case kind::i8:
      return {TAG_I8, TAG_I8};
    case kind::i32:
      return {TAG_I32, TAG_I32};
    case kind::f32:
      return {TAG_F32, TAG_F32};
    case kind::f64:
      return {TAG_F64, TAG_F64};
    case kind::string:
      return {TAG_STR4, TAG_STR};
    case kind::u8_array:
    case kind::u64_array:
    case kind::f64_array:
      return {TAG_ARRAY, TAG_ARRAY};
    case kind::string_array:
      return {TAG_STR_ARRAY, TAG_STR_ARRAY};
    case kind::person:
      return {TAG_PERSON, TAG_PERSON};
  }
  return {TAG_PERSON, TAG_PERSON};  // not reached: every kind is listed
}

std::string expected_tags(tags t) {
  std::string text = "expected tag " + wire::hex_byte(t.first);
  if (t.second != t.first) {
    text += " or " + wire::hex_byte(t.second);
  }
  return text;
}

// Checks the item of kind `k` at `offset`, whose tag is already known to fit, and returns its size.
class item_check {
 public:
  item_check(Bytes bytes, std::size_t offset) : bytes_(bytes), offset_(offset) {}

  std::size_t size_of(kind k) const {
    switch (k) {
      case kind::boolean:
        return 1;
      case kind::u8:
        return need(k, scalar_size<unsigned char>);
      case kind::i8:
        return need(k, scalar_size<signed char>);
      case kind::u32:
        return need(k, scalar_size<unsigned int>);
      case kind::i32:
        return need(k, scalar_size<int>);
      case kind::f32:
        return need(k, scalar_size<float>);
      case kind::u64:
        return need(k, scalar_size<unsigned long>);
      case kind::f64:
        return need(k, scalar_size<double>);
      case kind::string:
        return string_size();
      case kind::u8_array:
        return byte_array_size();
      case kind::u64_array:
        return wide_array_size(TAG_U64);
      case kind::f64_array:
        return wide_array_size(TAG_F64);
      case kind::string_array:
        return string_array_size();
      case kind::person:
        return person_size();
    }
    return 0;  // not reached: every kind is listed
  }

 private:
  // Bytes from `from` (an offset into the item) to the end of the input.
  std::size_t left(std::size_t from = 0) const {
    return bytes_.size() - offset_ < from ? 0 : bytes_.size() - offset_ - from;
  }
  unsigned char at(std::size_t from) const { return bytes_[offset_ + from]; }

  std::size_t need(kind k, std::size_t size) const {
    if (left() < size) {
      truncated(bytes_, offset_,
                "the " + item_name(k) + " needs " + wire::byte_count(size) + ", " +
                    std::to_string(left()) + " left");
    }
    return size;
  }

  std::size_t string_size() const {
    need(kind::string, kStringHeaderSize);
    const std::size_t length = at(1);
    if (at(0) == TAG_STR4 && length != 4) {
      malformed(offset_, offset_ + 1,
                "a 4-byte string (tag 0xaa) has length byte " + std::to_string(length));
    }
    return need(kind::string, kStringHeaderSize + length);
  }

  std::size_t byte_array_size() const {
    if (left() >= kByteArrayHeaderSize && at(2) != TAG_U8) {
      malformed(offset_, offset_ + 2,
                "byte array: expected tag 0xa2 at byte " + std::to_string(offset_ + 2) + ", got " +
                    wire::hex_byte(at(2)));
    }
    need(kind::u8_array, kByteArrayHeaderSize);
    return need(kind::u8_array, detail::byte_array_size(at(1)));
  }

  std::size_t wide_array_size(unsigned char element_tag) const {
    const kind k = element_tag == TAG_F64 ? kind::f64_array : kind::u64_array;
    need(k, kArrayHeaderSize);
    const std::size_t count = at(1);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t element = kArrayHeaderSize + i * kWideItemSize;
      if (left(element) == 0) {
        break;
      }
      if (at(element) != element_tag) {
        malformed(offset_, offset_ + element,
                  "element " + std::to_string(i) + " at byte " + std::to_string(offset_ + element) +
                      ": expected tag " + wire::hex_byte(element_tag) + ", got " +
                      wire::hex_byte(at(element)));
      }
    }
    return need(k, detail::wide_array_size(count));
  }

  std::size_t string_array_size() const {
    need(kind::string_array, kArrayHeaderSize);
    const std::size_t count = at(1);
    std::size_t size = kArrayHeaderSize;
    for (std::size_t i = 0; i < count; ++i) {
      // Only a failing element's message is built.
      const auto element = [&] {
        return "element " + std::to_string(i) + " at byte " + std::to_string(offset_ + size) + ": ";
      };
      if (left(size) > 0 && !is_string_tag(at(size))) {
        malformed(offset_, offset_ + size,
                  element() + "expected tag 0xaa or 0xab, got " + wire::hex_byte(at(size)));
      }
      if (left(size) < kStringHeaderSize) {
        truncated(bytes_, offset_, element() + "the string is cut short");
      }
      const std::size_t length = at(size + 1);
      if (at(size) == TAG_STR4 && length != 4) {
        malformed(
            offset_, offset_ + size + 1,
            element() + "a 4-byte string (tag 0xaa) has length byte " + std::to_string(length));
      }
      if (left(size) - kStringHeaderSize < length) {
        truncated(bytes_, offset_,
                  element() + "the string needs " + wire::byte_count(length) + ", " +
                      std::to_string(left(size) - kStringHeaderSize) + " left");
      }
      size += kStringHeaderSize + length;
    }
    return size;
  }

  std::size_t person_size() const {
    for (const auto& [from, tag] :
         {std::pair{kPersonAgeItem, TAG_U8}, std::pair{kPersonHeightItem, TAG_F32}}) {
      if (left() > from && at(from) != tag) {
        malformed(offset_, offset_ + from,
                  "Person: expected tag " + wire::hex_byte(tag) + " at byte " +
                      std::to_string(offset_ + from) + ", got " + wire::hex_byte(at(from)));
      }
    }
    return need(kind::person, kPersonSize);
  }

  Bytes bytes_;
  std::size_t offset_;
};

// The kind of the item at `offset`, from its tag and, for arrays of TAG_ARRAY, from the count
// byte and the first element's tag.
kind classify(Bytes bytes, std::size_t offset, bool partial) {
  const std::size_t left = bytes.size() - offset;
  if (left == 0) {
    truncated(bytes, offset, "expected an item, got the end of the input");
  }
  const unsigned char* at = bytes.data() + offset;
  switch (at[0]) {
    case TAG_TRUE:
    case TAG_FALSE:
      return kind::boolean;
    case TAG_U8:
      return kind::u8;
    case TAG_U32:
      return kind::u32;
    case TAG_U64:
      return kind::u64;
    case TAG_I8:
      return kind::i8;
    case TAG_I32:
      return kind::i32;
    case TAG_F32:
      return kind::f32;
    case TAG_F64:
      return kind::f64;
    case TAG_STR4:
    case TAG_STR:
      return kind::string;
    case TAG_STR_ARRAY:
      return kind::string_array;
    case TAG_PERSON:
      return kind::person;
    case TAG_ARRAY:
      break;
    default:
      malformed(offset, offset, wire::hex_byte(at[0]) + " is not a tag");
  }
  if (left < kArrayHeaderSize) {
    truncated(bytes, offset, "the array's count byte is missing");
  }
  if (at[1] == 0) {  // no element to tell the kind by: see next() in reader.h
    if (left == kArrayHeaderSize && partial) {
      truncated(bytes, offset, "an empty array whose kind the next byte tells");
    }
    return left > kArrayHeaderSize && at[2] == TAG_U8 ? kind::u8_array : kind::u64_array;
  }
  if (left == kArrayHeaderSize) {
    truncated(bytes, offset, "the array's first element is missing");
  }
  switch (at[2]) {
    case TAG_U8:
      return kind::u8_array;
    case TAG_U64:
      return kind::u64_array;
    case TAG_F64:
      return kind::f64_array;
    default:
      malformed(
          offset, offset + 2,
          "array elements under tag " + wire::hex_byte(at[2]) + ": expected 0xa2, 0xa4 or 0xa9");
  }
}

item item_at(const unsigned char* at, extent found) {
  // The length or count byte, of the kinds that have one: a bool item is one byte.
  const auto count = [at] { return std::size_t{at[1]}; };
  switch (found.kind) {
    case kind::boolean:
      return at[0] == TAG_TRUE;
    case kind::u8:
      return scalar_payload<unsigned char>(at);
    case kind::u32:
      return scalar_payload<unsigned int>(at);
    case kind::u64:
      return scalar_payload<unsigned long>(at);
    case kind::i8:
      return scalar_payload<signed char>(at);
    case kind::i32:
      return scalar_payload<int>(at);
    case kind::f32:
      return scalar_payload<float>(at);
    case kind::f64:
      return scalar_payload<double>(at);
    case kind::string:
      return string_bytes(at, count());
    case kind::u8_array:
      return std::span<const unsigned char>(at + kByteArrayHeaderSize, count());
    case kind::u64_array:
      return u64_array_view(at + kArrayHeaderSize, count());
    case kind::f64_array:
      return f64_array_view(at + kArrayHeaderSize, count());
    case kind::string_array:
      return string_array_view(at + kArrayHeaderSize, count(), found.size - kArrayHeaderSize);
    case kind::person:
      return person_members(at);
  }
  return false;  // not reached: every kind is listed
}

}  // namespace

extent examine(Bytes bytes, std::size_t offset, bool partial) {
  const kind k = classify(bytes, offset, partial);
  return {k, item_check(bytes, offset).size_of(k)};
}

void reject(Bytes bytes, std::size_t offset, kind expected) {
  if (offset == bytes.size()) {
    truncated(
        bytes, offset,
        "expected an item (" + std::string(kind_name(expected)) + "), got the end of the input");
  }
  const tags t = tags_of(expected);
  if (bytes[offset] != t.first && bytes[offset] != t.second) {
    malformed(offset, offset, expected_tags(t) + ", got " + wire::hex_byte(bytes[offset]));
  }
  item_check(bytes, offset).size_of(expected);
  // The typed read's fast check and the check above test the same conditions, so this is not
  // reached; were they ever to disagree, the input is still refused.
  malformed(offset, offset, "not a valid " + item_name(expected));
}

void throw_member_failure(const decode_error& error, std::size_t item_offset, std::size_t member) {
  const std::string_view what = error.what();
  const std::string prefix = at_byte(item_offset);
  throw member_failure{{member},
                       item_offset,
                       error.stopped_at(),
                       std::string(what.starts_with(prefix) ? what.substr(prefix.size()) : what),
                       dynamic_cast<const truncated_error*>(&error) != nullptr};
}

void throw_record_error(const member_failure& failure, std::size_t record_offset) {
  std::string path;
  for (const std::size_t member : failure.path) {
    if (!path.empty()) {
      path += '.';
    }
    path += std::to_string(member);
  }
  const std::string what = "member " + path + " of the record at byte " +
                           std::to_string(record_offset) + ": " + failure.what;
  if (failure.truncated) {
    throw truncated_error(at_byte(failure.item_offset) + what, failure.stopped_at);
  }
  malformed(failure.item_offset, failure.stopped_at, what);
}

}  // namespace detail

item reader::next() {
  const detail::extent found = detail::examine(bytes(), offset(), partial_);
  item value = detail::item_at(cursor_, found);
  cursor_ += found.size;
  return value;
}

kind reader::peek() const {
  return detail::classify(bytes(), offset(), partial_);
}

}  // namespace morsel
