// The tree of one JSON value, built from nlohmann::json's SAX events: every number keeps the text
// it was written in. Internal to the notation library.
#ifndef MORSEL_CLI_JSON_TREE_H
#define MORSEL_CLI_JSON_TREE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace morsel_cli {

// One value of the tree, in a flat vector: containers link to their first child, and each child
// to the next, so that building moves no subtree and a tree's storage serves the next one.
struct json_node {
  enum class type : unsigned char {
    null,
    boolean,
    integer,
    unsigned_integer,
    number,
    string,
    array,
    object
  };
  type t = type::null;
  bool flag = false;  // a boolean's value; for a number, that it was written "-0"
  std::int64_t integer = 0;
  std::uint64_t unsigned_integer = 0;
  double number = 0;      // a number with a fraction or an exponent, read as a double
  std::string text;       // a string's bytes, or a number's digits as written
  std::string name;       // the member's name, when in an object
  std::size_t first = 0;  // 1 + the index of the first child, or 0
  std::size_t next = 0;   // 1 + the index of the next sibling, or 0
  std::size_t count = 0;  // children
};

// Builds the tree of one top-level value from nlohmann's SAX events.
class json_tree {
 public:
  using json = nlohmann::json;

  void clear() {
    used_ = 0;  // the nodes stay, so that their strings' storage serves the next tree
    open_.clear();
    error_.clear();
    numbers_ = 0;
    negative_zeros_.clear();
  }
  // The numbers, counted from 0 in the order written, that are "-0".
  void mark_negative_zeros(std::vector<std::size_t> ordinals) {
    negative_zeros_ = std::move(ordinals);
  }

  bool null() {
    add(json_node::type::null);
    return true;
  }
  bool boolean(bool value) {
    add(json_node::type::boolean).flag = value;
    return true;
  }
  bool number_integer(json::number_integer_t value) {
    add_number(json_node::type::integer).integer = value;
    return true;
  }
  bool number_unsigned(json::number_unsigned_t value) {
    add_number(json_node::type::unsigned_integer).unsigned_integer = value;
    return true;
  }
  bool number_float(json::number_float_t value, const json::string_t& text) {
    json_node& number = add_number(json_node::type::number);
    number.text = text;
    number.number = value;
    return true;
  }
  // The SAX interface's signatures: nlohmann passes its strings mutable.
  // cppcheck-suppress constParameter
  bool string(json::string_t& value) {
    add(json_node::type::string).text = value;
    return true;
  }
  static bool binary(json::binary_t& /*value*/) { return false; }  // not in JSON text
  bool start_object(std::size_t /*elements*/) { return open(json_node::type::object); }
  // Copied, not moved: the storage of both strings is kept for the next.
  // cppcheck-suppress constParameter
  bool key(json::string_t& name) {
    key_ = name;
    return true;
  }
  bool end_object() { return close(); }
  bool start_array(std::size_t /*elements*/) { return open(json_node::type::array); }
  bool end_array() { return close(); }
  bool parse_error(std::size_t position, const std::string& /*last_token*/,
                   const nlohmann::detail::exception& error) {
    error_position_ = position;
    error_ = error.what();
    return false;
  }

  const json_node& root() const { return nodes_.front(); }
  std::size_t error_position() const { return error_position_; }
  const std::string& error() const { return error_; }

  // The children of a container, in order: the first, then each one's next; null after the last.
  const json_node* first_child(const json_node& parent) const {
    return parent.first == 0 ? nullptr : &nodes_[parent.first - 1];
  }
  const json_node* next_sibling(const json_node& child) const {
    return child.next == 0 ? nullptr : &nodes_[child.next - 1];
  }

 private:
  struct open_node {
    std::size_t node;
    std::size_t last_child;  // 1 + its index, or 0
  };

  json_node& add(json_node::type t) {
    const std::size_t index = used_++;
    if (index == nodes_.size()) {
      nodes_.emplace_back();
    }
    json_node& added = nodes_[index];
    added.t = t;
    added.flag = false;
    added.first = 0;
    added.next = 0;
    added.count = 0;
    if (!open_.empty()) {
      open_node& parent = open_.back();
      json_node& container = nodes_[parent.node];
      if (container.t == json_node::type::object) {
        added.name = key_;
      }
      (parent.last_child == 0 ? container.first : nodes_[parent.last_child - 1].next) = index + 1;
      parent.last_child = index + 1;
      ++container.count;
    }
    return added;
  }
  json_node& add_number(json_node::type t) {
    json_node& number = add(t);
    number.flag = std::find(negative_zeros_.begin(), negative_zeros_.end(), numbers_) !=
                  negative_zeros_.end();
    ++numbers_;
    return number;
  }
  bool open(json_node::type t) {
    add(t);
    open_.push_back({used_ - 1, 0});
    return true;
  }
  bool close() {
    open_.pop_back();
    return true;
  }

  std::vector<json_node> nodes_;  // the first `used_` are the tree's
  std::size_t used_ = 0;
  std::vector<open_node> open_;
  std::string key_;
  std::size_t error_position_ = 0;
  std::string error_;
  std::size_t numbers_ = 0;
  std::vector<std::size_t> negative_zeros_;
};

}  // namespace morsel_cli

#endif  // MORSEL_CLI_JSON_TREE_H
