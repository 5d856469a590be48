#include "plugins.h"

#include "kststd.h"

namespace kst {
namespace {

const TPluginEntry kPlugins[] = {
    {'E', {1, 1, kststd::GetInfo, kststd::CanHandle, kststd::GetText, kststd::SetText}},
};

}  // namespace

std::span<const TPluginEntry> BuiltInPlugins() noexcept {
  return kPlugins;
}

}  // namespace kst
