// Every convention: what each type the writer takes and the reader gives back is written as. See
// convention.h for what each says, and docs/format.md for the bytes. Needs C++20.
#ifndef MORSEL_DETAIL_CONVENTIONS_H
#define MORSEL_DETAIL_CONVENTIONS_H

#include <morsel/detail/convention.h>
#include <morsel/detail/conventions_alternatives.h>
#include <morsel/detail/conventions_arrays.h>
#include <morsel/detail/conventions_associative.h>
#include <morsel/detail/conventions_containers.h>
#include <morsel/detail/conventions_items.h>
#include <morsel/detail/conventions_records.h>
#include <morsel/detail/conventions_surrogates.h>

#endif  // MORSEL_DETAIL_CONVENTIONS_H
