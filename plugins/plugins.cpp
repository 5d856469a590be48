#include "plugins.h"

#include "kstword.h"

namespace kst {
namespace {

const TPluginEntry kPlugins[] = {
    {'B', {1, 1, kstword::GetInfo, kstword::CanHandle, kstword::GetText, kstword::SetText}},
};

}  // namespace

std::span<const TPluginEntry> BuiltInPlugins() noexcept {
  return kPlugins;
}

}  // namespace kst
