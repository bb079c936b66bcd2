// Window and desktop commands: the host window and what the movie may do with it.
#include "library.h"

namespace fscmd {

namespace commands {

long WindowSetHandle(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  long handle = fields.Number(0, 0);
  if (handle != 0) State().hostWindow = reinterpret_cast<HWND>(static_cast<intptr_t>(handle));
  return code::kNone;
}

}  // namespace commands

}  // namespace fscmd
