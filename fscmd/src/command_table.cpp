#include <windows.h>
#include <oleauto.h>

#include <new>

#include "library.h"

namespace fscmd {

namespace {

#define FSCMD_COMMAND(name) {L"FS" #name, &commands::name},
constexpr CommandEntry kCommands[] = {
#include "command_list.h"
};
#undef FSCMD_COMMAND

BSTR AllocateAnswer(const std::wstring& answer) noexcept {
  return ::SysAllocStringLen(answer.data(), static_cast<UINT>(answer.size()));
}

}  // namespace

std::span<const CommandEntry> CommandTable() { return kCommands; }

const CommandEntry* FindCommand(const std::wstring& exportName) {
  for (const CommandEntry& entry : kCommands)
    if (exportName == entry.exportName) return &entry;
  return nullptr;
}

std::wstring RunCommand(CommandFunction function, const std::wstring& args) {
  TheApp().EnsureStarted();
  CommandResult result;
  long finishCode = function(args, result);
  return result.Finish(finishCode);
}

BSTR CallCommand(CommandFunction function, const wchar_t* args) noexcept {
  try {
    return AllocateAnswer(RunCommand(function, args ? std::wstring(args) : std::wstring()));
  } catch (const std::bad_alloc&) {
    return AllocateAnswer(L"," + std::to_wstring(code::FromLastError(ERROR_NOT_ENOUGH_MEMORY)));
  } catch (...) {
    return AllocateAnswer(L"," + std::to_wstring(code::FromLastError(ERROR_INTERNAL_ERROR)));
  }
}

}  // namespace fscmd
