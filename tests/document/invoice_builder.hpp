// The invoice builder now lives in tests/support; test_host still includes it
// under this name.
#pragma once

#include "../support/docx.hpp"
