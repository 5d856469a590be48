#include "plugins.h"

namespace kst {

std::span<const TPluginEntry> BuiltInPlugins() noexcept {
  return {};
}

}  // namespace kst
