// Values compared, as a map's keys are (by what they hold, as C++ compares it).
#include <morsel/value.h>

#include <tuple>
#include <variant>

namespace morsel {
namespace {

// Person has no ordering of its own: by age, then height.
auto as_tuple(const Person& p) {
  return std::tuple(p.age, p.height);
}

}  // namespace

bool operator==(const value& a, const value& b) {
  return !(a < b) && !(b < a);
}

bool operator<(const value& a, const value& b) {
  if (a.data.index() != b.data.index()) {
    return a.data.index() < b.data.index();
  }
  if (a.index != b.index) {
    return a.index < b.index;
  }
  return std::visit(
      [&b](const auto& held) {
        using T = std::decay_t<decltype(held)>;
        const T& other = std::get<T>(b.data);
        if constexpr (std::is_same_v<T, Person>) {
          return as_tuple(held) < as_tuple(other);
        } else {
          return held < other;
        }
      },
      a.data);
}

}  // namespace morsel
