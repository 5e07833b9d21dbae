// The host database of the tests lives with the shared test support.
#pragma once

#include "../support/host_database.hpp"
