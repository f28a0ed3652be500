// The schema text's definitions: naming each record and enum once, and joining them.
#include <cstddef>
#include <string>
#include <string_view>

#include <morsel/detail/describe.h>

namespace morsel::detail {

bool schema_builder::define(const void* key, std::string_view name, std::string& out,
                            std::size_t& at) {
  for (const named& known : names_) {
    if (known.key == key) {
      out += known.name;
      return false;
    }
  }
  // Another type of the same name (a template's instances, types of two anonymous namespaces):
  // numbered, so that every name in the schema stands for one type.
  std::string unique(name);
  for (std::size_t n = 2;; ++n) {
    bool taken = false;
    for (const named& known : names_) {
      taken |= known.name == unique;
    }
    if (!taken) {
      break;
    }
    unique = std::string(name) + "_" + std::to_string(n);
  }
  names_.push_back({key, unique});
  out += unique;
  at = definitions_.size();
  definitions_.emplace_back(key, unique);
  return true;
}

std::string schema_builder::text() const {
  std::string text;
  for (const auto& [key, definition] : definitions_) {
    text += definition;
    text += '\n';
  }
  return text;
}

}  // namespace morsel::detail
