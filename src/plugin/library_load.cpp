// What happens when a host loads libkorvax: the fee dialogs register with
// Show, so that every Tarvo of the process finds them.
#include "dialogs/register.hpp"

namespace {

struct LibraryLoad {
  LibraryLoad() { korvax::dialogs::RegisterFeeDialogs(); }
};

const LibraryLoad kLoad;

}  // namespace
