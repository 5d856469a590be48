#include "plugins.h"

#include "kstclip.h"
#include "kstexcel.h"
#include "kstie.h"
#include "kststd.h"
#include "ksttom.h"
#include "kstword.h"

namespace kst {
namespace {

const TPluginEntry kPlugins[] = {
    {'A', {1, 1, tom::GetInfo, tom::CanHandle, tom::GetText, tom::SetText}},
    {'B', {1, 1, word::GetInfo, word::CanHandle, word::GetText, word::SetText}},
    {'C', {1, 0, excel::GetInfo, excel::CanHandle, excel::GetText, excel::SetText}},
    {'D', {1, 1, ie::GetInfo, ie::CanHandle, ie::GetText, ie::SetText}},
    {'E', {1, 1, kststd::GetInfo, kststd::CanHandle, kststd::GetText, kststd::SetText}},
    {'F', {1, 0, clip::GetInfo, clip::CanHandle, clip::GetText, clip::SetText}},
};

}  // namespace

std::span<const TPluginEntry> BuiltInPlugins() noexcept {
  return kPlugins;
}

}  // namespace kst
