// Reading values by a schema from JSON, as `decode --schema --json` writes them (docs/schema.md),
// and writing each as the library's write_value writes it: the bytes the program's own writer
// writes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include <morsel/reader.h>
#include <morsel/types.h>
#include <morsel/value.h>
#include <morsel/writer.h>

#include "json_read.h"
#include "json_tree.h"
#include "json_values.h"
#include "notation.h"
#include "values.h"

namespace morsel_cli {
namespace {

using form = morsel::type::form;
using node_type = json_node::type;

class value_reader : public json_reader {
 public:
  using json_reader::json_reader;

  // {"offset": ..., "type": ..., "value": ...}: "offset" ignored, "type" optional.
  void line(const json_node& object, const morsel::type& t, morsel::value& v) {
    const std::string expected = "an object {\"type\": \"" + t.spelled() + "\", \"value\": ...}";
    if (object.t != node_type::object) {
      fail_at(at_, "expected " + expected + ", got " + describe(object));
    }
    const json_node* type_name = nullptr;
    const json_node* value = nullptr;
    for (const json_node* member = tree_.first_child(object); member != nullptr;
         member = tree_.next_sibling(*member)) {
      const std::string& name = member->name;
      if (name == "offset") {
        continue;  // as decode writes it; not checked
      }
      const json_node** slot = name == "type" ? &type_name : name == "value" ? &value : nullptr;
      if (slot == nullptr) {
        fail_at(at_,
                "unknown member \"" + name + "\": expected \"offset\", \"type\" and \"value\"");
      }
      if (*slot != nullptr) {
        fail_at(at_, "member \"" + name + "\" given twice");
      }
      *slot = member;
    }
    if (type_name != nullptr &&
        (type_name->t != node_type::string || type_name->text != t.spelled())) {
      fail_at(at_,
              "the value is read as " + t.spelled() + ", not " +
                  (type_name->t == node_type::string ? type_name->text : describe(*type_name)));
    }
    if (value == nullptr) {
      fail_at(at_, "expected a member \"value\"");
    }
    read(*value, t, where{nullptr, "value"}, v);
  }

 private:
  void read(const json_node& n, const morsel::type& t, const where& path, morsel::value& v) {
    switch (t.what) {
      case form::boolean:
        if (n.t != node_type::boolean) {
          fail(path, "true or false", n);
        }
        v.data = n.flag;
        return;
      case form::u8:
        v.data = std::uint64_t{integer<unsigned char>(n, path)};
        return;
      case form::u32:
        v.data = std::uint64_t{integer<unsigned int>(n, path)};
        return;
      case form::u64:
        v.data = std::uint64_t{integer<unsigned long>(n, path)};
        return;
      case form::i8:
        v.data = std::int64_t{integer<signed char>(n, path)};
        return;
      case form::i32:
        v.data = std::int64_t{integer<int>(n, path)};
        return;
      case form::i64:
        v.data = std::int64_t{integer<long>(n, path)};
        return;
      case form::f32:
        v.data = floating<float>(n, path);
        return;
      case form::f64:
        v.data = floating<double>(n, path);
        return;
      case form::string:
        v.as<std::string>() = one_string(n, path);
        return;
      case form::person:
        v.data = person(n, path);
        return;
      case form::any_item:
        return item(n, path, v);
      case form::vector:
      case form::array:
        return t.is_array_item() ? array_items(n, t, path, v) : elements(n, t, path, v);
      case form::set:
        return elements(n, t, path, v);
      case form::optional:
        return optional(n, t, path, v);
      case form::map:
        return entries(n, t, path, v);
      case form::tuple:
        return tuple(n, t, path, v);
      case form::record:
        return record(n, t, path, v);
      case form::variant:
        return alternative(n, t, path, v);
      case form::enumeration:
        return enumerator(n, t, path, v);
      case form::alias:
        return read(n, *t.parts.front(), path, v);
    }
  }

  std::string one_string(const json_node& n, const where& path) const {
    const std::string expected = "a string or {\"hex\": \"...\"}";
    if (n.t == node_type::string) {
      return n.text;
    }
    return hex_bytes(n, path, expected);
  }

  // {"kind": "u32", "value": 7}, as decode --json writes an item: its bytes, as one item.
  void item(const json_node& n, const where& path, morsel::value& v) {
    const std::string expected = "an object {\"kind\": ..., \"value\": ...}";
    const auto [kind, value] = members<2>(n, path, {"kind", "value"}, expected);
    if (kind->t != node_type::string) {
      fail(where{&path, "kind"}, "a kind such as \"u32\"", *kind);
    }
    const encoded bytes =
        encode_message({parsed_item{json_item_value(tree_, at_, kind->text, *value), at_.line}});
    morsel::reader check(bytes.bytes);
    (void)check.next();
    if (!check.empty()) {
      fail(path, "one item: at most 255 bytes or elements", *value);
    }
    v.as<std::vector<unsigned char>>() = bytes.bytes;
  }

  // The elements of a JSON array, each read by `each(node, path, into)` into `into`'s elements.
  template <typename Element, typename Each>
  void list(const json_node& n, const morsel::type& t, const where& path,
            std::vector<Element>& into, Each each) {
    if (n.t != node_type::array) {
      fail(path, t.what == form::array ? "an array of " + std::to_string(t.count) : "an array", n);
    }
    if (t.what == form::array && n.count != t.count) {
      fail(path, "an array of " + std::to_string(t.count), n);
    }
    into.resize(n.count);
    std::size_t i = 0;
    for (const json_node* child = tree_.first_child(n); child != nullptr;
         child = tree_.next_sibling(*child), ++i) {
      each(*child, where{&path, {}, i, true}, into[i]);
    }
  }

  void array_items(const json_node& n, const morsel::type& t, const where& path, morsel::value& v) {
    switch (t.parts.front()->what) {
      case form::u8:
        return list(n, t, path, v.as<std::vector<unsigned char>>(),
                    [this](const json_node& e, const where& at, unsigned char& into) {
                      into = integer<unsigned char>(e, at);
                    });
      case form::u64:
        return list(n, t, path, v.as<std::vector<unsigned long>>(),
                    [this](const json_node& e, const where& at, unsigned long& into) {
                      into = integer<unsigned long>(e, at);
                    });
      case form::f64:
        return list(n, t, path, v.as<std::vector<double>>(),
                    [this](const json_node& e, const where& at, double& into) {
                      into = floating<double>(e, at);
                    });
      default:
        return list(n, t, path, v.as<std::vector<std::string>>(),
                    [this](const json_node& e, const where& at, std::string& into) {
                      into = one_string(e, at);
                    });
    }
  }

  void elements(const json_node& n, const morsel::type& t, const where& path, morsel::value& v) {
    const morsel::type& element = *t.parts.front();
    list(n, t, path, v.as<morsel::value::list>(),
         [&](const json_node& e, const where& at, morsel::value& into) {
           read(e, element, at, into);
         });
  }

  // null, or the value; an optional of an optional as [] or [value], so that each is told apart.
  void optional(const json_node& n, const morsel::type& t, const where& path, morsel::value& v) {
    const morsel::type& held = *t.parts.front();
    morsel::value::list& values = v.as<morsel::value::list>();
    if (resolved(held).what == form::optional) {
      if (n.t != node_type::array || n.count > 1) {
        fail(path, "[] or an array of the value", n);
      }
      values.resize(n.count);
      if (n.count == 1) {
        read(*tree_.first_child(n), held, where{&path, {}, 0, true}, values.front());
      }
      return;
    }
    values.resize(n.t == node_type::null ? 0 : 1);
    if (n.t != node_type::null) {
      read(n, held, path, values.front());
    }
  }

  // An object by key where the keys are strings; any map as an array of [key, value] arrays.
  void entries(const json_node& n, const morsel::type& t, const where& path, morsel::value& v) {
    const morsel::type& key = *t.parts[0];
    const morsel::type& value = *t.parts[1];
    morsel::value::list& flat = v.as<morsel::value::list>();
    flat.resize(2 * n.count);
    std::size_t i = 0;
    if (n.t == node_type::object && resolved(key).what == form::string) {
      for (const json_node* entry = tree_.first_child(n); entry != nullptr;
           entry = tree_.next_sibling(*entry), ++i) {
        flat[2 * i].as<std::string>() = entry->name;
        read(*entry, value, where{&path, entry->name, 0, false, true}, flat[2 * i + 1]);
      }
      return;
    }
    if (n.t != node_type::array) {
      fail(path,
           resolved(key).what == form::string ? "an object, or an array of [key, value] arrays"
                                              : "an array of [key, value] arrays",
           n);
    }
    for (const json_node* entry = tree_.first_child(n); entry != nullptr;
         entry = tree_.next_sibling(*entry), ++i) {
      const where at{&path, {}, i, true};
      if (entry->t != node_type::array || entry->count != 2) {
        fail(at, "a [key, value] array", *entry);
      }
      const json_node& k = *tree_.first_child(*entry);
      read(k, key, where{&at, {}, 0, true}, flat[2 * i]);
      read(*tree_.next_sibling(k), value, where{&at, {}, 1, true}, flat[2 * i + 1]);
    }
  }

  void tuple(const json_node& n, const morsel::type& t, const where& path, morsel::value& v) {
    if (n.t != node_type::array || n.count != t.parts.size()) {
      fail(path, "an array of " + std::to_string(t.parts.size()), n);
    }
    morsel::value::list& values = v.as<morsel::value::list>();
    values.resize(n.count);
    std::size_t i = 0;
    for (const json_node* e = tree_.first_child(n); e != nullptr; e = tree_.next_sibling(*e), ++i) {
      read(*e, *t.parts[i], where{&path, {}, i, true}, values[i]);
    }
  }

  // Every member once, by name, in any order.
  void record(const json_node& n, const morsel::type& t, const where& path, morsel::value& v) {
    if (n.t != node_type::object) {
      fail(path, "an object, a " + t.name, n);
    }
    morsel::value::list& values = v.as<morsel::value::list>();
    values.resize(t.parts.size());
    std::vector<bool> seen(t.parts.size(), false);
    for (const json_node* member = tree_.first_child(n); member != nullptr;
         member = tree_.next_sibling(*member)) {
      const auto found = std::find(t.member_names.begin(), t.member_names.end(), member->name);
      if (found == t.member_names.end()) {
        fail_at(at_, path.spelled() + ": " + t.name + " has no member \"" + member->name + "\"");
      }
      const auto i = static_cast<std::size_t>(found - t.member_names.begin());
      if (seen[i]) {
        fail_at(at_, path.spelled() + ": member \"" + member->name + "\" given twice");
      }
      seen[i] = true;
      read(*member, *t.parts[i], where{&path, t.member_names[i]}, values[i]);
    }
    const auto missing = std::find(seen.begin(), seen.end(), false);
    if (missing != seen.end()) {
      fail_at(at_, path.spelled() + ": the member \"" +
                       t.member_names[static_cast<std::size_t>(missing - seen.begin())] + "\" of " +
                       t.name + " is missing");
    }
  }

  // {"type": <alternative>, "value": ...}.
  void alternative(const json_node& n, const morsel::type& t, const where& path, morsel::value& v) {
    std::string names;
    for (std::size_t i = 0; i < t.parts.size(); ++i) {
      names += (i == 0 ? "\"" : ", \"") + alternative_name(t, i) + "\"";
    }
    const std::string expected = "an object {\"type\": ..., \"value\": ...}";
    const auto [type_name, value] = members<2>(n, path, {"type", "value"}, expected);
    std::size_t index = 0;
    while (index < t.parts.size() &&
           (type_name->t != node_type::string || alternative_name(t, index) != type_name->text)) {
      ++index;
    }
    if (index == t.parts.size()) {
      fail(where{&path, "type"}, "one of " + names, *type_name);
    }
    v.index = index;
    morsel::value::list& held = v.as<morsel::value::list>();
    held.resize(1);
    read(*value, *t.parts[index], where{&path, "value"}, held.front());
  }

  // An enumerator's name, or the number of any value.
  void enumerator(const json_node& n, const morsel::type& t, const where& path, morsel::value& v) {
    if (n.t != node_type::string) {
      return read(n, *t.parts.front(), path, v);
    }
    for (const auto& [number, name] : t.enumerators) {
      if (name == n.text) {
        const form underlying = t.parts.front()->what;
        if (underlying == form::boolean) {
          v.data = number != 0;
        } else if (underlying == form::i8 || underlying == form::i32 || underlying == form::i64) {
          v.data = std::int64_t{number};
        } else {
          v.data = static_cast<std::uint64_t>(number);
        }
        return;
      }
    }
    std::string names;
    for (const auto& [number, name] : t.enumerators) {
      names += (names.empty() ? "\"" : ", \"") + name + "\"";
    }
    fail(path, names.empty() ? "a number" : "a number or one of " + names, n);
  }
};

}  // namespace

struct json_value_encoder::storage {
  json_tree tree;
  morsel::value value;
};

json_value_encoder::json_value_encoder(const morsel::type& t)
    : type_(t), storage_(std::make_unique<storage>()) {}
json_value_encoder::~json_value_encoder() = default;

part_rest json_value_encoder::encode(std::string_view text, const text_part& where,
                                     morsel::writer& out) {
  json_values values(text, where);
  place start{};
  while (values.next(storage_->tree, start)) {
    value_reader(storage_->tree, start).line(storage_->tree.root(), type_, storage_->value);
    try {
      morsel::write_value(out, type_, storage_->value);
    } catch (const std::exception& e) {
      fail_at(start, e.what());
    }
  }
  return values.rest();
}

void encode_json_values(std::string_view text, const morsel::type& t, morsel::writer& out) {
  (void)json_value_encoder(t).encode(text, text_part{}, out);
}

}  // namespace morsel_cli
