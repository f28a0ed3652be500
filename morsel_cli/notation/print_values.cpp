// The walk over values read by a schema, in either spelling: records by member name, enums by
// enumerator name where named, optionals as none (null) or the value, variants by their
// alternative's type, maps with string keys as objects in JSON.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/message.h>
#include <morsel/types.h>
#include <morsel/value.h>

#include "json.h"
#include "notation.h"
#include "spelling.h"
#include "values.h"

namespace morsel_cli {
namespace {

using form = morsel::type::form;

template <typename Spelling, typename Element, typename Each>
void list_of(std::string& out, const std::vector<Element>& elements, Each each) {
  Spelling::list_open(out);
  for (std::size_t i = 0; i < elements.size(); ++i) {
    if (i != 0) {
      Spelling::separator(out);
    }
    each(elements[i]);
  }
  Spelling::list_close(out);
}

// The usual header of a string: a string read by a schema has no other.
string_header usual_header(std::size_t size) {
  const auto header = morsel::detail::string_header(size);
  return {header[0], header[1]};
}

// A map whose keys are strings of UTF-8 is a JSON object; any other an array of pairs.
bool string_keys(const morsel::type& key, const morsel::value::list& flat) {
  if (resolved(key).what != form::string) {
    return false;
  }
  for (std::size_t i = 0; i < flat.size(); i += 2) {
    if (!is_utf8(std::get<std::string>(flat[i].data))) {
      return false;
    }
  }
  return true;
}

template <typename Spelling>
void spell(std::string& out, const morsel::type& t, const morsel::value& v);

template <typename Spelling>
void spell_array_item(std::string& out, const morsel::type& t, const morsel::value& v) {
  switch (t.parts.front()->what) {
    case form::u8:
      return list_of<Spelling>(out, std::get<std::vector<unsigned char>>(v.data),
                               [&](unsigned char b) { Spelling::unsigned_integer(out, b); });
    case form::u64:
      return list_of<Spelling>(out, std::get<std::vector<unsigned long>>(v.data),
                               [&](unsigned long n) { Spelling::unsigned_integer(out, n); });
    case form::f64:
      return list_of<Spelling>(out, std::get<std::vector<double>>(v.data),
                               [&](double d) { Spelling::f64(out, d); });
    default:
      return list_of<Spelling>(
          out, std::get<std::vector<std::string>>(v.data),
          [&](const std::string& s) { Spelling::text(out, s, usual_header(s.size())); });
  }
}

template <typename Spelling>
void spell_enumerator(std::string& out, const morsel::type& t, const morsel::value& v) {
  std::int64_t number = 0;
  if (const auto* u = std::get_if<std::uint64_t>(&v.data)) {
    number = static_cast<std::int64_t>(*u);
  } else if (const auto* s = std::get_if<std::int64_t>(&v.data)) {
    number = *s;
  } else {
    number = std::get<bool>(v.data) ? 1 : 0;
  }
  for (const auto& [value, name] : t.enumerators) {
    if (value == number) {
      return Spelling::enumerator(out, name);
    }
  }
  spell<Spelling>(out, *t.parts.front(), v);  // an unnamed value: its number
}

template <typename Spelling>
void spell_entries(std::string& out, const morsel::type& t, const morsel::value& v) {
  const auto& flat = std::get<morsel::value::list>(v.data);
  const bool by_name = string_keys(*t.parts[0], flat);
  Spelling::map_open(out, by_name);
  for (std::size_t i = 0; i < flat.size(); i += 2) {
    if (i != 0) {
      Spelling::separator(out);
    }
    Spelling::entry_open(out, by_name);
    spell<Spelling>(out, *t.parts[0], flat[i]);
    Spelling::key_done(out, by_name);
    spell<Spelling>(out, *t.parts[1], flat[i + 1]);
    Spelling::entry_close(out, by_name);
  }
  Spelling::map_close(out, by_name);
}

template <typename Spelling>
void spell_parts(std::string& out, const morsel::type& t, const morsel::value& v) {
  const auto& parts = std::get<morsel::value::list>(v.data);
  const bool record = t.what == form::record;
  record ? Spelling::record_open(out, t.name) : Spelling::tuple_open(out);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i != 0) {
      Spelling::separator(out);
    }
    if (record) {
      Spelling::member(out, t.member_names[i]);
    }
    spell<Spelling>(out, *t.parts[i], parts[i]);
  }
  record ? Spelling::record_close(out) : Spelling::tuple_close(out);
}

template <typename Spelling>
void spell(std::string& out, const morsel::type& t, const morsel::value& v) {
  switch (t.what) {
    case form::boolean:
      return Spelling::boolean(out, std::get<bool>(v.data));
    case form::u8:
    case form::u32:
    case form::u64:
      return Spelling::unsigned_integer(out, std::get<std::uint64_t>(v.data));
    case form::i8:
    case form::i32:
    case form::i64:
      return Spelling::signed_integer(out, std::get<std::int64_t>(v.data));
    case form::f32:
      return Spelling::f32(out, std::get<float>(v.data));
    case form::f64:
      return Spelling::f64(out, std::get<double>(v.data));
    case form::string: {
      const auto& s = std::get<std::string>(v.data);
      return Spelling::text(out, s, usual_header(s.size()));
    }
    case form::person:
      return Spelling::person(out, std::get<Person>(v.data));
    case form::any_item: {
      const auto& bytes = std::get<std::vector<unsigned char>>(v.data);
      morsel::reader in(bytes);
      const morsel::item item = in.next();
      Spelling::item_open(out, morsel::detail::info(morsel::kind_of(item)).word);
      spell_item_value<Spelling>(out, item, bytes);
      return Spelling::item_close(out);
    }
    case form::vector:
    case form::array:
    case form::set:
      if (t.is_array_item()) {
        return spell_array_item<Spelling>(out, t, v);
      }
      return list_of<Spelling>(
          out, std::get<morsel::value::list>(v.data),
          [&](const morsel::value& e) { spell<Spelling>(out, *t.parts[0], e); });
    case form::optional: {
      const auto& held = std::get<morsel::value::list>(v.data);
      if (resolved(*t.parts[0]).what == form::optional) {  // none and holding none told apart
        return list_of<Spelling>(
            out, held, [&](const morsel::value& e) { spell<Spelling>(out, *t.parts[0], e); });
      }
      return held.empty() ? Spelling::none(out) : spell<Spelling>(out, *t.parts[0], held.front());
    }
    case form::map:
      return spell_entries<Spelling>(out, t, v);
    case form::tuple:
    case form::record:
      return spell_parts<Spelling>(out, t, v);
    case form::variant: {
      const morsel::type& alternative = *t.parts[v.index];
      Spelling::variant_open(out, alternative_name(t, v.index), alternative.what == form::record);
      spell<Spelling>(out, alternative, std::get<morsel::value::list>(v.data).front());
      return Spelling::variant_close(out);
    }
    case form::enumeration:
      return spell_enumerator<Spelling>(out, t, v);
    case form::alias:
      return spell<Spelling>(out, *t.parts[0], v);
  }
}

}  // namespace

std::string alternative_name(const morsel::type& t, std::size_t index) {
  const std::string spelled = t.parts[index]->spelled();
  const auto same = std::count_if(t.parts.begin(), t.parts.end(),
                                  [&](const morsel::type* p) { return p->spelled() == spelled; });
  return same > 1 ? std::to_string(index) : spelled;
}

void append_value_line(std::string& out, std::size_t offset, const morsel::type& t,
                       const morsel::value& v, text_form form) {
  if (form == text_form::json) {
    out += "{\"offset\":";
    append_number(out, offset);
    out += ",\"type\":";
    json_spelling::json_string(out, t.spelled());
    out += ",\"value\":";
    spell<json_spelling>(out, t, v);
    out += "}\n";
  } else {
    append_number(out, offset);
    out += ": ";
    spell<notation_spelling>(out, t, v);
    out += '\n';
  }
}

void append_value_text(std::string& out, const morsel::type& t, const morsel::value& v) {
  spell<notation_spelling>(out, t, v);
}

}  // namespace morsel_cli
