// Interfaces of the shared Office object library that Word's own interfaces
// name in their member lists. Only the types are needed here: the plugin never
// calls through them, they keep Word's declarations true to its type library.
#pragma once

#include <oaidl.h>

namespace kst::office {

struct CommandBars : public IDispatch {};

}  // namespace kst::office
