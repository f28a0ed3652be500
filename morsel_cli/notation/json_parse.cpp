// Reading items from JSON: nlohmann::json parses each top-level value into a json_tree
// (json_tree.h), which keeps every number's text, so that a float is read from the digits
// written, not from a double already rounded; the tree is then mapped to the notation's items.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <morsel/kind.h>

#include "json.h"
#include "json_read.h"
#include "json_tree.h"
#include "json_values.h"
#include "notation.h"

namespace morsel_cli {
namespace {

// Maps the tree of one object to an item; errors name the object's place and the path in it.
class item_reader : public json_reader {
 public:
  using json_reader::json_reader;

  parsed_value item(const json_node& object) {
    if (object.t != json_node::type::object) {
      fail_at(at_, "expected an object with \"kind\" and \"value\", got " + describe(object));
    }
    const json_node* kind = nullptr;
    const json_node* value = nullptr;
    for (const json_node* member = tree_.first_child(object); member != nullptr;
         member = tree_.next_sibling(*member)) {
      const std::string& name = member->name;
      if (name == "offset") {
        continue;  // as decode writes it; not checked
      }
      const json_node** slot = name == "kind" ? &kind : name == "value" ? &value : nullptr;
      if (slot == nullptr) {
        fail_at(at_,
                "unknown member \"" + name + "\": expected \"offset\", \"kind\" and \"value\"");
      }
      if (*slot != nullptr) {
        fail_at(at_, "member \"" + name + "\" given twice");
      }
      *slot = member;
    }
    if (kind == nullptr || kind->t != json_node::type::string) {
      fail_at(at_, "expected a member \"kind\", a string such as \"u32\"");
    }
    if (value == nullptr) {
      fail_at(at_, "expected a member \"value\"");
    }
    return value_of(kind->text, *value);
  }

  parsed_value value_of(const std::string& word, const json_node& v) {
    if (word == morsel::kI64Word) {
      return integer<long>(v, where{nullptr, "value"});
    }
    if (word == "extra") {
      return extra{
          list<unsigned char>(v, where{nullptr, "value"}, &item_reader::integer<unsigned char>)};
    }
    for (std::size_t i = 0; i < morsel::kind_count; ++i) {
      const auto k = static_cast<morsel::kind>(i);
      if (morsel::detail::info(k).word == word) {
        return value_of(k, v);
      }
    }
    fail_at(at_, "unknown kind \"" + word + "\"");
  }

 private:
  parsed_value value_of(morsel::kind k, const json_node& v) {
    const where path{nullptr, "value"};
    switch (k) {
      case morsel::kind::boolean:
        if (v.t != json_node::type::boolean) {
          fail(path, "true or false", v);
        }
        return v.flag;
      case morsel::kind::u8:
        return integer<unsigned char>(v, path);
      case morsel::kind::u32:
        return integer<unsigned int>(v, path);
      case morsel::kind::u64:
        return integer<unsigned long>(v, path);
      case morsel::kind::i8:
        return integer<signed char>(v, path);
      case morsel::kind::i32:
        return integer<int>(v, path);
      case morsel::kind::f32:
        return floating<float>(v, path);
      case morsel::kind::f64:
        return floating<double>(v, path);
      case morsel::kind::string:
        return string(v, path);
      case morsel::kind::u8_array:
        return list<unsigned char>(v, path, &item_reader::integer<unsigned char>);
      case morsel::kind::u64_array:
        return list<unsigned long>(v, path, &item_reader::integer<unsigned long>);
      case morsel::kind::f64_array:
        return list<double>(v, path, &item_reader::floating<double>);
      case morsel::kind::string_array:
        return list<text>(v, path, &item_reader::string);
      case morsel::kind::person:
        return person(v, path);
    }
    return false;  // not reached: every kind is listed
  }
};

}  // namespace

parsed_value json_item_value(const json_tree& tree, place at, const std::string& kind_word,
                             const json_node& value) {
  return item_reader(tree, at).value_of(kind_word, value);
}

std::vector<parsed_item> parse_json_items(std::string_view text) {
  parsed_part part = parse_json_items_part(text, text_part{});
  if (!part.error.empty()) {
    throw notation_error(part.error);
  }
  return std::move(part.items);
}

parsed_part parse_json_items_part(std::string_view text, const text_part& where) {
  parsed_part part;
  json_values values(text, where);
  json_tree tree;  // one tree's storage for every value
  place start{};
  try {
    while (values.next(tree, start)) {
      part.items.push_back({item_reader(tree, start).item(tree.root()), start.line});
    }
  } catch (const notation_error& e) {
    part.error = e.what();
    return part;
  }
  part.rest = values.rest();
  return part;
}

}  // namespace morsel_cli
