#include "plugins.h"

#include "kstexcel.h"

namespace kst {

namespace {
const TPluginEntry kBuiltIn[] = {
    {'C', excel::kSlot},
};
}  // namespace

std::span<const TPluginEntry> BuiltInPlugins() noexcept {
  return kBuiltIn;
}

}  // namespace kst
