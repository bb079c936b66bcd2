// The library's exports: each hands its argument text to its command in the command table's functions.
#include "library.h"

#define FSCMD_COMMAND(name) \
  extern "C" BSTR __stdcall FS##name(const wchar_t* args) noexcept { \
    return fscmd::CallCommand(&fscmd::commands::name, args); \
  }
#include "command_list.h"
#undef FSCMD_COMMAND
