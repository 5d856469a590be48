// The plugins built into the library, each in its slot of the table.
#pragma once

#include <span>

#include "plugintable.h"

namespace kst {

struct TPluginEntry {
  char Letter;
  TPluginSlot Slot;
};

std::span<const TPluginEntry> BuiltInPlugins() noexcept;

}  // namespace kst
