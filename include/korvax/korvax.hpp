// Korvax C++ API, all of it: korvax::api::Tarvo and what a host hands it.
// Inline over the C ABI of korvax.h (C++17); link libkorvax.so alone.
#ifndef KORVAX_KORVAX_HPP
#define KORVAX_KORVAX_HPP

#include "korvax/office.hpp"
#include "korvax/tarvo.hpp"
#include "korvax/ui.hpp"
#include "korvax/value.hpp"

#endif  // KORVAX_KORVAX_HPP
