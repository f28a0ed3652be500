// The two ways `decode` spells what it reads: the text notation and JSON. Each spells scalars and
// the openings and closings of lists, records, maps, tuples, variants and items; one walk over
// items (print_items.cpp) and one over values read by a schema (print_values.cpp) use either, so
// that no kind is switched over twice.
#ifndef MORSEL_CLI_SPELLING_H
#define MORSEL_CLI_SPELLING_H

#include <cstdint>
#include <string>
#include <string_view>

#include <morsel/morsel.h>

#include "notation.h"

namespace morsel_cli {

// Integers a double holds exactly: a JSON tool that reads numbers as doubles keeps them.
inline constexpr std::uint64_t kExactInDouble = std::uint64_t{1} << 53U;

// The notation: `u32 7`, `Event {time_ns: 17, tags: {"host": "a"}, code: none}`.
struct notation_spelling {
  static void boolean(std::string& out, bool value) { out += value ? "true" : "false"; }
  static void unsigned_integer(std::string& out, std::uint64_t value) { append_number(out, value); }
  static void signed_integer(std::string& out, std::int64_t value) { append_number(out, value); }
  static void f32(std::string& out, float value) { append_float(out, value); }
  static void f64(std::string& out, double value) { append_double(out, value); }
  static void text(std::string& out, std::string_view bytes, string_header header) {
    append_string(out, bytes, header);
  }
  static void person(std::string& out, const Person& p);

  static void separator(std::string& out) { out += ", "; }
  static void list_open(std::string& out) { out += '['; }
  static void list_close(std::string& out) { out += ']'; }
  static void tuple_open(std::string& out) { out += '('; }
  static void tuple_close(std::string& out) { out += ')'; }
  static void record_open(std::string& out, std::string_view name) {
    out += name;
    out += " {";
  }
  static void member(std::string& out, std::string_view name) {
    out += name;
    out += ": ";
  }
  static void record_close(std::string& out) { out += '}'; }
  // A map's entries, `{key: value, ...}` whatever the keys.
  static void map_open(std::string& out, bool /*string_keys*/) { out += '{'; }
  static void entry_open(std::string& /*out*/, bool /*string_keys*/) {}
  static void key_done(std::string& out, bool /*string_keys*/) { out += ": "; }
  static void entry_close(std::string& /*out*/, bool /*string_keys*/) {}
  static void map_close(std::string& out, bool /*string_keys*/) { out += '}'; }
  static void none(std::string& out) { out += "none"; }
  static void enumerator(std::string& out, std::string_view name) { out += name; }
  // A variant's alternative, by its type: `i32 5`, `Reading {...}`.
  static void variant_open(std::string& out, std::string_view alternative, bool record) {
    if (!record) {
      out += alternative;
      out += ' ';
    }
  }
  static void variant_close(std::string& /*out*/) {}
  // An item of any kind: `u32 7`.
  static void item_open(std::string& out, std::string_view kind_word) {
    out += kind_word;
    out += ' ';
  }
  static void item_close(std::string& /*out*/) {}
};

// JSON, every bit kept through any JSON tool (docs/format.md): integers past 2^53 (either way)
// as digits, NaN, infinities and -0 as strings, bytes that are not UTF-8 as {"hex": ...}.
struct json_spelling {
  static void boolean(std::string& out, bool value) { out += value ? "true" : "false"; }
  static void unsigned_integer(std::string& out, std::uint64_t value);
  static void signed_integer(std::string& out, std::int64_t value);
  static void f32(std::string& out, float value);
  static void f64(std::string& out, double value);
  static void text(std::string& out, std::string_view bytes, string_header header);
  static void person(std::string& out, const Person& p);

  static void separator(std::string& out) { out += ','; }
  static void list_open(std::string& out) { out += '['; }
  static void list_close(std::string& out) { out += ']'; }
  static void tuple_open(std::string& out) { out += '['; }
  static void tuple_close(std::string& out) { out += ']'; }
  static void record_open(std::string& out, std::string_view /*name*/) { out += '{'; }
  static void member(std::string& out, std::string_view name) {
    json_string(out, name);
    out += ':';
  }
  static void record_close(std::string& out) { out += '}'; }
  // String keys make an object; any other keys an array of [key, value] arrays.
  static void map_open(std::string& out, bool string_keys) { out += string_keys ? '{' : '['; }
  static void entry_open(std::string& out, bool string_keys) {
    if (!string_keys) {
      out += '[';
    }
  }
  static void key_done(std::string& out, bool string_keys) { out += string_keys ? ':' : ','; }
  static void entry_close(std::string& out, bool string_keys) {
    if (!string_keys) {
      out += ']';
    }
  }
  static void map_close(std::string& out, bool string_keys) { out += string_keys ? '}' : ']'; }
  static void none(std::string& out) { out += "null"; }
  static void enumerator(std::string& out, std::string_view name) { json_string(out, name); }
  static void variant_open(std::string& out, std::string_view alternative, bool /*record*/) {
    out += "{\"type\":";
    json_string(out, alternative);
    out += ",\"value\":";
  }
  static void variant_close(std::string& out) { out += '}'; }
  static void item_open(std::string& out, std::string_view kind_word) {
    out += "{\"kind\":";
    json_string(out, kind_word);
    out += ",\"value\":";
  }
  static void item_close(std::string& out) { out += '}'; }

  // A JSON string of text that is UTF-8 (names, kinds).
  static void json_string(std::string& out, std::string_view text);
};

}  // namespace morsel_cli

#endif  // MORSEL_CLI_SPELLING_H
