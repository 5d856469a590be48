#include "plugins.h"

#include "kstclip.h"
#include "kstexcel.h"
#include "ksttom.h"

namespace kst {
namespace {

const TPluginEntry kPlugins[] = {
    {'A', {1, 1, tom::GetInfo, tom::CanHandle, tom::GetText, tom::SetText}},
    {'C', {1, 0, excel::GetInfo, excel::CanHandle, excel::GetText, excel::SetText}},
    {'F', {1, 0, clip::GetInfo, clip::CanHandle, clip::GetText, clip::SetText}},
};

}  // namespace

std::span<const TPluginEntry> BuiltInPlugins() noexcept {
  return kPlugins;
}

}  // namespace kst
