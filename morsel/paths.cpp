// Where a part of a value is, in errors: the path of members, elements and map keys a failure
// leaves through, and the error the read or write that began it throws.
#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <morsel/detail/convention.h>
#include <morsel/morsel.h>
#include <morsel/reader.h>

namespace morsel::detail {
namespace {

constexpr std::size_t kMostKeyShown = 64;

// The offset an error's message starts with ("byte 17: ..."), and the message without it.
std::pair<std::size_t, std::string_view> split_offset(std::string_view what,
                                                      std::size_t otherwise) {
  constexpr std::string_view prefix = "byte ";
  if (!what.starts_with(prefix)) {
    return {otherwise, what};
  }
  std::size_t offset = 0;
  std::size_t i = prefix.size();
  for (; i < what.size() && what[i] >= '0' && what[i] <= '9'; ++i) {
    offset = offset * 10 + static_cast<std::size_t>(what[i] - '0');
  }
  if (i == prefix.size() || !what.substr(i).starts_with(": ")) {
    return {otherwise, what};
  }
  return {offset, what.substr(i + 2)};
}

}  // namespace

std::string spell_path(std::string_view root, const std::vector<path_step>& path) {
  std::string text(root);
  for (std::size_t i = path.size(); i-- > 0;) {  // innermost first: spelled from the back
    const path_step& step = path[i];
    const std::string index = std::to_string(step.index);
    switch (step.what) {
      case step_kind::member:
        text += '.';
        text += step.name.empty() ? std::string_view(index) : step.name;
        break;
      case step_kind::element:
        text += "[" + index + "]";
        break;
      case step_kind::entry_key:
        text += "[key " + index + "]";
        break;
      case step_kind::value_at:
        text += step.key.empty() ? "[value " + index + "]" : "[" + step.key + "]";
        break;
    }
  }
  return text;
}

std::string quoted_if_printable(std::string_view key) {
  if (key.size() > kMostKeyShown) {
    return {};
  }
  std::string text = "\"";
  for (const char c : key) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7e) {
      return {};
    }
    if (c == '"' || c == '\\') {
      text += '\\';
    }
    text += c;
  }
  return text + "\"";
}

void rethrow_in_part(path_step step) {
  try {
    throw;
  } catch (part_failure& failure) {
    failure.path.push_back(std::move(step));
    throw;
  } catch (const truncated_error& e) {
    const auto [offset, what] = split_offset(e.what(), e.stopped_at());
    throw part_failure{{std::move(step)},
                       offset,
                       e.stopped_at(),
                       std::string(what),
                       part_failure::error::truncated,
                       e.wanted_end()};
  } catch (const decode_error& e) {
    const auto [offset, what] = split_offset(e.what(), e.stopped_at());
    throw part_failure{
        {std::move(step)}, offset, e.stopped_at(), std::string(what), part_failure::error::decode};
  }
}

void throw_part_failure(const part_failure& failure, std::string_view root) {
  const std::string what = "byte " + std::to_string(failure.item_offset) + ": " +
                           spell_path(root, failure.path) + ": " + failure.what;
  if (failure.type == part_failure::error::truncated) {
    throw truncated_error(what, failure.stopped_at, failure.wanted_end);
  }
  throw decode_error(what, failure.stopped_at);
}

}  // namespace morsel::detail
