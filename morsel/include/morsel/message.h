// Messages: many items in one buffer. `morsel::writer` appends items, `morsel::reader` reads them
// back in place; `morsel::item` is one item of any kind. Needs C++20 (morsel/morsel.h alone needs
// C++17).
//
//   morsel::writer out;
//   out.write(7U).write("seven").write(std::vector<double>{7.0});
//   morsel::reader in(out.bytes());
//   unsigned int id = in.read<unsigned int>();
//   std::string_view name = in.read<std::string_view>();   // points into out's buffer
//   morsel::item rest = in.next();                          // an f64_array_view
#ifndef MORSEL_MESSAGE_H
#define MORSEL_MESSAGE_H

#include <morsel/item.h>
#include <morsel/morsel.h>
#include <morsel/reader.h>
#include <morsel/writer.h>

#endif  // MORSEL_MESSAGE_H
